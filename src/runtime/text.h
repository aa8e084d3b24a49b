#pragma once

#include <compare>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace koreq {

// Text with trailing blanks removed ("clipped").
std::string_view clip(std::string_view s);
std::string clipped(std::string_view s);
// Blank-padded (or cut) to exactly n characters.
std::string padRight(std::string_view s, std::size_t n);
// Upper/lower case of plain ASCII and the Latin-1 letters (UTF-8 encoded).
std::string upper(std::string_view s);
std::string lower(std::string_view s);
// Whether two texts are equal once clipped.
bool sameText(std::string_view a, std::string_view b);
// Cuts a UTF-8 text to at most n characters without splitting a character.
std::string cutToChars(std::string_view s, std::size_t n);
// The same without a copy: the first n characters of s.
std::string_view firstChars(std::string_view s, std::size_t n);
std::size_t charCount(std::string_view s);

// How an entry's text is cased as it is typed: "DEF" as typed, "CAP" the first letter of every
// word upper case (the other letters stay as typed, so "McDonald" survives), "UPR" all upper.
// A word starts at a letter that follows neither a letter, a digit nor an apostrophe: "o'neil
// 3rd st" becomes "O'neil 3rd St".
enum class CaseMode { Def, Cap, Upr };
// Accepts the three codes in either case, blanks around them ignored.
std::optional<CaseMode> caseModeFromText(std::string_view code);
std::string caseModeText(CaseMode mode);
std::string applyCase(std::string_view s, CaseMode mode);

// A fixed-length text field of at most N characters: assigning a longer text cuts it, trailing
// blanks never count (kept clipped). Converts to and from std::string freely.
template <std::size_t N>
class Str {
 public:
  static constexpr std::size_t kLength = N;
  Str() = default;
  Str(std::string_view s) { assign(s); }    // NOLINT(implicit)
  Str(const char* s) { assign(s); }         // NOLINT(implicit)
  Str(const std::string& s) { assign(s); }  // NOLINT(implicit)
  Str& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  Str& operator=(const char* s) { return *this = std::string_view(s); }
  Str& operator=(const std::string& s) { return *this = std::string_view(s); }

  const std::string& str() const { return v_; }
  operator const std::string&() const { return v_; }  // NOLINT(implicit)
  const char* c_str() const { return v_.c_str(); }
  bool empty() const { return v_.empty(); }
  std::size_t size() const { return v_.size(); }
  // Blank-padded to its full length, as composite keys are built.
  std::string padded() const { return padRight(v_, N); }

  friend bool operator==(const Str& a, const Str& b) { return a.v_ == b.v_; }
  friend bool operator==(const Str& a, std::string_view b) { return a.v_ == clip(b); }
  friend bool operator==(const Str& a, const char* b) { return a.v_ == clip(b); }
  friend bool operator==(const Str& a, const std::string& b) { return a.v_ == clip(b); }
  friend auto operator<=>(const Str& a, const Str& b) { return a.v_ <=> b.v_; }

 private:
  // In place: a record read row after row reuses the text's storage.
  void assign(std::string_view s) { v_.assign(clip(firstChars(s, N))); }
  std::string v_;
};

}  // namespace koreq
