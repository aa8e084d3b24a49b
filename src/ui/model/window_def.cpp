#include "ui/model/window_def.h"

#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>

namespace koreq::ui {

// Generated at build time from resources/windows/*.json (see embed_windows.cmake).
namespace detail {
struct EmbeddedFile {
  const char* name;
  const char* text;
};
extern const EmbeddedFile kEmbeddedWindows[];
extern const std::size_t kEmbeddedWindowCount;
}  // namespace detail

namespace {

using nlohmann::json;

struct KindName {
  ControlKind kind;
  const char* name;
};
constexpr KindName kKinds[] = {
    {ControlKind::Sheet, "sheet"},       {ControlKind::Tab, "tab"},
    {ControlKind::Group, "group"},       {ControlKind::Prompt, "prompt"},
    {ControlKind::Entry, "entry"},       {ControlKind::Text, "text"},
    {ControlKind::DropList, "droplist"}, {ControlKind::DropCombo, "dropcombo"},
    {ControlKind::Check, "check"},       {ControlKind::Radio, "radio"},
    {ControlKind::List, "list"},         {ControlKind::Button, "button"},
    {ControlKind::Image, "image"},       {ControlKind::Progress, "progress"},
    {ControlKind::String, "string"},
};

struct ActionName {
  StandardAction action;
  const char* name;
};
constexpr ActionName kActions[] = {
    {StandardAction::None, "none"},     {StandardAction::Ok, "ok"},
    {StandardAction::Cancel, "cancel"}, {StandardAction::Close, "close"},
    {StandardAction::Help, "help"},     {StandardAction::Insert, "insert"},
    {StandardAction::Change, "change"}, {StandardAction::Delete, "delete"},
    {StandardAction::Select, "select"}, {StandardAction::Calendar, "calendar"},
};

struct KeyName {
  Key key;
  const char* name;
};
constexpr KeyName kKeys[] = {
    {Key::F1, "F1"},
    {Key::F2, "F2"},
    {Key::F3, "F3"},
    {Key::F4, "F4"},
    {Key::F5, "F5"},
    {Key::F6, "F6"},
    {Key::F7, "F7"},
    {Key::F8, "F8"},
    {Key::F9, "F9"},
    {Key::F10, "F10"},
    {Key::F11, "F11"},
    {Key::F12, "F12"},
    {Key::Insert, "Insert"},
    {Key::Delete, "Delete"},
    {Key::Space, "Space"},
    {Key::Enter, "Enter"},
    {Key::Escape, "Escape"},
    {Key::Tab, "Tab"},
    {Key::CtrlH, "Ctrl+H"},
    {Key::CtrlK, "Ctrl+K"},
    {Key::CtrlClick, "Ctrl+Click"},
    {Key::RightClick, "RightClick"},
    {Key::DoubleClick, "DoubleClick"},
    {Key::CellClick, "Click"},
    {Key::Keypad2, "Keypad2"},
    {Key::Keypad5, "Keypad5"},
    {Key::Keypad6, "Keypad6"},
    {Key::KeypadPoint, "Keypad."},
};

class Parser {
 public:
  explicit Parser(std::string_view file) : file_(file) {}

  WindowDef window(const json& j) {
    where_.clear();
    if (!j.is_object()) fail("the file must hold one JSON object");
    allow(j, {"name", "title", "help", "icon", "controls"});
    WindowDef w;
    w.name = str(j, "name", true);
    w.title = str(j, "title");
    w.help = str(j, "help");
    w.icon = str(j, "icon");
    if (!j.contains("controls") || !j["controls"].is_array()) fail("\"controls\" must be a list");
    controlsInto(j["controls"], nullptr, w.controls);
    checkLinks(w);
    return w;
  }

 private:
  [[noreturn]] void fail(const std::string& why) const {
    std::string msg = std::string(file_) + ": ";
    if (!where_.empty()) msg += "control " + where_ + ": ";
    throw WindowDefError(msg + why);
  }

  void allow(const json& j, std::initializer_list<const char*> keys) {
    for (auto it = j.begin(); it != j.end(); ++it) {
      bool ok = false;
      for (const char* k : keys) ok = ok || it.key() == k;
      if (!ok) fail("unknown attribute \"" + it.key() + "\"");
    }
  }

  std::string str(const json& j, const char* key, bool required = false) {
    if (!j.contains(key)) {
      if (required) fail(std::string("missing \"") + key + "\"");
      return {};
    }
    if (!j[key].is_string()) fail(std::string("\"") + key + "\" must be a text");
    return j[key].get<std::string>();
  }

