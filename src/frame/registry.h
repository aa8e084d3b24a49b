#pragma once

// Procedures by their exported name. The module's own procedures and the sibling modules'
// procedures it calls are registered the same way, so a test can replace any of them.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace koreq::data {
struct EqLimits;
}

namespace koreq::frame {

class Context;

class ProcedureRegistry {
 public:
  using Run = std::function<void(Context&)>;

  // Names compare without regard to case. Adding a name twice is a programming error
  // (std::logic_error): two procedures would silently fight over one menu entry.
  void add(std::string name, Run run);
  // Swaps the procedure of a registered name; false (and nothing changed) for an unknown name,
  // so a misspelt replacement in a test does not go unnoticed.
  bool replace(std::string_view name, Run run);
  bool has(std::string_view name) const;
  // Runs the procedure; false when no procedure has that name.
  bool call(Context& ctx, std::string_view name) const;
  // The names as they were registered, in case-insensitive order.
  std::vector<std::string> names() const;

 private:
  struct Entry {
    std::string name;
    Run run;
  };
  std::map<std::string, Entry, std::less<>> byKey_;  // key: upper-cased name
};

// The report dispatchers choose a report by the style code of the format in the EQLIMITS
// buffer and run it through `registry` (which they refer to, so it must outlive them); a code
// that names no report, or a report that is not registered, prints nothing.
void registerReportDispatchers(ProcedureRegistry& registry);

// The report that printing `format` through `procedure` runs: a dispatcher's choice by the
// format's style code ("" when the code names none), else the procedure itself.
std::string reportFor(std::string_view procedure, const data::EqLimits& format);

// The reports' procedure names, for the menus, the dispatchers, the format lists and the windows
// that print: the dispatchers first, then the reports they choose among (not every one is built
// yet), then the reports registered through reportframe::registerReport.
inline constexpr char kPrintEQAnalysisServer[] = "PrintEQAnalysisServer";
inline constexpr char kPrintEQListingServer[] = "PrintEQListingServer";
inline constexpr char kPrintEQCategoryListServer[] = "PrintEQCategoryListServer";
inline constexpr char kPrintEQAnalysis[] = "PrintEQAnalysis";
inline constexpr char kPrintEQAnalysis1[] = "PrintEQAnalysis1";
inline constexpr char kPrintEQMaintenance[] = "PrintEQMaintenance";
inline constexpr char kPrintEQListing[] = "PrintEQListing";
inline constexpr char kPrintEQListing1[] = "PrintEQListing1";
inline constexpr char kPrintEQCategoryList[] = "PrintEQCategoryList";
inline constexpr char kPrintEQCategoryList1[] = "PrintEQCategoryList1";
inline constexpr char kPrintEQDetail[] = "PrintEQDetail";
inline constexpr char kPrintEQLogBProof[] = "PrintEQLogBProof";
inline constexpr char kPrintFixedAssets[] = "PrintFixedAssets";
inline constexpr char kLIMITPRINTNOTES[] = "LIMITPRINTNOTES";

}  // namespace koreq::frame
