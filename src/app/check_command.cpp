// koreq check: the company check (src/check/) from the command line. The report goes to
// standard output: one summary line when every check holds (exit 0), else the summary and one
// line per fault, naming its file and record (exit 1).

#include "app/commands.h"
#include "check/company_check.h"
#include "data/company.h"

namespace koreq::cli {

int runCheck(Invocation& inv, const ParsedArgs&) {
  const std::filesystem::path dir = inv.dataPath();
  if (!data::Company::exists(dir)) throw CommandError("no company in " + dir.string());
  // Opened for reading: a check never writes, not even a schema upgrade.
  auto company = data::Company::open(dir, true, {}, inv.options().user);
  const check::CheckReport report = check::checkCompany(company->store());
  inv.out() << report.text();
  return report.sound() ? 0 : 1;
}

}  // namespace koreq::cli