  bool flag(const json& j, const char* key) {
    if (!j.contains(key)) return false;
    if (!j[key].is_boolean()) fail(std::string("\"") + key + "\" must be true or false");
    return j[key].get<bool>();
  }

  int number(const json& j, const char* key) {
    if (!j.contains(key)) return 0;
    if (!j[key].is_number_integer() || j[key].get<long long>() < 0 ||
        j[key].get<long long>() > 100000)
      fail(std::string("\"") + key + "\" must be a whole number from 0");
    return j[key].get<int>();
  }

  data::Value value(const json& v, const std::string& what) {
    if (v.is_boolean()) return std::int64_t{v.get<bool>() ? 1 : 0};
    if (v.is_number_integer()) return static_cast<std::int64_t>(v.get<long long>());
    if (v.is_number_float()) {
      auto d = Decimal::parse(v.dump());
      if (!d) fail(what + " is not a number with at most two places");
      return *d;
    }
    if (v.is_string()) return v.get<std::string>();
    fail(what + " must be a number, a text, true or false");
  }

  // The controls of a list; {"include": "Name"} stands for the controls of the embedded
  // resource of that name, so that a large window can be kept in several files.
  void controlsInto(const json& list, const ControlDef* parent, std::vector<ControlDef>& out) {
    int n = 0;
    for (const json& c : list) {
      if (!c.is_object() || !c.contains("include")) {
        out.push_back(control(c, parent, ++n));
        continue;
      }
      ++n;
      if (c.size() != 1 || !c["include"].is_string()) fail("an include holds only \"include\"");
      const std::string name = c["include"].get<std::string>();
      if (++depth_ > 4) fail("includes nest too deep at " + name);
      const char* text = embeddedText(name);
      if (!text) fail("\"include\" names no window resource: " + name);
      json inc;
      try {
        inc = json::parse(text);
      } catch (const json::parse_error& e) {
        fail("resources/windows/" + name + ".json: not valid JSON: " + e.what());
      }
      if (!inc.is_object() || !inc.contains("controls") || !inc["controls"].is_array())
        fail("resources/windows/" + name + ".json: \"controls\" must be a list");
      std::string_view savedFile = file_;
      std::string fileName = "resources/windows/" + name + ".json";
      file_ = fileName;
      controlsInto(inc["controls"], parent, out);
      file_ = savedFile;
      --depth_;
    }
  }

  static const char* embeddedText(const std::string& name) {
    for (std::size_t i = 0; i < detail::kEmbeddedWindowCount; ++i)
      if (upper(detail::kEmbeddedWindows[i].name) == upper(name))
        return detail::kEmbeddedWindows[i].text;
    return nullptr;
  }

