#include "suite/spell/spell_checker.h"

#include "frame/module.h"

#include <hunspell/hunspell.hxx>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

#include "runtime/picture.h"
#include "runtime/text.h"
#include "ui/model/procedure.h"

namespace koreq::suite {

namespace fs = std::filesystem;

namespace {

bool wordByte(unsigned char c) {
  return std::isalnum(c) || c == '\'' || c >= 0x80;  // UTF-8 letters pass whole
}

bool isFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// Hunspell ranks the suggestions of a capitalised word poorly ("Teh" gives "The" far down,
// "teh" gives "the" first): a capitalised word also gets its lower-case form's suggestions,
// capitalised, ahead of its own.
std::vector<std::string> suggestionsFor(Hunspell& h, const std::string& word) {
  std::vector<std::string> own = h.suggest(word);
  bool capitalised = word.size() > 1 && std::isupper(static_cast<unsigned char>(word[0])) &&
                     std::none_of(word.begin() + 1, word.end(), [](char c) {
                       return std::isupper(static_cast<unsigned char>(c));
                     });
  if (!capitalised) return own;
  std::string lower = word;
  lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
  std::vector<std::string> out;
  for (std::string s : h.suggest(lower)) {
    if (!s.empty()) s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    if (std::find(out.begin(), out.end(), s) == out.end()) out.push_back(std::move(s));
  }
  for (std::string& s : own)
    if (std::find(out.begin(), out.end(), s) == out.end()) out.push_back(std::move(s));
  return out;
}

}  // namespace

SpellChecker::SpellChecker(SpellSetup setup) : setup_(std::move(setup)) {
  language_ = clipped(setup_.language);
  if (language_.empty()) language_ = "en_US";
  // A dictionary the user put in the ASpell folder wins over the system's.
  fs::path own = setup_.userFolder / (language_ + ".dic");
  fs::path system = setup_.dictionary.empty()
                        ? fs::path()
                        : setup_.dictionary.parent_path() / (language_ + ".dic");
  for (const fs::path& dic : {own, system}) {
    if (dic.empty() || !isFile(dic)) continue;
    fs::path aff = fs::path(dic).replace_extension(".aff");
    if (!isFile(aff)) continue;
    dicFile_ = dic;
    hunspell_ = std::make_unique<Hunspell>(aff.c_str(), dic.c_str());
    break;
  }
  if (!hunspell_) {
    error_ = "No dictionary was found for the language " + language_ + ". Install the " +
             language_ + " dictionary or copy " + language_ + ".aff and " + language_ +
             ".dic into " + setup_.userFolder.string() + ".";
    return;
  }
  std::ifstream in(personalFile());
  for (std::string line; std::getline(in, line);) {
    line = clipped(line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) hunspell_->add(line);
  }
}

SpellChecker::~SpellChecker() = default;

fs::path SpellChecker::personalFile() const {
  return setup_.userFolder / (setup_.module + "." + language_ + ".pws");
}

bool SpellChecker::correct(std::string_view word) const {
  if (!hunspell_) return false;
  std::string w(word);
  return ignored_.count(w) > 0 || hunspell_->spell(w);
}

std::vector<Misspelling> SpellChecker::check(std::string_view text,
                                             std::size_t maxSuggestions) const {
  std::vector<Misspelling> out;
  if (!hunspell_) return out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (!wordByte(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    std::size_t start = i;
    while (i < text.size() && wordByte(static_cast<unsigned char>(text[i]))) ++i;
    std::size_t end = i;
    // Quotes around a word are not part of it.
    while (start < end && text[start] == '\'') ++start;
    while (end > start && text[end - 1] == '\'') --end;
    std::string_view word = text.substr(start, end - start);
    if (word.empty() || std::any_of(word.begin(), word.end(), [](char c) {
          return std::isdigit(static_cast<unsigned char>(c));
        }))
      continue;
    if (correct(word)) continue;
    Misspelling m;
    m.position = start;
    m.word = std::string(word);
    m.suggestions = suggestionsFor(*hunspell_, m.word);
    if (m.suggestions.size() > maxSuggestions) m.suggestions.resize(maxSuggestions);
    out.push_back(std::move(m));
  }
  return out;
}

bool SpellChecker::addWord(std::string_view word) {
  std::string w = clipped(trimLeft(word));
  if (w.empty() || w.find_first_of(" \t\r\n") != std::string::npos) return false;
  std::error_code ec;
  fs::create_directories(setup_.userFolder, ec);
  std::ofstream out(personalFile(), std::ios::app);
  out << w << '\n';
  out.close();
  if (!out) return false;
  if (hunspell_) hunspell_->add(w);
  return true;
}

void SpellChecker::ignoreAll(std::string_view word) {
  ignored_.insert(std::string(word));
}

std::optional<std::string> SpellChecker::checkInteractively(ui::UserPort& port,
                                                            const std::string& text) {
  if (!ready()) {
    port.message(error_, kSpellErrorCaption, ui::Icon::Exclamation);
    return std::nullopt;
  }
  std::string result = text;
  bool changed = false;
  std::size_t from = 0;
  for (;;) {
    std::vector<Misspelling> found = check(std::string_view(result).substr(from));
    if (found.empty()) break;
    Misspelling m = std::move(found.front());
    m.position += from;
    // The word heads the menu, disabled, so the user sees what is asked about.
    std::string items = "~" + m.word + "|-";
    for (const std::string& s : m.suggestions) items += "|" + s;
    items += "|-|Ignore|Ignore All|Add to Dictionary|Cancel";
    int n = static_cast<int>(m.suggestions.size());
    int choice = port.popupMenu(items);
    if (choice >= 2 && choice <= n + 1) {
      const std::string& s = m.suggestions[static_cast<std::size_t>(choice - 2)];
      result.replace(m.position, m.word.size(), s);
      from = m.position + s.size();
      changed = true;
      continue;
    }
    if (choice == n + 2) {
      from = m.position + m.word.size();
    } else if (choice == n + 3) {
      ignoreAll(m.word);
      from = m.position + m.word.size();
    } else if (choice == n + 4) {
      if (!addWord(m.word)) {
        port.message(
            "The word \"" + m.word + "\" could not be added to " + personalFile().string() + ".",
            kSpellErrorCaption, ui::Icon::Exclamation);
        ignoreAll(m.word);
      }
      from = m.position + m.word.size();
    } else {
      // Cancel, or the menu closed without a choice: the replacements made so far stay.
      return changed ? std::optional<std::string>(result) : std::nullopt;
    }
  }
  port.message(kSpellCompleteMessage, "Spelling", ui::Icon::Information, "&OK");
  return changed ? std::optional<std::string>(result) : std::nullopt;
}

WindowSpellCheck::WindowSpellCheck(fs::path systemDictionary, std::string language)
    : systemDictionary_(std::move(systemDictionary)), language_(std::move(language)) {}

SpellSetup WindowSpellCheck::setupFor(frame::Context& ctx) const {
  SpellSetup s;
  // The personal dictionary belongs to the user, never to whatever folder the program runs in.
  std::string control = clipped(ctx.session().g.CONTROLPATH.str());
  s.userFolder = (control.empty() ? frame::defaultSettingsFolder() : fs::path(control)) / "ASpell";
  s.dictionary = systemDictionary_;
  s.language = language_;
  return s;
}

std::optional<std::string> WindowSpellCheck::checkText(ui::Procedure& window,
                                                       const std::string& text) {
  SpellSetup setup = setupFor(window.ctx());
  std::string key = setup.userFolder.string();
  auto it = checkers_.find(key);
  if (it == checkers_.end()) {
    auto checker = std::make_unique<SpellChecker>(setup);
    // A failed set-up is not kept: a dictionary installed later is found on the next F7.
    if (!checker->ready()) return checker->checkInteractively(window.port(), text);
    it = checkers_.emplace(key, std::move(checker)).first;
  }
  return it->second->checkInteractively(window.port(), text);
}

}  // namespace koreq::suite
