#include "reportframe/display_strings.h"

#include "runtime/ini.h"
#include "runtime/text.h"

namespace koreq::reportframe {

namespace {

struct Entry {
  const char* key;
  std::string DisplayStrings::*member;
  std::size_t length;
};

constexpr Entry kEntries[] = {
    {"ProgWinTitlePrvw", &DisplayStrings::ProgWinTitlePrvw, 64},
    {"ProgWinTitlePrnt", &DisplayStrings::ProgWinTitlePrnt, 64},
    {"ProgWinPctText", &DisplayStrings::ProgWinPctText, 64},
    {"ProgWinUsrText", &DisplayStrings::ProgWinUsrText, 64},
    {"ProgWinRecText", &DisplayStrings::ProgWinRecText, 64},
    {"AskPrvwDialogTitle", &DisplayStrings::AskPrvwDialogTitle, 64},
    {"AskPrvwDialogText", &DisplayStrings::AskPrvwDialogText, 64},
    {"CancelAreYouSureTitle", &DisplayStrings::CancelAreYouSureTitle, 64},
    {"CancelAreYouSureText", &DisplayStrings::CancelAreYouSureText, 64},
    {"CancelPrvwPartialTitle", &DisplayStrings::CancelPrvwPartialTitle, 64},
    {"CancelPrvwPartialText", &DisplayStrings::CancelPrvwPartialText, 128},
    {"NothingToPrvwTitle", &DisplayStrings::NothingToPrvwTitle, 64},
    {"NothingToPrvwText", &DisplayStrings::NothingToPrvwText, 64},
    {"NothingToPrntTitle", &DisplayStrings::NothingToPrntTitle, 64},
    {"NothingToPrntText", &DisplayStrings::NothingToPrntText, 64},
    {"PrinterDlgTitle", &DisplayStrings::PrinterDlgTitle, 64},
    {"NoDfltPrtrTitle", &DisplayStrings::NoDfltPrtrTitle, 64},
    {"NoDfltPrtrText", &DisplayStrings::NoDfltPrtrText, 255},
    {"AsciiOutTitle", &DisplayStrings::AsciiOutTitle, 64},
    {"AsciiOutMasks", &DisplayStrings::AsciiOutMasks, 64},
    {"DynLblErrTitle", &DisplayStrings::DynLblErrTitle, 64},
    {"DynLblErrText1", &DisplayStrings::DynLblErrText1, 64},
    {"DynLblErrText2", &DisplayStrings::DynLblErrText2, 64},
    {"ButtonYesNo", &DisplayStrings::ButtonYesNo, 64},
    {"ButtonYesNoCancel", &DisplayStrings::ButtonYesNoCancel, 64},
    {"ButtonYesNoIgnore", &DisplayStrings::ButtonYesNoIgnore, 64},
    {"ButtonYes", &DisplayStrings::ButtonYes, 64},
    {"ButtonOk", &DisplayStrings::ButtonOk, 64},
};

}  // namespace

DisplayStrings loadDisplayStrings(const std::filesystem::path& iniFile) {
  DisplayStrings s;
  const IniFile ini(iniFile);
  for (const Entry& e : kEntries) {
    std::string& text = s.*e.member;
    // The default stands unless the entry is there: an entry written empty empties the text.
    text = cutToChars(ini.get(kDisplayStringsSection, e.key, text), e.length);
  }
  return s;
}

}  // namespace koreq::reportframe
