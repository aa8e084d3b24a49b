// What every window relies on beyond its own procedure: the help pages its topics lead to, the
// built-in icons it names, and opening, drawing and closing in the real renderer on the demo
// company. The topics and icon names are read from the source tree as it is now, so a window
// added tomorrow is checked too.

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QPixmap>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "app/loaded_module.h"
#include "demo/demo_company.h"
#include "ui/model/form_procedure.h"
#include "ui/qt/help_pages.h"
#include "ui/qt/qt_fixture.h"

namespace koreq::ui::qt::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = KOREQ_SOURCE_DIR;
const fs::path kHelp = kSource / "resources" / "help";

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every file under `dir` whose extension is one of `exts`.
std::vector<fs::path> filesUnder(const fs::path& dir, std::set<std::string> exts) {
  std::vector<fs::path> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file() && exts.count(e.path().extension().string())) out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

// Each match of the regex's first group in the files, with the file it came from.
std::map<std::string, std::string> harvest(const std::vector<fs::path>& files,
                                           const std::regex& re) {
  std::map<std::string, std::string> out;
  for (const fs::path& f : files) {
    const std::string text = slurp(f);
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it)
      out.emplace((*it)[1].str(), fs::relative(f, kSource).string());
  }
  return out;
}

// ---- Help pages -------------------------------------------------------------------------------

