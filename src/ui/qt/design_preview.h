#pragma once

// A window shown as designed, without the procedure that runs it: the controls read their
// fields and globals from the context, every other variable a control names is a blank
// stand-in, and lists are empty. The screenshot command falls back to it for a window whose
// procedure is not registered, and the renderer's tests open every window resource with it.

#include <deque>
#include <memory>
#include <vector>

#include "ui/model/procedure.h"

namespace koreq::ui::qt {

class DesignPreview : public Procedure {
 public:
  DesignPreview(frame::Context& ctx, const WindowDef& def);

 protected:
  void init() override;

 private:
  std::deque<std::string> texts_;
  std::deque<Decimal> numbers_;
  std::deque<Date> dates_;
  std::deque<Time> times_;
  std::vector<std::unique_ptr<QueueListModel>> lists_;
};

}  // namespace koreq::ui::qt
