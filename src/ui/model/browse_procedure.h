#pragma once

// A list of one file, read page by page through its view: a sort order, a range, a filter with
// bound names, reset fields that refilter the list when they change, an incremental locator,
// sorting by column header. Insert, Change and Delete run the file's form by name with the
// request in GlobalRequest and refresh the list after it. Called with the select request, the
// list is a lookup: Select (or a double click) leaves the highlighted record in the file's
// buffer and answers completed; Close answers cancelled.

#include <memory>

#include "frame/names.h"
#include "ui/model/procedure.h"
#include "ui/model/view_list_model.h"

namespace koreq::ui {

class BrowseProcedure : public Procedure {
 public:
  BrowseProcedure(frame::Context& ctx, std::string name, const data::FileDef& file,
                  const WindowDef& def, std::string listControl = "?BROWSE:1");
  // The window resource of the same name.
  BrowseProcedure(frame::Context& ctx, std::string name, const data::FileDef& file,
                  std::string listControl = "?BROWSE:1");
  ~BrowseProcedure() override;

  // The context's buffer of the listed file.
  data::FileAccess& file() const { return ctx().file(file_); }
  Control& listControl() const { return control(listName_); }
  // The list's rows (made when the window opens).
  ViewListModel& list() const;
  bool selectMode() const { return request() == Request::Select; }

  // ---- Set-up, from init() ------------------------------------------------------------------
  void setSortOrder(const data::KeyDef& key);
  void setRange(std::vector<data::Value> equal);
  // Bound names are the procedure's locals, then the context's buffers and globals.
  void setFilter(std::string expression);
  // A local, field or global whose change refilters the list at once.
  void addResetField(std::string name);
  // The entry that shows and takes the incremental locator.
  void setLocator(std::string entryControl);
  // The form Insert, Change and Delete run.
  void setFormProcedure(std::string name) { form_ = std::move(name); }
  // `reads`: the fields the style looks at (see ViewListModel::setRowStyle).
  void setRowStyle(std::function<RowStyle(const data::FileAccess& row)> style,
                   std::optional<std::vector<std::string>> reads = std::nullopt);
  void setPageSize(int rows);

  // ---- Actions --------------------------------------------------------------------------------
  // Copies the highlighted record into the file's buffer; false when no row is highlighted or
  // the record is gone.
  bool loadCurrent();
  // Reads the list again from the start and highlights the record in the file's buffer if it
  // is listed, else the row at `fallback` (or the last).
  void refresh(std::int64_t fallback = 0);
  // Runs the form for the request, then refreshes.
  virtual void ask(Request request);
  // The standard confirmation before a delete ("Are you sure …"); false when the user says no.
  virtual bool confirmDelete();

 protected:
  // Highlights the row whose first column holds `id` (found among the rows read, then by the
  // locator in key order, then by reading on); false, and the highlight kept, when no row does.
  bool selectRowWithId(const std::string& id);
  void ready() override;
  void standardEvent(const Event& e) override;
  void standardAction(Control& button, StandardAction action) override;
  void afterEvent() override;
  void rowActivated(Control& list) override;

 private:
  class Names;
  data::Value resetValue(const std::string& name);

  const data::FileDef& file_;
  std::string listName_;
  std::string form_;
  std::string locator_;
  const data::KeyDef* key_;
  std::vector<data::Value> range_;
  std::string filter_;
  std::vector<std::pair<std::string, data::Value>> resets_;
  std::function<RowStyle(const data::FileAccess&)> style_;
  std::optional<std::vector<std::string>> styleReads_;
  int pageSize_ = 100;
  std::unique_ptr<Names> names_;
  std::unique_ptr<ViewListModel> list_;
};

}  // namespace koreq::ui
