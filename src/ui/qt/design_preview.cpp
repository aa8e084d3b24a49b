#include "ui/qt/design_preview.h"

#include <set>

#include "runtime/picture.h"

namespace koreq::ui::qt {

DesignPreview::DesignPreview(frame::Context& ctx, const WindowDef& def)
    : Procedure(ctx, def.name, def) {
  std::set<std::string> bound;
  for (const ControlDef* c : flatten(def)) {
    const std::string& use = c->use;
    if (use.empty() || !bound.insert(upper(use)).second) continue;
    data::FileAccess* owner = nullptr;
    if (ctx.fieldByName(use, &owner) || ctx.hasGlobal(use)) continue;
    // A stand-in of the kind the picture shows, so that it displays as the real one would.
    switch (PictureSpec::parse(c->picture).kind) {
      case PictureSpec::Kind::Number:
        bindLocal(use, numbers_.emplace_back());
        break;
      case PictureSpec::Kind::Date:
        bindLocal(use, dates_.emplace_back());
        break;
      case PictureSpec::Kind::Time:
        bindLocal(use, times_.emplace_back());
        break;
      default:
        bindLocal(use, texts_.emplace_back());
        break;
    }
  }
}

void DesignPreview::init() {
  for (Control* c : window().controls()) {
    if (c->kind() != ControlKind::List || c->list()) continue;
    lists_.push_back(std::make_unique<QueueListModel>(c->def().columns));
    c->setList(lists_.back().get());
  }
}

}  // namespace koreq::ui::qt
