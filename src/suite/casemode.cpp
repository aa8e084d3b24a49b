#include "suite/casemode.h"

#include "data/records.h"
#include "runtime/text.h"

namespace koreq::suite {

std::string GETCASE(frame::Context& ctx, std::string_view arg) {
  if (arg.size() < 3) return {};
  std::string code = upper(arg.substr(0, 3));
  Str<40> field(arg.substr(3));
  if (field.empty()) return {};
  std::optional<CaseMode> mode;
  if (code != "000") {
    mode = caseModeFromText(code);
    if (!mode) return {};
  }

  // An access object of its own: the forms call this while their own buffers are in use.
  data::Access<data::CaseModeRecord> a(ctx.store(), ctx.errors());
  bool found = a.fetch("KeyFieldName", {data::Value(field.str())}) == data::kNoError;
  if (!mode) return found ? a.rec().Mode.str() : std::string();

  std::string text = caseModeText(*mode);
  if (found) {
    if (a.rec().Mode == text) return text;
    a.rec().Mode = text;
    return a.update() == data::kNoError ? text : std::string();
  }
  if (a.prime() != data::kNoError) return {};
  a.rec().FieldName = field;
  a.rec().Mode = text;
  return a.insert() == data::kNoError ? text : std::string();
}

}  // namespace koreq::suite
