#pragma once

// Where bands go down the pages of a report: the body of every page runs from below the page
// header to above the page footer, and a band that does not fit in what is left of a page
// starts the next one. A plain class with no painting, so page breaks are tested by counting.

namespace koreq::reportframe {

class Paginator {
 public:
  // The body of every page, in points from the top of the paper.
  Paginator(double bodyTop, double bodyBottom);

  struct Placement {
    bool newPage = false;  // the band starts a page (the first band starts page 1)
    double y = 0;          // its top, in points from the top of the paper
  };

  // Places a band of `height` below the last one, or at the top of a new page when it does not
  // fit with `reserve` points free below it (a group header keeps room for its first detail, so
  // it never ends a page alone). A band taller than a whole body still goes on a page of its own
  // rather than breaking pages for ever.
  Placement place(double height, double reserve = 0);

  // Moves what was placed last down by `height`: room for a band put above it.
  void skip(double height) { cursor_ += height; }

  int pages() const { return pages_; }
  double bodyTop() const { return top_; }
  double bodyBottom() const { return bottom_; }

 private:
  double top_;
  double bottom_;
  double cursor_;
  int pages_ = 0;
};

}  // namespace koreq::reportframe
