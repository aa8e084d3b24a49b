#include "reportframe/pagination.h"

namespace koreq::reportframe {

namespace {
// Band heights are sums of decimal fractions of points; a band that fits to the thousandth
// fits.
constexpr double kSlack = 0.001;
}  // namespace

Paginator::Paginator(double bodyTop, double bodyBottom)
    : top_(bodyTop), bottom_(bodyBottom), cursor_(bodyTop) {}

Paginator::Placement Paginator::place(double height, double reserve) {
  Placement p;
  const bool fits = cursor_ + height + reserve <= bottom_ + kSlack;
  if (pages_ == 0 || (!fits && cursor_ > top_)) {
    ++pages_;
    cursor_ = top_;
    p.newPage = true;
  }
  p.y = cursor_;
  cursor_ += height;
  return p;
}

}  // namespace koreq::reportframe
