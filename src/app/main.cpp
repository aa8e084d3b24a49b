#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "demo/demo_company.h"

int main(int argc, char** argv) {
  koreq::cli::setDemoMaker(&koreq::demo::makeDemoCompany);
  koreq::cli::installReports();
  koreq::cli::installDesktop();
  std::vector<std::string> args(argv + 1, argv + argc);
  int rc = koreq::cli::runCli(std::move(args), std::cout, std::cerr);
  std::cout.flush();
  return rc;
}
