// The import's line walk, field conversion and date decoding on any line, any field map and
// any date format; and the line reader on any file.
//
// Input: a format byte, a date-format byte, the field map up to a newline, then the lines.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "interchange/engine/import_lines.h"

using namespace koreq;
using namespace koreq::interchange;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  static const char formats[] = {kCommaDelimited, kTabDelimited, kFixedPosition, 'X'};
  LineLayout layout;
  layout.format = formats[in.byte() % 4];
  const std::uint8_t df = in.byte();
  layout.dateFormat = df < kDateFormats.size() ? kDateFormats[df] : std::string(1, char(df));
  layout.items = walkedItems(in.part());

  const std::string_view lines = in.rest();
  for (std::size_t at = 0; at <= lines.size();) {
    std::size_t end = lines.find('\n', at);
    if (end == std::string_view::npos) end = lines.size();
    const std::string_view line = lines.substr(at, end - at);
    const std::vector<std::string> fields = splitLine(layout, line);
    if (fields.size() != layout.items.size()) std::abort();
    ImportItem item;
    readItem(layout, line, item);
    (void)endsInsideQuotes(layout, line);
    for (const char* f : kDateFormats)
      if (auto d = decodeDate(line, f); d && !d->isEmpty() && !d->isValid()) std::abort();
    at = end + 1;
  }

  // The same bytes as a file, through the reader the import uses.
  const std::string file = (fuzz::scratchFolder() / "lines.csv").string();
  {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  std::string why;
  auto reader = LineReader::open(file, &why, kTextEncodings[size % kTextEncodings.size()]);
  if (!reader) std::abort();
  std::string line;
  long number = 0;
  for (;;) {
    const LineReader::Status s = reader->next(line, number);
    if (s == LineReader::Status::End || s == LineReader::Status::Failed) break;
    if (s == LineReader::Status::Line && line.size() > 4 * LineReader::kMaxLine) std::abort();
  }
  return 0;
}
