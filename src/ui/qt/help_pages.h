#pragma once

// Where a help topic leads among the help pages. Windows name their topics three ways:
//   "html/EC_Equipment.htm#ec_photograph_tab"   a page of the help folder and a place in it;
//   "UpdateEQCost", "~EC_Insert_or_..."          a bare name: a page of that name under html/,
//                                                else a place of that name in any page there;
//   "koreq.chm#~EC_Insert_or_..."                a help file (HELPNAME) and a topic in it: the
//                                                file is not ours, the topic is looked up.
// A leading "~" is dropped. Pages and bare names are matched without regard to case; the
// place returned is spelt as the page spells it, since the browser matches places exactly.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace koreq::ui::qt {

struct HelpPlace {
  std::filesystem::path page;  // absolute or relative to nothing: the file to show
  std::string anchor;          // "" for the top of the page
};

// The places a page names: <a name="..."> and id="..." attributes, in page order.
std::vector<std::string> helpAnchors(const std::filesystem::path& page);

// The page and place a topic leads to in `folder` (the help folder, which holds html/). An
// empty topic leads to the contents, html/index.htm. Nothing when no page fits; a page that
// lacks the place named still leads to its top (anchor "").
std::optional<HelpPlace> resolveHelpTopic(const std::filesystem::path& folder,
                                          std::string_view topic);

}  // namespace koreq::ui::qt
