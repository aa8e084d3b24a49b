#include "ui/qt/help_pages.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "runtime/text.h"

namespace koreq::ui::qt {

namespace fs = std::filesystem;

namespace {

std::string trimmed(std::string_view s) {
  std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  std::size_t e = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(b, e - b + 1));
}

bool isPageName(std::string_view name) {
  std::string l = lower(name);
  auto endsWith = [&l](std::string_view suffix) {
    return l.size() >= suffix.size() &&
           l.compare(l.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  return endsWith(".htm") || endsWith(".html");
}

// The file under `folder` at `relative`, each part matched without regard to case when it is
// not there as written.
std::optional<fs::path> findFile(const fs::path& folder, const fs::path& relative) {
  std::error_code ec;
  fs::path exact = folder / relative;
  if (fs::is_regular_file(exact, ec)) return exact;
  fs::path at = folder;
  for (const fs::path& part : relative) {
    if (part.empty() || part == ".") continue;
    if (part == "..") return std::nullopt;  // topics stay inside the help folder
    std::optional<fs::path> next;
    const std::string want = lower(part.string());
    for (fs::directory_iterator it(at, ec), end; !ec && it != end; it.increment(ec))
      if (lower(it->path().filename().string()) == want) {
        next = it->path();
        break;
      }
    if (!next) return std::nullopt;
    at = *next;
  }
  if (!fs::is_regular_file(at, ec)) return std::nullopt;
  return at;
}

std::vector<fs::path> pagesUnder(const fs::path& dir) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec) && isPageName(it->path().filename().string()))
      out.push_back(it->path());
  std::sort(out.begin(), out.end());
  return out;
}

// The anchor as the page spells it, or "" when the page has no such place.
std::string anchorIn(const fs::path& page, std::string_view anchor) {
  const std::string want = lower(anchor);
  for (const std::string& a : helpAnchors(page))
    if (lower(a) == want) return a;
  return {};
}

}  // namespace

std::vector<std::string> helpAnchors(const fs::path& page) {
  std::ifstream in(page, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string html = text.str();
  static const std::regex kAnchor(
      R"re(<a\s[^>]*\bname\s*=\s*["']([^"']+)["']|\bid\s*=\s*["']([^"']+)["'])re",
      std::regex::icase);
  std::vector<std::string> out;
  for (std::sregex_iterator it(html.begin(), html.end(), kAnchor), end; it != end; ++it)
    out.push_back((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
  return out;
}

std::optional<HelpPlace> resolveHelpTopic(const fs::path& folder, std::string_view topic) {
  std::string t = trimmed(topic);
  std::string file, anchor;
  if (std::size_t hash = t.find('#'); hash != std::string::npos) {
    file = trimmed(t.substr(0, hash));
    anchor = trimmed(t.substr(hash + 1));
    // A help file that is not one of our pages only carries the topic.
    if (!isPageName(file)) {
      t = anchor;
      file.clear();
      anchor.clear();
    }
  }
  if (file.empty()) {
    if (!t.empty() && t.front() == '~') t = trimmed(t.substr(1));
    if (t.empty()) t = "html/index.htm";
    if (isPageName(t)) {
      file = t;
    } else {
      // A bare name: its own page, else a place of that name in one of the pages.
      if (auto page = findFile(folder, fs::path("html") / (t + ".htm")))
        return HelpPlace{*page, {}};
      for (const fs::path& page : pagesUnder(folder / "html")) {
        std::string a = anchorIn(page, t);
        if (!a.empty()) return HelpPlace{page, a};
      }
      return std::nullopt;
    }
  }
  if (!file.empty() && file.front() == '~') file = trimmed(file.substr(1));
  std::optional<fs::path> page = findFile(folder, fs::path(file));
  // "EC_Equipment.htm" without its folder is a page under html/ all the same.
  if (!page && fs::path(file).parent_path().empty())
    page = findFile(folder, fs::path("html") / file);
  if (!page) return std::nullopt;
  return HelpPlace{*page, anchor.empty() ? std::string() : anchorIn(*page, anchor)};
}

}  // namespace koreq::ui::qt
