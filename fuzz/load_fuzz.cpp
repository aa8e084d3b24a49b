// `koreq load` on any document, through the command line as a user runs it, into a company made
// once for the run. A load either lands whole or leaves the company as it was; the check below
// counts the records of the file most documents aim at.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/cli.h"
#include "fuzz_input.h"

namespace {

struct Company {
  std::filesystem::path dir;
  std::filesystem::path doc;
  Company() {
    dir = koreq::fuzz::scratchFolder() / "co";
    doc = koreq::fuzz::scratchFolder() / "doc.json";
    if (run({"init"}) != 0) std::abort();
  }
  ~Company() { std::filesystem::remove_all(dir); }

  int run(std::vector<std::string> args, std::string* out = nullptr) const {
    args.insert(args.begin(), {"--data", dir.string()});
    std::ostringstream o, e;
    const int rc = koreq::cli::runCli(std::move(args), o, e);
    if (out) *out = o.str();
    return rc;
  }
  std::string dump(const char* file) const {
    std::string out;
    if (run({"dump", file}, &out) != 0) std::abort();
    return out;
  }
};

// A company that has taken many loads is made anew, so that the run stays as quick as at first.
const Company& company() {
  static std::unique_ptr<Company> c;
  static int uses = 0;
  if (!c || ++uses % 2000 == 0) {
    c.reset();
    c = std::make_unique<Company>();
  }
  return *c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Company& c = company();
  {
    std::ofstream f(c.doc, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const std::string before = c.dump("EQCODE");
  const int rc = c.run({"load", c.doc.string()});
  if (rc != 0 && rc != 1) std::abort();
  if (rc == 1 && c.dump("EQCODE") != before) std::abort();  // a refused load kept something
  return 0;
}
