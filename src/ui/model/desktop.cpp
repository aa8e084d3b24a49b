#include "ui/model/desktop.h"

#include <utility>

namespace koreq::ui {

namespace {
thread_local std::vector<Desktop*> tLive;  // made and not yet destroyed, oldest first
thread_local Desktop* tCalling = nullptr;  // the desktop whose call() is running

std::string historyKey(std::string_view form, std::string_view control) {
  return upper(form) + '\n' + upper(control);
}
}  // namespace

Desktop::Desktop(UserPort& port, const frame::ProcedureRegistry& registry)
    : port_(port), registry_(registry) {
  tLive.push_back(this);
}

Desktop::~Desktop() {
  std::erase(tLive, this);
  if (tCalling == this) tCalling = nullptr;
}

Desktop* Desktop::current() {
  if (tCalling) return tCalling;
  return tLive.empty() ? nullptr : tLive.back();
}

Desktop::Busy::Busy(Desktop& d) : d_(d) {
  // The windows closed by the previous action are gone for good once a new one starts.
  if (d_.busy_++ == 0 && !d_.settling_) d_.closed_.clear();
}

Desktop::Busy::~Busy() {
  if (--d_.busy_ == 0 && !d_.settling_) d_.settle();
}

void Desktop::settle() {
  settling_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{settling_};
  while (!stack_.empty() && stack_.back()->closing_) {
    std::unique_ptr<Procedure> p = std::move(stack_.back());
    stack_.pop_back();
    p->finish();
    if (observer_) observer_->closed(*p);
    std::function<void()> then = std::move(p->onClosed_);
    closed_.push_back(std::move(p));
    if (then) then();
    if (!stack_.empty() && !stack_.back()->closing_) stack_.back()->resume();
  }
}

Procedure& Desktop::open(std::unique_ptr<Procedure> p) {
  Busy busy(*this);
  Procedure& proc = *p;
  if (pending_ && stack_.size() == pendingDepth_) {
    proc.onClosed_ = std::move(pendingThen_);
    pendingThen_ = nullptr;
    pending_ = false;
  }
  stack_.push_back(std::move(p));
  proc.start(*this);
  if (!proc.closing_ && observer_) observer_->opened(proc);
  return proc;
}

bool Desktop::call(frame::Context& ctx, std::string_view name, std::function<void()> then) {
  if (!registry_.has(name)) return false;
  Busy busy(*this);
  // The registry opens the called window on Desktop::current(): this one, while it runs.
  struct Calling {
    Desktop* saved;
    explicit Calling(Desktop* d) : saved(std::exchange(tCalling, d)) {}
    ~Calling() { tCalling = saved; }
  } calling(this);
  // The continuation waits here for the window the call opens at this depth.
  auto savedThen = std::exchange(pendingThen_, std::move(then));
  bool savedPending = std::exchange(pending_, true);
  std::size_t savedDepth = std::exchange(pendingDepth_, stack_.size());
  auto restore = [&] {
    std::function<void()> left = std::exchange(pendingThen_, std::move(savedThen));
    bool opened = !pending_;
    pending_ = savedPending;
    pendingDepth_ = savedDepth;
    return opened ? std::function<void()>() : left;
  };
  try {
    registry_.call(ctx, name);
  } catch (...) {
    restore();
    throw;
  }
  if (std::function<void()> now = restore()) now();
  return true;
}

std::vector<Procedure*> Desktop::windows() const {
  std::vector<Procedure*> out;
  for (const auto& p : stack_) out.push_back(p.get());
  return out;
}

void Desktop::closeAll(Unsaved unsaved) {
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{discarding_};
  discarding_ = unsaved == Unsaved::Discard;
  while (Procedure* p = top()) {
    if (p->closing_) {
      Busy busy(*this);  // takes it off when it ends
    } else {
      p->userClose();
    }
    if (top() == p) break;  // it would not close
  }
}

std::optional<data::Value> Desktop::history(std::string_view form, std::string_view control) const {
  auto it = history_.find(historyKey(form, control));
  if (it == history_.end()) return std::nullopt;
  return it->second;
}

void Desktop::remember(std::string_view form, std::string_view control, const data::Value& v) {
  history_[historyKey(form, control)] = v;
}

void registerWindow(frame::ProcedureRegistry& registry, std::string name, WindowFactory make) {
  std::string procName = name;
  registry.add(std::move(name), [procName, make](frame::Context& ctx) {
    Desktop* d = Desktop::current();
    if (!d) throw UiError("no desktop on this thread to open " + procName + " on");
    d->open(make(ctx));
  });
}

}  // namespace koreq::ui
