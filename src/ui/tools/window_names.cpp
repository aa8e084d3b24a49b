// Writes one C++ header per window resource (resources/windows/NAME.json → windows/NAME.h), so
// that procedures name their window and its controls by constants and a misspelt name fails
// to compile:
//
//   namespace koreq::windows::UpdateEQBatch {
//   inline constexpr char kName[] = "UpdateEQBatch";          // the window, as windowDef loads it
//   inline constexpr char kHelp[] = "html/...";               // its help topic
//   inline constexpr char EQB_BatchID[] = "?EQB:BatchID";     // one per named control
//   inline constexpr int SHEET_TabCount = 7;                  // one per sheet: its tabs
//   inline constexpr std::array<const char*, N> kControls{...};  // every control, window order
//   }
//
// A control's constant is its name without the "?", each ":" made "_" ("?BROWSE:1" →
// BROWSE_1). Controls of included resources belong to the including window too. A name that
// cannot become a C++ name, or two names that become one, fail the build with the file name;
// so does a file that cannot be read. Also writes windows/index.h: every window's names, for
// the test that holds them against the window loader.
//
// Usage: koreq_window_names OUTPUT_DIR FILE.json...   Headers whose text is unchanged are not
// rewritten (so unchanged windows rebuild nothing); stale headers are removed.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Resource {
  fs::path file;
  json doc;
};

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

