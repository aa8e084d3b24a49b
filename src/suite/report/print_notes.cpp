#include "suite/report/print_notes.h"

#include <algorithm>

#include "data/access.h"
#include "data/records.h"
#include "data/store.h"
#include "frame/context.h"
#include "frame/registry.h"
#include "runtime/picture.h"
#include "runtime/text.h"

namespace koreq::suite {

namespace {

using data::Value;

// A note's text on one export line: its line breaks and tabs would start new lines and columns.
std::string exportText(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') continue;
    out += c == '\n' || c == '\t' ? ' ' : c;
  }
  return clipped(out);
}

class PrintNotesBody final : public reportframe::ReportBody {
 public:
  explicit PrintNotesBody(frame::Context& ctx) : ctx_(ctx) {}

  void begin(reportframe::Report& report) override {
    const std::string entity = clipped(ctx_.g.KORFIELD.str());
    const std::string id = clipped(ctx_.g.REPORTFILTER.str());
    const bool equipment = sameText(entity, "Equipment");
    std::string subject;
    if (equipment) {
      // Our own access: the caller's EQHEADER buffer is the record on its form.
      data::Access<data::EqHeader> eq(ctx_.store(), ctx_.errors());
      const int rc = eq.fetch("KeyEquipmentID", {Value(id)});
      if (rc != data::kNoError && rc != data::kRecordNotFound)
        throw data::StoreError(rc, eq.lastErrorText());
      subject = "Notes for Equipment (" + id + ") " +
                (rc == data::kNoError ? clipped(eq.rec().Description.str()) : std::string());
    } else {
      subject = "Notes for " + entity + " " + id;
    }
    subject = clipped(subject);
    read(equipment, entity, id);

    report.setValue("LOC:Subject", subject);
    report.setValue("LOC:NoteLine", std::string());
    std::vector<std::string>& rx = ctx_.g.RXQUEUE;
    rx.push_back(subject);
    rx.push_back("");
    rx.push_back("Date\tTime\tUser\tHeading\tNote");
    ctx_.g.RPTLIMITQ.push_back(subject);
    ctx_.g.RPTLIMITQ.push_back(tagged_ ? "Tagged Notes Only" : "All Notes");
  }

  bool next(reportframe::Report& report) override {
    if (at_ >= notes_.size()) return false;
    const data::Notes& n = notes_[at_++];
    report.setValue("NOTE:Date", n.Date);
    report.setValue("NOTE:Time", n.Time);
    report.setValue("NOTE:UserID", n.UserID.str());
    report.setValue("NOTE:Heading", n.Heading.str());
    report.print("note");
    for (const std::string& line : report.wrap("?LOC:NoteLine", clipped(n.Note.str()))) {
      report.setValue("LOC:NoteLine", line);
      report.print("line");
    }
    report.print("gap");
    ctx_.g.RXQUEUE.push_back(trimLeft(formatPicture("@d2b", n.Date)) + "\t" +
                             trimLeft(formatPicture("@t7", n.Time)) + "\t" + n.UserID.str() + "\t" +
                             exportText(n.Heading.str()) + "\t" + exportText(n.Note.str()));
    return true;
  }

  std::int64_t total() const override { return static_cast<std::int64_t>(notes_.size()); }

 private:
  void read(bool equipment, const std::string& entity, const std::string& id) {
    notes_.clear();
    if (id.empty()) return;
    data::Access<data::Notes> a(ctx_.store(), ctx_.errors());
    if (equipment)
      a.setRange(*a.def().key("KeyEquipmentID"), {Value(Str<10>(id).str())});
    else
      a.setRange(*a.def().key("KeyEntityID"), {Value(entity), Value(id)});
    for (int rc; (rc = a.next()) != data::kRecordNotFound;) {
      if (rc != data::kNoError) throw data::StoreError(rc, a.lastErrorText());
      notes_.push_back(a.rec());
    }
    // The tags may hold notes of another entity (a form left open elsewhere): only this one's
    // count.
    const std::vector<std::int32_t>& tags = ctx_.g.TAGQUE2;
    const auto isTagged = [&](const data::Notes& n) {
      return std::find(tags.begin(), tags.end(), n.RecordID) != tags.end();
    };
    tagged_ = std::any_of(notes_.begin(), notes_.end(), isTagged);
    if (tagged_) std::erase_if(notes_, [&](const data::Notes& n) { return !isTagged(n); });
  }

  frame::Context& ctx_;
  std::vector<data::Notes> notes_;
  std::size_t at_ = 0;
  bool tagged_ = false;
};

}  // namespace

reportframe::ReportProcedure printNotesProcedure() {
  return {frame::kLIMITPRINTNOTES, frame::kLIMITPRINTNOTES, "Notes", "Notes.pdf",
          &data::Notes::def()};
}

std::unique_ptr<reportframe::ReportBody> printNotesBody(frame::Context& ctx) {
  return std::make_unique<PrintNotesBody>(ctx);
}

}  // namespace koreq::suite
