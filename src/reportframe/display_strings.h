#pragma once

// The texts a report run shows: the progress window's titles and percentage text, the cancel
// questions, the notices and the button sets. Every run reloads them from RPTSTRINGS.INI,
// section "DISPLAY STRINGS 2.0", so a company can reword them; a missing entry keeps its
// default.

#include <filesystem>
#include <string>

namespace koreq::reportframe {

struct DisplayStrings {
  std::string ProgWinTitlePrvw = "Generating Report";
  std::string ProgWinTitlePrnt = "Printing Report";
  std::string ProgWinPctText = "% Completed";
  std::string ProgWinUsrText;
  std::string ProgWinRecText = "Records Read";
  std::string AskPrvwDialogTitle = "Preview";
  std::string AskPrvwDialogText = "Do you wish to PREVIEW this Report?";
  std::string CancelAreYouSureTitle = "Question";
  std::string CancelAreYouSureText = "Are you sure you want to CANCEL this Report?";
  std::string CancelPrvwPartialTitle = "Question";
  std::string CancelPrvwPartialText =
      "Report Cancellation Requested!||Preview Report generated so far?";
  std::string NothingToPrvwTitle = "NOTE...";
  std::string NothingToPrvwText = "Nothing to Preview.";
  std::string NothingToPrntTitle = "NOTE...";
  std::string NothingToPrntText = "Nothing to Print.";
  std::string PrinterDlgTitle = "Report Destination";
  std::string NoDfltPrtrTitle = "WARNING!";
  std::string NoDfltPrtrText =
      "Warning:  No DEFAULT Printer Driver Found!||Printing may not occur correctly (or at "
      "all)|without a Default printer assigned.||Use CONTROL PANEL (PRINTERS) to set a|printer "
      "as your Default.||Continue with report anyway?";
  std::string AsciiOutTitle = "Save to what Filename?";
  std::string AsciiOutMasks = "Text|*.TXT|All Files|*.*";
  std::string DynLblErrTitle = "Problem!";
  std::string DynLblErrText1 = "Sorry!||";
  std::string DynLblErrText2 = "||Does not support paper type:";
  std::string ButtonYesNo = "&Yes|&No";
  std::string ButtonYesNoCancel = "&Yes|&No|&Cancel";
  std::string ButtonYesNoIgnore = "&Yes|&No|&Ignore";
  std::string ButtonYes = "&Yes";
  std::string ButtonOk = "&Ok";
};

inline constexpr const char* kDisplayStringsFile = "RPTSTRINGS.INI";
inline constexpr const char* kDisplayStringsSection = "DISPLAY STRINGS 2.0";

// The strings of `iniFile`: each entry that is there replaces its default, cut to the length
// the texts are kept in (64 characters; CancelPrvwPartialText 128, NoDfltPrtrText 255). A
// missing or unreadable file gives the defaults.
DisplayStrings loadDisplayStrings(const std::filesystem::path& iniFile);

}  // namespace koreq::reportframe
