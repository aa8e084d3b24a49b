// The ini reader on any file: every section and entry read back, and a value set in it reads
// back as set while the rest of the file stays readable.
//
// Input: a section name and a value, each up to a newline, then the file's bytes.

#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz_input.h"
#include "runtime/ini.h"

using namespace koreq;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::string section(in.part());
  const std::string value(in.part());
  const std::filesystem::path file = fuzz::scratchFolder() / "koreq.ini";
  {
    std::ofstream f(file, std::ios::binary | std::ios::trunc);
    f << in.rest();
  }
  IniFile ini(file);
  for (const std::string& s : ini.sections())
    for (const std::string& e : ini.entries(s)) ini.get(s, e, "default");

  if (ini.set(section, "Entry", value)) {
    if (ini.get(section, "Entry", "\x01") != value) std::abort();
    if (!ini.remove(section, "Entry")) std::abort();
  } else if (ini.lastError().empty()) {
    std::abort();  // a refusal always says why
  }
  ini.removeSection(section);
  return 0;
}
