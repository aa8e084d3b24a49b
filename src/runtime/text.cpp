#include "runtime/text.h"

#include <algorithm>

namespace koreq {

std::string_view clip(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

std::string clipped(std::string_view s) {
  return std::string(clip(s));
}

std::string padRight(std::string_view s, std::size_t n) {
  const std::string_view cut = firstChars(s, n);
  const std::size_t chars = charCount(cut);
  std::string r;
  r.reserve(cut.size() + (chars < n ? n - chars : 0));
  r.assign(cut);
  if (chars < n) r.append(n - chars, ' ');
  return r;
}

namespace {
// Latin-1 letters live in U+00C0..U+00FE (less × and ÷), encoded as C3 80..C3 BE in UTF-8;
// upper and lower case differ by 0x20 in the second byte.
template <bool ToUpper>
std::string changeCase(std::string_view s) {
  std::string r(s);
  for (std::size_t i = 0; i < r.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(r[i]);
    if (ToUpper && c >= 'a' && c <= 'z') {
      r[i] = static_cast<char>(c - 32);
    } else if (!ToUpper && c >= 'A' && c <= 'Z') {
      r[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < r.size()) {
      unsigned char d = static_cast<unsigned char>(r[i + 1]);
      if (ToUpper && d >= 0xA0 && d <= 0xBE && d != 0xB7) r[i + 1] = static_cast<char>(d - 0x20);
      if (!ToUpper && d >= 0x80 && d <= 0x9E && d != 0x97) r[i + 1] = static_cast<char>(d + 0x20);
      ++i;
    }
  }
  return r;
}
}  // namespace

std::string upper(std::string_view s) {
  return changeCase<true>(s);
}
std::string lower(std::string_view s) {
  return changeCase<false>(s);
}

bool sameText(std::string_view a, std::string_view b) {
  return clip(a) == clip(b);
}

std::string cutToChars(std::string_view s, std::size_t n) {
  return std::string(firstChars(s, n));
}

std::string_view firstChars(std::string_view s, std::size_t n) {
  if (s.size() <= n) return s;  // no more bytes than characters wanted
  std::size_t chars = 0, i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80         ? 1
                      : (c >> 5) == 6  ? 2
                      : (c >> 4) == 14 ? 3
                      : (c >> 3) == 30 ? 4
                                       : 1;
    if (chars == n) break;
    i += len;
    ++chars;
  }
  return s.substr(0, std::min(i, s.size()));
}

std::size_t charCount(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::optional<CaseMode> caseModeFromText(std::string_view code) {
  std::string c = upper(clip(code));
  std::string_view v = c;
  while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
  if (v == "DEF") return CaseMode::Def;
  if (v == "CAP") return CaseMode::Cap;
  if (v == "UPR") return CaseMode::Upr;
  return std::nullopt;
}

std::string caseModeText(CaseMode mode) {
  switch (mode) {
    case CaseMode::Cap:
      return "CAP";
    case CaseMode::Upr:
      return "UPR";
    case CaseMode::Def:
      break;
  }
  return "DEF";
}

std::string applyCase(std::string_view s, CaseMode mode) {
  if (mode == CaseMode::Upr) return upper(s);
  if (mode == CaseMode::Def) return std::string(s);
  std::string r;
  r.reserve(s.size());
  bool inWord = false;
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    // Every byte of a multi-byte character belongs to a word.
    std::size_t len = 1;
    if (c >= 0x80) {
      len = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
      len = std::min(len, s.size() - i);
    }
    std::string_view ch = s.substr(i, len);
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
    bool wordChar = letter || (c >= '0' && c <= '9') || c == '\'';
    r += letter && !inWord ? upper(ch) : std::string(ch);
    inWord = wordChar;
    i += len;
  }
  return r;
}

}  // namespace koreq