  ControlDef control(const json& j, const ControlDef* parent, int position) {
    std::string saved = where_;
    where_ = "#" + std::to_string(position) + (parent ? " of " + saved : std::string());
    if (!j.is_object()) fail("must be an object");
    ControlDef c;
    std::string kind = str(j, "kind", true);
    bool known = false;
    for (const auto& k : kKinds)
      if (kind == k.name) {
        c.kind = k.kind;
        known = true;
      }
    if (!known) fail("unknown kind \"" + kind + "\"");
    c.name = str(j, "name");
    if (!c.name.empty()) where_ = c.name;
    allow(j, {"kind",     "name",     "text",   "use",      "picture", "required", "hidden",
              "disabled", "readonly", "case",   "lookup",   "for",     "on",       "off",
              "items",    "columns",  "action", "key",      "default", "history",  "width",
              "lines",    "tip",      "icon",   "controls", "across",  "dragTo"});

    bool nameless = c.kind == ControlKind::Prompt || c.kind == ControlKind::String ||
                    c.kind == ControlKind::Group || c.kind == ControlKind::Image;
    if (c.name.empty() && !nameless) fail("a " + kind + " needs a \"name\"");
    if (!c.name.empty()) {
      if (c.name[0] != '?') fail("control names start with \"?\"");
      if (!names_.insert(upper(c.name)).second) fail("the name is used twice");
    }
    if (c.kind == ControlKind::Tab && (!parent || parent->kind != ControlKind::Sheet))
      fail("a tab must be inside a sheet");
    if (parent && parent->kind == ControlKind::Sheet && c.kind != ControlKind::Tab)
      fail("a sheet holds only tabs");

    c.text = str(j, "text");
    c.use = str(j, "use");
    c.picture = str(j, "picture");
    if (!c.picture.empty() && c.picture[0] != '@') fail("a picture starts with \"@\"");
    c.required = flag(j, "required");
    c.hidden = flag(j, "hidden");
    c.disabled = flag(j, "disabled");
    c.readonly = flag(j, "readonly");
    c.history = flag(j, "history");
    c.across = flag(j, "across");
    if (c.across && c.kind != ControlKind::Group) fail("only groups lay their controls across");
    c.dragTo = str(j, "dragTo");
    if (!c.dragTo.empty() && c.kind != ControlKind::List) fail("only lists drag their rows");
    c.isDefault = flag(j, "default");
    c.width = number(j, "width");
    c.lines = number(j, "lines");
    c.tip = str(j, "tip");
    c.icon = str(j, "icon");
    c.lookup = str(j, "lookup");
    c.forControl = str(j, "for");

    std::string cs = str(j, "case");
    if (cs == "upper")
      c.caseMode = CaseMode::Upr;
    else if (cs == "cap")
      c.caseMode = CaseMode::Cap;
    else if (!cs.empty() && cs != "none")
      fail("\"case\" is \"upper\", \"cap\" or \"none\"");

    if (j.contains("on") || j.contains("off")) {
      if (c.kind != ControlKind::Check) fail("\"on\" and \"off\" belong to check boxes");
      if (j.contains("on")) c.onValue = value(j["on"], "\"on\"");
      if (j.contains("off")) c.offValue = value(j["off"], "\"off\"");
    }

    std::string action = str(j, "action");
    if (!action.empty()) {
      if (c.kind != ControlKind::Button) fail("only buttons have an \"action\"");
      bool ok = false;
      for (const auto& a : kActions)
        if (lower(action) == a.name) {
          c.action = a.action;
          ok = true;
        }
      if (!ok) fail("unknown action \"" + action + "\"");
    }
    if (c.action == StandardAction::Calendar && c.forControl.empty())
      fail("a calendar button names its entry in \"for\"");
    std::string key = str(j, "key");
    if (!key.empty()) {
      c.key = keyFromName(key);
      if (c.key == Key::None) fail("unknown key \"" + key + "\"");
    }

    if (j.contains("items")) {
      if (c.kind != ControlKind::DropList && c.kind != ControlKind::DropCombo &&
          c.kind != ControlKind::Radio)
        fail("only drop lists, drop combos and radio groups have \"items\"");
      if (!j["items"].is_array()) fail("\"items\" must be a list");
      int n = 0;
      for (const json& it : j["items"]) {
        ++n;
        ItemDef item;
        std::string what = "item " + std::to_string(n);
        if (it.is_string()) {
          item.text = it.get<std::string>();
          item.value = item.text;
        } else if (it.is_object()) {
          for (auto f = it.begin(); f != it.end(); ++f)
            if (f.key() != "text" && f.key() != "value")
              fail(what + ": unknown attribute \"" + f.key() + "\"");
          if (!it.contains("text") || !it["text"].is_string()) fail(what + ": missing \"text\"");
          item.text = it["text"].get<std::string>();
          item.value = it.contains("value") ? value(it["value"], what + " value") : item.text;
        } else {
          fail(what + " must be a text or an object");
        }
        c.items.push_back(std::move(item));
      }
    }
    if (c.kind == ControlKind::Radio && c.items.empty()) fail("a radio group needs \"items\"");

    if (j.contains("columns")) {
      if (c.kind != ControlKind::List) fail("only lists have \"columns\"");
      if (!j["columns"].is_array()) fail("\"columns\" must be a list");
      int n = 0;
      for (const json& col : j["columns"]) {
        ++n;
        std::string what = "column " + std::to_string(n);
        if (!col.is_object()) fail(what + " must be an object");
        for (auto f = col.begin(); f != col.end(); ++f) {
          static const std::set<std::string> keys = {"header", "use",  "picture", "width",
                                                     "group",  "icon", "right"};
          if (!keys.count(f.key())) fail(what + ": unknown attribute \"" + f.key() + "\"");
        }
        ColumnDef cd;
        std::string save = where_;
        where_ = where_ + " " + what;
        cd.header = str(col, "header");
        cd.use = str(col, "use", true);
        cd.picture = str(col, "picture");
        cd.width = number(col, "width");
        cd.group = str(col, "group");
        cd.icon = flag(col, "icon");
        cd.right = flag(col, "right");
        where_ = save;
        c.columns.push_back(std::move(cd));
      }
    }
    if (c.kind == ControlKind::List && c.columns.empty()) fail("a list needs \"columns\"");

    if (j.contains("controls")) {
      if (c.kind != ControlKind::Sheet && c.kind != ControlKind::Tab &&
          c.kind != ControlKind::Group)
        fail("only sheets, tabs and groups hold \"controls\"");
      if (!j["controls"].is_array()) fail("\"controls\" must be a list");
      controlsInto(j["controls"], &c, c.children);
    }
    if (c.kind == ControlKind::Sheet && c.children.empty()) fail("a sheet needs tabs");
    where_ = saved;
    return c;
  }

