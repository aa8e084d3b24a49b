#pragma once

// Spell checking with Hunspell. A checker is set up as every window sets up its own: the
// dictionary of the language, the user's own word list in the ASpell folder under CONTROLPATH,
// the error caption "Spell Check Error". WindowSpellCheck is the service the desktop carries so
// that F7 in any window checks the control that has the focus.

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ui/model/desktop.h"

class Hunspell;

namespace koreq::suite {

inline constexpr const char* kSpellErrorCaption = "Spell Check Error";
inline constexpr const char* kSpellCompleteMessage = "The spelling check is complete.";

struct SpellSetup {
  std::filesystem::path userFolder;  // CONTROLPATH + "/ASpell/": personal list, own dictionaries
  std::filesystem::path dictionary;  // the system's .dic of the language (its .aff beside it)
  std::string language;              // blank means "en_US"
  std::string module = "koreq";      // names the personal word list
};

struct Misspelling {
  std::size_t position = 0;  // byte offset in the text
  std::string word;
  std::vector<std::string> suggestions;
};

class SpellChecker {
 public:
  explicit SpellChecker(SpellSetup setup);
  ~SpellChecker();
  SpellChecker(const SpellChecker&) = delete;
  SpellChecker& operator=(const SpellChecker&) = delete;

  // False when no dictionary could be loaded; error() then says why.
  bool ready() const { return hunspell_ != nullptr; }
  const std::string& error() const { return error_; }
  const std::string& language() const { return language_; }
  // The .dic file in use: the user folder's own one for the language, else the system's.
  const std::filesystem::path& dictionaryFile() const { return dicFile_; }
  // The user's word list: one word a line.
  std::filesystem::path personalFile() const;

  bool correct(std::string_view word) const;
  // The misspelled words of a text in order, each with up to `maxSuggestions` suggestions.
  // Words with digits in them (model numbers, IDs) are not checked.
  std::vector<Misspelling> check(std::string_view text, std::size_t maxSuggestions = 8) const;
  // "Add to Dictionary": appended to the personal list and accepted at once. False when the
  // word is blank or the list cannot be written.
  bool addWord(std::string_view word);
  // "Ignore All": accepted for as long as this checker lives.
  void ignoreAll(std::string_view word);

  // A check of one text with the user: for each misspelled word a pop-up menu of its
  // suggestions and Ignore, Ignore All, Add to Dictionary, Cancel. Ends with the completion
  // message unless cancelled. The text with the chosen replacements, or nothing when none was
  // made. Without a dictionary the error is shown under "Spell Check Error".
  std::optional<std::string> checkInteractively(ui::UserPort& port, const std::string& text);

 private:
  SpellSetup setup_;
  std::string language_, error_;
  std::filesystem::path dicFile_;
  std::unique_ptr<Hunspell> hunspell_;
  std::set<std::string> ignored_;
};

// The desktop's F7 service: a checker per user folder (CONTROLPATH of the window's company),
// made on first use. `systemDictionary` is the module's (Module::dictionaryPath()), `language`
// the module's spell-check language.
class WindowSpellCheck : public ui::SpellCheckService {
 public:
  WindowSpellCheck(std::filesystem::path systemDictionary, std::string language);
  std::optional<std::string> checkText(ui::Procedure& window, const std::string& text) override;
  // The set-up a window of this context gets.
  SpellSetup setupFor(frame::Context& ctx) const;

 private:
  std::filesystem::path systemDictionary_;
  std::string language_;
  std::map<std::string, std::unique_ptr<SpellChecker>> checkers_;
};

}  // namespace koreq::suite