bool cppName(const std::string& s) {
  if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

// "?EQB:BatchID" → "EQB_BatchID"; empty when the name cannot be one.
std::string identifier(const std::string& control) {
  if (control.size() < 2 || control[0] != '?') return {};
  std::string id = control.substr(1);
  std::replace(id.begin(), id.end(), ':', '_');
  return cppName(id) ? id : std::string();
}

class Window {
 public:
  Window(const std::map<std::string, Resource>& all, const Resource& res) : all_(all) {
    const std::string file = res.file.filename().string();
    if (!res.doc.is_object() || !res.doc.contains("controls") || !res.doc["controls"].is_array())
      throw Failure(file + ": \"controls\" must be a list");
    for (const char* own : {"kName", "kHelp", "kControls"}) taken_[own] = "(generated)";
    walk(res.doc["controls"], file, 0);
  }

  struct Constant {
    std::string id;
    std::string value;
  };
  std::vector<Constant> controls;
  std::vector<std::pair<std::string, int>> sheets;  // identifier, number of tabs

 private:
  void walk(const json& list, const std::string& file, int depth) {
    for (const json& c : list) {
      if (!c.is_object()) throw Failure(file + ": a control must be an object");
      if (c.contains("include")) {
        const std::string inc = c["include"].is_string() ? c["include"].get<std::string>() : "";
        auto it = all_.find(upper(inc));
        if (it == all_.end())
          throw Failure(file + ": \"include\" names no window resource: " + inc);
        if (depth >= 4) throw Failure(file + ": includes nest too deep at " + inc);
        const json& doc = it->second.doc;
        if (!doc.is_object() || !doc.contains("controls") || !doc["controls"].is_array())
          throw Failure(it->second.file.filename().string() + ": \"controls\" must be a list");
        walk(doc["controls"], it->second.file.filename().string(), depth + 1);
        continue;
      }
      std::string id;
      if (c.contains("name")) {
        if (!c["name"].is_string()) throw Failure(file + ": a control's \"name\" must be a text");
        const std::string name = c["name"].get<std::string>();
        id = identifier(name);
        if (id.empty())
          throw Failure(file + ": control " + name +
                        ": a name is \"?\" then letters, digits, \"_\" and \":\", not starting "
                        "with a digit");
        claim(id, name, file);
        controls.push_back({id, name});
      }
      if (!c.contains("controls")) continue;
      if (!c["controls"].is_array()) throw Failure(file + ": \"controls\" must be a list");
      if (c.value("kind", "") == "sheet" && !id.empty()) {
        int tabs = 0;
        countTabs(c["controls"], tabs);
        sheets.emplace_back(id + "_TabCount", tabs);
        claim(id + "_TabCount", c["name"].get<std::string>() + "'s tab count", file);
      }
      walk(c["controls"], file, depth);
    }
  }

  void countTabs(const json& list, int& tabs) const {
    for (const json& c : list) {
      if (c.is_object() && c.contains("include")) {
        auto it = all_.find(upper(c["include"].is_string() ? c["include"].get<std::string>() : ""));
        if (it != all_.end() && it->second.doc.contains("controls"))
          countTabs(it->second.doc["controls"], tabs);
      } else if (c.is_object() && c.value("kind", "") == "tab") {
        ++tabs;
      }
    }
  }

  void claim(const std::string& id, const std::string& what, const std::string& file) {
    auto [it, fresh] = taken_.emplace(id, what);
    if (!fresh)
      throw Failure(file + ": control " + what + " and " + it->second +
                    " both become the C++ name " + id);
  }

  const std::map<std::string, Resource>& all_;
  std::map<std::string, std::string> taken_;  // identifier → the name it came from
};

std::string header(const std::string& stem, const Resource& res, const Window& w) {
  const json& j = res.doc;
  if (j.contains("help") && !j["help"].is_string())
    throw Failure(res.file.filename().string() + ": \"help\" must be a text");
  const std::string help = j.value("help", "");
  std::ostringstream h;
  h << "// Generated from resources/windows/" << res.file.filename().string()
    << " by koreq_window_names: do not edit.\n"
    << "#pragma once\n\n#include <array>\n\n"
    << "namespace koreq::windows::" << stem << " {\n\n"
    << "inline constexpr char kName[] = " << quoted(stem) << ";\n"
    << "inline constexpr char kHelp[] = " << quoted(help) << ";\n\n";
  for (const auto& c : w.controls)
    h << "inline constexpr char " << c.id << "[] = " << quoted(c.value) << ";\n";
  if (!w.sheets.empty()) h << "\n";
  for (const auto& [id, tabs] : w.sheets)
    h << "inline constexpr int " << id << " = " << tabs << ";\n";
  h << "\ninline constexpr std::array<const char*, " << w.controls.size() << "> kControls{";
  for (std::size_t i = 0; i < w.controls.size(); ++i)
    h << (i ? ", " : "") << (i % 4 == 0 ? "\n    " : "") << w.controls[i].id;
  h << "};\n\n}  // namespace koreq::windows::" << stem << "\n";
  return h.str();
}

std::string index(const std::vector<std::string>& stems) {
  std::ostringstream h;
  h << "// Generated by koreq_window_names: do not edit. Every window's names, for tests.\n"
    << "#pragma once\n\n#include <span>\n\n";
  for (const auto& s : stems) h << "#include \"windows/" << s << ".h\"\n";
  h << "\nnamespace koreq::windows {\n\n"
    << "struct WindowNames {\n  const char* name;\n  std::span<const char* const> controls;\n};\n\n"
    << "inline constexpr WindowNames kAllWindows[] = {\n";
  for (const auto& s : stems) h << "    {" << s << "::kName, " << s << "::kControls},\n";
  h << "};\n\n}  // namespace koreq::windows\n";
  return h.str();
}

void writeIfDifferent(const fs::path& path, const std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (in) {
    std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (old == text) return;
  }
  in.close();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw Failure(path.string() + ": cannot be written");
}

Resource load(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Failure(file.string() + ": cannot be read");
  try {
    return {file, json::parse(in)};
  } catch (const json::exception& e) {
    throw Failure(file.string() + ": not valid JSON: " + e.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: koreq_window_names OUTPUT_DIR FILE.json...\n";
    return 2;
  }
  try {
    const fs::path out = argv[1];
    std::map<std::string, Resource> all;  // key: upper-cased file stem, as includes name them
    std::vector<std::string> stems;
    for (int i = 2; i < argc; ++i) {
      Resource r = load(argv[i]);
      const std::string stem = r.file.stem().string();
      if (!cppName(stem) || stem == "index")
        throw Failure(r.file.string() + ": the file name cannot name a C++ namespace");
      if (!all.emplace(upper(stem), std::move(r)).second)
        throw Failure(std::string(argv[i]) + ": a second resource of that name");
      stems.push_back(stem);
    }
    std::sort(stems.begin(), stems.end());
    fs::create_directories(out);
    std::set<fs::path> written;
    for (const auto& stem : stems) {
      const Resource& res = all.at(upper(stem));
      const Window w(all, res);
      const fs::path path = out / (stem + ".h");
      writeIfDifferent(path, header(stem, res, w));
      written.insert(path);
    }
    writeIfDifferent(out / "index.h", index(stems));
    written.insert(out / "index.h");
    // A header left from a removed window would still compile against the stale names.
    for (const auto& e : fs::directory_iterator(out))
      if (e.path().extension() == ".h" && !written.count(e.path())) fs::remove(e.path());
  } catch (const std::exception& e) {
    std::cerr << "koreq_window_names: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
