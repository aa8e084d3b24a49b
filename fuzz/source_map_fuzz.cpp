// Import source definitions: any stored field map read into the source form's field list, edited
// and written back, and walked as the import walks it.
//
// Input: a row byte, an edit byte, then the stored map.

#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "interchange/engine/source_layout.h"
#include "runtime/text.h"

using namespace koreq::interchange;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  koreq::fuzz::Input in(data, size);
  const std::uint8_t row = in.byte();
  const std::uint8_t edit = in.byte();
  const std::string_view map = in.rest();

  const std::vector<MapItem> all = unpackMap(map);
  const std::vector<MapItem> walked = walkedItems(map);
  if (walked.size() > all.size() || all.size() > kMaxMapItems) std::abort();
  for (const MapItem& i : all)
    if (!fieldLengthFits(i.length)) std::abort();
  if (unpackMap(packMap(all)).size() != all.size()) std::abort();

  SourceLayout layout(map);
  if (layout.size() != walked.size()) std::abort();
  int start = 1;
  for (const LayoutRow& r : layout.rows()) {
    if (r.start != start) std::abort();
    start += r.length;
    (void)contentsOfCode(itemNamed(r.contents, r.length).code);
  }
  // Saving what was read changes nothing the import walks, and saving again changes nothing
  // (texts are stored without trailing blanks).
  const std::string stored = koreq::clipped(layout.map());
  if (koreq::clipped(SourceLayout(stored).map()) != stored) std::abort();
  if (walkedItems(stored).size() != walked.size()) std::abort();

  const MapItem item{fieldCodes()[edit % fieldCodes().size()].code, edit % 120};
  switch (edit % 3) {
    case 0:
      layout.append(item);
      break;
    case 1:
      layout.replace(row, item);
      break;
    default:
      layout.remove(row);
      break;
  }
  const std::string edited = layout.map();
  if (SourceLayout(edited).size() != layout.size()) std::abort();
  return 0;
}
