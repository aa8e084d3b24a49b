#include "interchange/engine/source_layout.h"

#include "data/records.h"
#include "runtime/text.h"

namespace koreq::interchange {

namespace {
constexpr std::string_view kEndMark = "###";
}  // namespace

bool isBuiltInSource(std::string_view title) {
  return clip(title) == kBuiltInSource;
}

bool isBuiltInSource(const data::JcLimits& source) {
  return isBuiltInSource(source.ReportTitle.str());
}

bool mayDeleteSource(const data::JcLimits& source) {
  return !isBuiltInSource(source);
}

bool fieldLengthFits(int length) {
  return length >= 0 && length <= kMaxFieldLength;
}

bool showsFieldPositions(std::string_view printOrder) {
  return clip(printOrder) == std::string_view(&kFixedPosition, 1);
}

const char* contentsOfCode(char code) {
  const FieldCode* c = fieldCode(code);
  return c ? c->contents : fieldCode(LineField::Unused).contents;
}

MapItem itemNamed(std::string_view contents, int length) {
  const FieldCode* c = fieldCodeNamed(clip(contents));
  return {c ? c->code : fieldCode(LineField::Unused).code, length};
}

SourceLayout::SourceLayout(std::string_view map) {
  const std::string whole = clipped(map);
  std::size_t at = 0;
  for (; at + 3 <= whole.size() && at < kMaxMapItems * 3; at += 3) {
    if (std::string_view(whole).substr(at, 3) == kEndMark) {
      kept_ = whole.substr(at);
      break;
    }
  }
  // The rows are the items the import walks, so the form never shows other fields than it reads.
  items_ = walkedItems(whole);
  // The list names an unknown code "Unused", and a row is saved as the code of its name.
  for (MapItem& item : items_)
    if (!fieldCode(item.code)) item.code = fieldCode(LineField::Unused).code;
}

std::vector<LayoutRow> SourceLayout::rows() const {
  std::vector<LayoutRow> out;
  out.reserve(items_.size());
  int start = 1;
  for (const MapItem& item : items_) {
    out.push_back(
        {static_cast<int>(out.size()) + 1, contentsOfCode(item.code), item.length, start});
    start += item.length;
  }
  return out;
}

bool SourceLayout::append(const MapItem& item) {
  if (full() || !fieldLengthFits(item.length)) return false;
  items_.push_back(item);
  return true;
}

bool SourceLayout::replace(std::size_t row, const MapItem& item) {
  if (row >= items_.size() || !fieldLengthFits(item.length)) return false;
  items_[row] = item;
  return true;
}

bool SourceLayout::remove(std::size_t row) {
  if (row >= items_.size()) return false;
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(row));
  return true;
}

std::string SourceLayout::map() const {
  std::string out = packMap(items_);
  // The rows come first: what does not fit of the kept end is what the import never read.
  out += kept_.substr(0, kMaxMapItems * 3 - out.size());
  return out;
}

}  // namespace koreq::interchange