// The topics the windows name: "help" of the window resources, and the topics written in the
// sources (pages under html/ and the "~EC_" topic names).
std::map<std::string, std::string> helpTopicsInTheSources() {
  auto topics = harvest(filesUnder(kSource / "resources" / "windows", {".json"}),
                        std::regex(R"re("help"\s*:\s*"([^"]+)")re"));
  auto more =
      harvest(filesUnder(kSource / "src", {".cpp", ".h"}),
              std::regex(R"re("((?:html/[A-Za-z0-9_]+\.html?(?:#[^"]*)?)|~EC_[A-Za-z0-9_]+)")re"));
  topics.insert(more.begin(), more.end());
  // Topics of the equipment windows still being written.
  for (const char* t :
       {"html/EC_Equipment.htm#ec_insert_or_change_an_equipment_record_screen",
        "html/EC_Equipment.htm#ec_general_tab_fixed_asset_information_defined",
        "html/EC_Equipment.htm#ec_maintenace_categories_tab",
        "html/EC_Equipment.htm#ec_eq_service_schedule__tab_",
        "html/EC_Equipment.htm#ec_photograph_tab", "html/EC_Equipment.htm#user_defined_tab",
        "UpdateEQCost", "~EC_Insert_or_Change_a_Maintenance_Category_Screen", "LookupEquipment",
        "html/EC_Cost_Categories.htm"})
    topics.emplace(t, "the equipment windows");
  return topics;
}

TEST(HelpPages, EveryTopicTheWindowsNameLeadsToItsPageAndPlace) {
  const auto topics = helpTopicsInTheSources();
  ASSERT_GE(topics.size(), 10u);
  for (const auto& [topic, where] : topics) {
    SCOPED_TRACE(topic + " (" + where + ")");
    std::optional<HelpPlace> place = resolveHelpTopic(kHelp, topic);
    ASSERT_TRUE(place) << "no page";
    EXPECT_EQ(place->page.parent_path().filename(), "html");
    const std::size_t hash = topic.find('#');
    const bool namesPlace = hash != std::string::npos ||
                            topic.find(".htm") == std::string::npos;  // a bare name is a place
    if (namesPlace && place->page.stem() != topic) {
      EXPECT_FALSE(place->anchor.empty()) << "no place";
    }
    if (hash != std::string::npos) {  // the browser matches places exactly
      EXPECT_EQ(place->anchor, topic.substr(hash + 1));
    }
  }
}

// The training videos the windows play ('REPORTFILTER = "EQEnt"' before PLAYTRAINING): each
// has its page.
TEST(HelpPages, EveryTrainingVideoTheWindowsPlayHasItsPage) {
  const auto videos = harvest(filesUnder(kSource / "src", {".cpp"}),
                              std::regex(R"re(REPORTFILTER = "([A-Za-z]+Ent)")re"));
  EXPECT_GE(videos.size(), 3u);
  for (const auto& [video, where] : videos)
    EXPECT_TRUE(fs::is_regular_file(kHelp / "training" / (video + ".htm")))
        << video << " (" << where << ")";
}

TEST(HelpPages, EveryLinkInThePagesLeadsSomewhere) {
  const std::regex href(R"re(href\s*=\s*"([^"]+)")re", std::regex::icase);
  int links = 0;
  for (const fs::path& page : filesUnder(kHelp / "html", {".htm", ".html"})) {
    const std::string html = slurp(page);
    EXPECT_NE(html.find("<title>"), std::string::npos) << page;
    for (std::sregex_iterator it(html.begin(), html.end(), href), end; it != end; ++it) {
      std::string link = (*it)[1].str();
      SCOPED_TRACE(page.filename().string() + " -> " + link);
      ++links;
      if (link[0] == '#') {
        EXPECT_EQ(resolveHelpTopic(kHelp, "html/" + page.filename().string() + link)->anchor,
                  link.substr(1));
        continue;
      }
      std::optional<HelpPlace> place = resolveHelpTopic(kHelp, "html/" + link);
      ASSERT_TRUE(place);
      if (link.find('#') != std::string::npos) {
        EXPECT_EQ("#" + place->anchor, link.substr(link.find('#')));
      }
    }
  }
  EXPECT_GT(links, 10);
}

TEST(HelpPages, TopicsResolveAsTheWindowsWriteThem) {
  TempFolder tmp;
  fs::create_directories(tmp.path / "html");
  std::ofstream(tmp.path / "html" / "Guide.htm")
      << "<html><a name=\"Part_One\"></a><h2 id='part-two'>x</h2><A NAME=\"UpdateThing\"></A>";
  std::ofstream(tmp.path / "html" / "index.htm") << "<title>Contents</title>";
  std::ofstream(tmp.path / "html" / "Own_Page.htm") << "<title>Own</title>";

  EXPECT_EQ(helpAnchors(tmp.path / "html" / "Guide.htm"),
            (std::vector<std::string>{"Part_One", "part-two", "UpdateThing"}));
  EXPECT_TRUE(helpAnchors(tmp.path / "html" / "missing.htm").empty());

  struct Case {
    std::string topic, page, anchor;
  };
  const Case cases[] = {
      {"html/Guide.htm#Part_One", "Guide.htm", "Part_One"},
      {"HTML/guide.HTM#part_one", "Guide.htm", "Part_One"},  // spelt as the page spells it
      {"html/Guide.htm#part-two", "Guide.htm", "part-two"},
      {"html/Guide.htm#nowhere", "Guide.htm", ""},             // the top of its page
      {"Guide.htm", "Guide.htm", ""},                          // the folder may be left out
      {"updatething", "Guide.htm", "UpdateThing"},             // a bare name is a place
      {"~Part_One", "Guide.htm", "Part_One"},                  // "~" is dropped
      {"koreq.chm#~UpdateThing", "Guide.htm", "UpdateThing"},  // the help file carries a topic
      {"Own_Page", "Own_Page.htm", ""},                        // or a page of that name
      {"", "index.htm", ""},
      {"  ", "index.htm", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.topic);
    std::optional<HelpPlace> p = resolveHelpTopic(tmp.path, c.topic);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->page.filename(), c.page);
    EXPECT_EQ(p->anchor, c.anchor);
  }
  for (const char* none : {"html/Missing.htm", "NoSuchTopic", "~", "html/../html/Guide.htm",
                           "../outside.htm", "koreq.chm#"}) {
    SCOPED_TRACE(none);
    if (std::string(none) == "~" || std::string(none) == "koreq.chm#") {
      // Nothing left of the topic: the contents.
      EXPECT_EQ(resolveHelpTopic(tmp.path, none)->page.filename(), "index.htm");
      continue;
    }
    if (std::string(none) == "html/../html/Guide.htm") {
      EXPECT_TRUE(resolveHelpTopic(tmp.path, none));  // stays inside, written the long way
      continue;
    }
    EXPECT_FALSE(resolveHelpTopic(tmp.path, none));
  }
  EXPECT_FALSE(resolveHelpTopic(tmp.path / "nothing", "html/Guide.htm"));
}

// ---- Icons ------------------------------------------------------------------------------------

TEST(BuiltInIcons, EveryIconNameInTheSourcesHasItsPicture) {
  const std::string ext = R"((?:ico|gif|bmp|cur|png|jpg))";
  auto names = harvest(filesUnder(kSource / "src", {".cpp", ".h"}),
                       std::regex("\"(~[A-Za-z0-9_]+\\." + ext + ")\"", std::regex::icase));
  auto inResources = harvest(filesUnder(kSource / "resources" / "windows", {".json"}),
                             std::regex(R"re("icon"\s*:\s*"([^"]+)")re"));
  names.insert(inResources.begin(), inResources.end());
  for (const char* n :
       {"~checkon.ico", "~checkoff.ico", "~Checkon.ico", "~nophoto.gif", "~NoPhoto.BMP", "~pdf.gif",
        "~worddoc.gif", "~xldoc.gif", "~ppdoc.gif", "~textfile.gif", "~web.gif", "~OtherFile.gif",
        "~gl.ico", "~eqpellham.ico", "~hand2.cur", "calendar", "help", "print"})
    names.emplace(n, "the windows");
  ASSERT_GE(names.size(), 18u);
  for (const auto& [name, where] : names) {
    SCOPED_TRACE(name + " (" + where + ")");
    QIcon icon = iconByName(name);
    ASSERT_FALSE(icon.isNull());
    QPixmap pm = icon.pixmap(32, 32);
    ASSERT_FALSE(pm.isNull());
    // A drawing, not an empty square: some pixels are opaque, some differ from the first.
    QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    int opaque = 0, differ = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        opaque += qAlpha(img.pixel(x, y)) > 200;
        differ += img.pixel(x, y) != img.pixel(0, 0);
      }
    EXPECT_GT(opaque, 40);
    EXPECT_GT(differ, 40);
  }
  // The same picture whatever the case or extension; nothing for unknown names.
  EXPECT_EQ(iconByName("~NoPhoto.BMP").pixmap(64).toImage(),
            iconByName("~nophoto.gif").pixmap(64).toImage());
  EXPECT_EQ(iconByName("pictures\\CHECKON.ICO").pixmap(16).toImage(),
            iconByName("~checkon.ico").pixmap(16).toImage());
  for (const char* none : {"", "~", "~nosuch.ico", "~.ico", "checkon/"})
    EXPECT_TRUE(iconByName(none).isNull()) << none;
}

// ---- Every window in the renderer -------------------------------------------------------------

// The access key of a caption ("&Insert": 'I'), or 0.
QChar accessKey(const QString& text) {
  for (int i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    return text[i + 1].toUpper();
  }
  return QChar();
}

// The access keys of a drawn window that can be pressed at once, where each leads: two widgets
// clash unless they stand on different pages of one tab sheet (only the page shown takes its
// keys). Widgets the window hid take none.
std::vector<std::string> accessKeyClashes(QWidget& window) {
  struct Key {
    QChar key;
    QString what;
    std::map<const QTabWidget*, int> pages;  // the page of every sheet the widget stands on
  };
  std::vector<Key> keys;
  auto pagesOf = [&](QWidget* w, bool& hidden) {
    std::map<const QTabWidget*, int> pages;
    for (QWidget* p = w; p && p != &window; p = p->parentWidget()) {
      QWidget* up = p->parentWidget();
      auto* sheet =
          up && up->parentWidget() ? qobject_cast<QTabWidget*>(up->parentWidget()) : nullptr;
      if (sheet && qobject_cast<QStackedWidget*>(up)) {
        pages[sheet] = sheet->indexOf(p);
        continue;  // a page not shown is hidden by its sheet, not by the window
      }
      if (p->isHidden()) hidden = true;
    }
    return pages;
  };
  auto add = [&](const QString& text, std::map<const QTabWidget*, int> pages) {
    const QChar k = accessKey(text);
    if (!k.isNull()) keys.push_back({k, text, std::move(pages)});
  };
  for (QWidget* w : window.findChildren<QWidget*>()) {
    bool hidden = false;
    auto pages = pagesOf(w, hidden);
    if (hidden) continue;
    if (auto* b = qobject_cast<QAbstractButton*>(w))
      add(b->text(), pages);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
      add(g->title(), pages);
    else if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy())
      add(l->text(), pages);
    else if (auto* t = qobject_cast<QTabWidget*>(w); t && !t->tabBar()->isHidden())
      for (int i = 0; i < t->count(); ++i)
        if (t->isTabVisible(i)) add(t->tabText(i), pages);
  }
  std::vector<std::string> clashes;
  for (std::size_t i = 0; i < keys.size(); ++i)
    for (std::size_t j = i + 1; j < keys.size(); ++j) {
      if (keys[i].key != keys[j].key) continue;
      bool apart = false;
      for (const auto& [sheet, page] : keys[i].pages) {
        auto other = keys[j].pages.find(sheet);
        apart = apart || (other != keys[j].pages.end() && other->second != page);
      }
      if (!apart)
        clashes.push_back("&" + QString(keys[i].key).toStdString() + ": \"" +
                          keys[i].what.toStdString() + "\" and \"" + keys[j].what.toStdString() +
                          "\"");
    }
  return clashes;
}

// The program's procedures on the demo company, with the globals the suite's windows take their
// arguments from set to something sensible.
class EveryWindow : public ::testing::Test {
 protected:
  EveryWindow()
      : clock(*Date::fromYmd(2024, 3, 15)),
        session(data::Company::create(tmp.path / "co"), clock, "ADM") {
    std::ostringstream quiet;
    demo::makeDemoCompany(session, quiet);
    session.g.INIPATH = (tmp.path / "settings").string();
    module.attach(session);
    ctx = std::make_unique<frame::Context>(session);
    desktop = std::make_unique<Desktop>(port, module.registry());
    module.equip(*desktop);
    view = std::make_unique<QtDesktop>(*desktop);
    view->setRememberGeometry(false);
  }
  ~EveryWindow() override {
    view.reset();
    desktop.reset();
    settle();
  }

  // The first record of a file into the context's buffer; false when the file is empty.
  bool loadFirst(const data::FileDef& def) {
    data::FileAccess& f = ctx->file(def);
    f.set(def.primaryKey());
    return f.next() == data::kNoError;
  }
  void setArguments() {
    ctx->g.REPORTFILTER = "EQHeaderUD";
    ctx->g.KORFIELD = "EQLimits";
    ctx->g.DECIMALVARIABLE = Decimal(std::int64_t{1});
    loadFirst(data::EqHeader::def());
    ctx->g.EQUIPFIELD =
        clipped(data::valueToText(ctx->file(data::EqHeader::def()).get("EQH:EquipmentID")));
    loadFirst(data::EqLimits::def());
    // A new cost category is added to a piece of equipment, as the equipment's tabs do.
    ctx->file(data::EqCost::def()).put("EQC:EquipmentID", ctx->g.EQUIPFIELD.str());
  }

  // Calls the procedure with the request; when it opened a window, draws it and closes
  // everything. The form's primary file, for a later change request, goes to `primary`.
  bool openDrawClose(const std::string& name, Request request,
                     const data::FileDef** primary = nullptr) {
    ctx->g.GlobalRequest = static_cast<int>(request);
    ctx->errors().clearLast();
    const std::size_t before = desktop->depth();
    EXPECT_NO_THROW(desktop->call(*ctx, name));
    if (desktop->depth() == before) return false;
    QtWindow* w = view->top();
    EXPECT_NE(w, nullptr);
    if (!w) return true;
    EXPECT_FALSE(w->windowTitle().isEmpty());
    w->layout()->activate();
    QImage image = w->grab().toImage();
    EXPECT_GT(image.width(), 100);
    EXPECT_GT(image.height(), 50);
    for (const std::string& clash : accessKeyClashes(*w))
      ADD_FAILURE() << name << ": access key " << clash;
    if (primary)
      if (auto* form = dynamic_cast<FormProcedure*>(desktop->top()))
        *primary = &form->primary().def();
    EXPECT_NO_THROW(desktop->closeAll());
    settle();
    EXPECT_EQ(desktop->depth(), 0u);
    EXPECT_FALSE(ctx->errors().last()) << ctx->errors().last()->message;
    return true;
  }

  TempFolder tmp;
  FixedClock clock;
  frame::Session session;
  cli::LoadedModule module;
  std::unique_ptr<frame::Context> ctx;
  ScriptedPort port;
  std::unique_ptr<Desktop> desktop;
  std::unique_ptr<QtDesktop> view;
};

bool hasOkButton(const std::vector<ControlDef>& controls) {
  for (const ControlDef& c : controls)
    if ((c.kind == ControlKind::Button && c.action == StandardAction::Ok) ||
        hasOkButton(c.children))
      return true;
  return false;
}

// The analysis format form keeps its width while the equipment is looked up: a long description
// is cut, shown whole in its tip.
TEST_F(EveryWindow, ALookedUpDescriptionDoesNotWidenTheForm) {
  setArguments();
  ctx->g.GlobalRequest = static_cast<int>(Request::Insert);
  ASSERT_TRUE(desktop->call(*ctx, "UpdateEQAnalysisLimits"));
  QtWindow* w = view->top();
  ASSERT_NE(w, nullptr);
  settle();
  const int before = w->sizeHint().width();
  Procedure& form = *desktop->top();
  form.userCheck(form.control("?EQLM:SelectedEquipment"), true);
  ASSERT_TRUE(form.userType(form.control("?EQLM:EquipmentFrom"), ctx->g.EQUIPFIELD.str()));
  settle();
  const std::string described = form.control("?LOC:FromDescription").text();
  ASSERT_GT(described.size(), 24u) << described;
  QLabel* shown = nullptr;
  for (QLabel* l : w->findChildren<QLabel*>())
    if (!l->toolTip().isEmpty() && l->toolTip().toStdString() == described) shown = l;
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->text().endsWith(QChar(0x2026)));
  EXPECT_EQ(w->sizeHint().width(), before);
  desktop->closeAll();
  settle();
}

// A window whose resource has an OK button is a form: it opens on a new record and on the first
// record of its file. Every other window opens as its menu entry would open it.
TEST_F(EveryWindow, EveryRegisteredWindowOpensDrawsAndClosesOnTheDemoCompany) {
  std::set<std::string> resources;
  for (const std::string& n : windowDefNames()) resources.insert(upper(n));
  int windows = 0, forms = 0, changed = 0;
  std::vector<std::string> services;
  for (const std::string& name : module.registry().names()) {
    SCOPED_TRACE(name);
    const bool isForm = resources.count(upper(name)) && hasOkButton(windowDef(name).controls);
    setArguments();
    const data::FileDef* primary = nullptr;
    const bool opened = openDrawClose(name, isForm ? Request::Insert : Request::None, &primary);
    if (!opened) {
      // A procedure of the same name as a window resource must show it.
      EXPECT_FALSE(resources.count(upper(name))) << "opened no window";
      services.push_back(name);
      continue;
    }
    ++windows;
    if (!isForm) continue;
    ++forms;
    if (!primary) continue;
    setArguments();
    if (!loadFirst(*primary)) continue;
    EXPECT_TRUE(openDrawClose(name, Request::Change)) << "change";
    ++changed;
  }
  EXPECT_GE(windows, 12);
  EXPECT_GE(forms, 3);
  EXPECT_GE(changed, 3);
  EXPECT_TRUE(port.problems().empty());
  std::string list;
  for (const std::string& s : services) list += s + " ";
  RecordProperty("services", list);
}

}  // namespace
}  // namespace koreq::ui::qt::test