  void checkLinks(const WindowDef& w) {
    for (const ControlDef* c : flatten(w)) {
      where_ = c->name.empty() ? std::string(kindName(c->kind)) + " \"" + c->text + "\"" : c->name;
      if (!c->lookup.empty() && !names_.count(upper(c->lookup)))
        fail("\"lookup\" names no control: " + c->lookup);
      if (!c->forControl.empty() && !names_.count(upper(c->forControl)))
        fail("\"for\" names no control: " + c->forControl);
      if (!c->dragTo.empty()) {
        const ControlDef* target = nullptr;
        for (const ControlDef* t : flatten(w))
          if (upper(t->name) == upper(c->dragTo)) target = t;
        if (!target || target->kind != ControlKind::List || target == c)
          fail("\"dragTo\" names no other list: " + c->dragTo);
      }
    }
    where_.clear();
  }

  std::string_view file_;
  int depth_ = 0;
  std::string where_;
  std::set<std::string> names_;
};

void flattenInto(const std::vector<ControlDef>& list, std::vector<const ControlDef*>& out) {
  for (const ControlDef& c : list) {
    out.push_back(&c);
    flattenInto(c.children, out);
  }
}

struct Catalog {
  std::mutex lock;
  std::map<std::string, std::unique_ptr<WindowDef>, std::less<>> parsed;  // upper-cased name
};

Catalog& catalog() {
  static Catalog c;
  return c;
}

}  // namespace

const char* kindName(ControlKind kind) {
  for (const auto& k : kKinds)
    if (k.kind == kind) return k.name;
  return "?";
}

const char* actionName(StandardAction action) {
  for (const auto& a : kActions)
    if (a.action == action) return a.name;
  return "?";
}

Key keyFromName(std::string_view name) {
  std::string want = upper(name);
  for (const auto& k : kKeys)
    if (upper(k.name) == want) return k.key;
  if (want == "CTRL-H") return Key::CtrlH;
  if (want == "CTRL-K") return Key::CtrlK;
  if (want == "CTRL-CLICK") return Key::CtrlClick;
  if (want == "ESC") return Key::Escape;
  if (want == "INS") return Key::Insert;
  if (want == "DEL") return Key::Delete;
  return Key::None;
}

const char* keyName(Key key) {
  for (const auto& k : kKeys)
    if (k.key == key) return k.name;
  return "None";
}

WindowDef parseWindowDef(std::string_view text, std::string_view fileName) {
  json j;
  try {
    j = json::parse(text);
  } catch (const json::parse_error& e) {
    throw WindowDefError(std::string(fileName) + ": not valid JSON: " + e.what());
  }
  return Parser(fileName).window(j);
}

const WindowDef& windowDef(std::string_view name) {
  Catalog& c = catalog();
  std::lock_guard<std::mutex> hold(c.lock);
  std::string key = upper(name);
  auto it = c.parsed.find(key);
  if (it != c.parsed.end()) return *it->second;
  for (std::size_t i = 0; i < detail::kEmbeddedWindowCount; ++i) {
    const auto& f = detail::kEmbeddedWindows[i];
    if (upper(f.name) != key) continue;
    std::string file = std::string("resources/windows/") + f.name + ".json";
    auto def = std::make_unique<WindowDef>(parseWindowDef(f.text, file));
    if (upper(def->name) != key)
      throw WindowDefError(file + ": \"name\" is " + def->name + ", not the file's name");
    return *c.parsed.emplace(key, std::move(def)).first->second;
  }
  throw WindowDefError("no window resource named " + std::string(name));
}

std::vector<std::string> windowDefNames() {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < detail::kEmbeddedWindowCount; ++i)
    out.emplace_back(detail::kEmbeddedWindows[i].name);
  return out;
}

std::vector<const ControlDef*> flatten(const WindowDef& def) {
  std::vector<const ControlDef*> out;
  flattenInto(def.controls, out);
  return out;
}

}  // namespace koreq::ui
