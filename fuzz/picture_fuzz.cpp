// Pictures on any picture text: parsing, formatting every kind of value, reading entries back.
//
// Input: the picture up to a newline, eight bytes of value, then the entry text.

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz_input.h"
#include "runtime/picture.h"

using namespace koreq;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::string_view picture = in.part();
  std::int64_t raw = 0;
  for (int i = 0; i < 8; ++i) raw = static_cast<std::int64_t>((raw << 8) | in.byte());
  const std::string_view text = in.rest();

  const PictureSpec spec = PictureSpec::parse(picture);
  const Decimal money = Decimal::fromCents(raw % (Decimal::kMaxCents + 1));
  const std::string n = formatPicture(picture, money);
  if (spec.kind == PictureSpec::Kind::Number && static_cast<int>(n.size()) != spec.width)
    std::abort();
  formatPicture(picture, raw);
  formatPicture(picture, std::numeric_limits<std::int64_t>::min());
  formatPicture(picture, Date(static_cast<std::int32_t>(raw)));
  formatPicture(picture, Time(static_cast<std::int32_t>(raw)));
  formatPicture(picture, text);
  trimLeft(text);

  // What a number picture writes reads back as the same figure.
  if (spec.kind == PictureSpec::Kind::Number && n.find('#') == std::string::npos &&
      !spec.blankWhenZero && spec.places == 2) {
    const auto back = parseNumberPicture(picture, n);
    if (!back || *back != money) std::abort();
  }
  parseNumberPicture(picture, text);
  if (auto d = parseDatePicture(picture, text); d && !d->isEmpty() && !d->isValid()) std::abort();
  if (auto d = parseDatePicture(picture, text, static_cast<int>(raw % 10000))) (void)d->toIso();
  parseTimePicture(picture, text);
  return 0;
}
