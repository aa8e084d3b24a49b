#pragma once

// UpdateEQCost, the form of one cost category of one piece of equipment (its unit, expense
// account, service schedule and last service), and BrowseEQCost, the lookup list of the
// categories of the equipment named by EQUIPFIELD. What the equipment form's category and
// service-schedule tabs share with them: the rows of a piece of equipment and the schedule text.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "equipment/engine/cost_rules.h"
#include "equipment/equipment_browse.h"
#include "ui/model/form_procedure.h"

namespace koreq::equipment {

inline constexpr const char* kNoEquipmentForCost =
    "A cost category belongs to a piece of equipment. Add it from the equipment's Cost "
    "Categories or Service Schedule tab, or from the cost categories of the equipment.";

inline constexpr const char* kConfirmDelete =
    "Are you sure you want to delete the highlighted record?";
inline constexpr const char* kCostHelpTopic = "~EC_Insert_or_Change_a_Maintenance_Category_Screen";

// A list of the categories of one piece of equipment, which knows how to read itself again
// (each window that shows one refills every one after UpdateEQCost closes).
class CostListModel : public ui::QueueListModel {
 public:
  explicit CostListModel(std::vector<ui::ColumnDef> columns);

  // Replaces the rows; `cells` gives a row's value for a column's `use` name. The highlight
  // stays on the record at `keep` (a position) when it is listed, else on the same row number.
  void fill(const std::vector<CostRow>& rows,
            const std::function<data::Value(const CostRow&, const std::string&)>& cells,
            std::int64_t keep = 0);
  // The record position of a row, from 0; 0 when there is none.
  std::int64_t position(std::int64_t row) const;
  // The highlighted record's position; 0 when no row is highlighted.
  std::int64_t currentPosition() const { return position(current()); }
  // The first row whose category reads at or after `text` (both upper-cased and clipped); the
  // last row when none does, -1 when the list is empty.
  std::int64_t locateCategory(const std::string& text) const;

  std::function<void()> refill;

 private:
  std::vector<std::string> uses_;  // each column's `use` name
  std::vector<std::int64_t> positions_;
  std::vector<std::string> categories_;
};

// Copies the record at `position` into the context's EQCOST buffer; false when it is gone.
bool loadCost(frame::Context& ctx, std::int64_t position);

// ---- UpdateEQCost -----------------------------------------------------------------------------

class CostForm final : public ui::FormProcedure {
 public:
  CostForm(frame::Context& ctx, EquipmentShared& shared);

  void init() override;
  void accepted(ui::Control& c) override;
  void newSelection(ui::Control& c) override;
  void completed() override;

 protected:
  // An insert keeps the equipment the calling list primed.
  void prepare() override;

 private:
  void showSchedule();
  void categoryChosen();
  void help();

  EquipmentShared& shared_;
  Str<25> scheduleType_;
};

// ---- BrowseEQCost -------------------------------------------------------------------------------

// The list runs on the BrowseEQCost window under a procedure name of its own, which its errors
// carry.
inline constexpr char kBrowseEQCostEquipField[] = "BrowseEQCostEquipField";

class CostBrowse final : public ui::Procedure {
 public:
  explicit CostBrowse(frame::Context& ctx);
  ~CostBrowse() override;

  // The equipment listed: EQUIPFIELD as the list opened.
  const std::string& equipmentId() const { return equipmentId_; }
  bool selectMode() const { return request() == ui::Request::Select; }
  CostListModel& list() const { return *list_; }

  void init() override;
  void accepted(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;

 protected:
  void rowActivated(ui::Control& c) override;

 private:
  void fill(std::int64_t keep = 0);
  void choose();
  void ask(ui::Request request);
  void sendTo();
  void updateButtons();

  std::string equipmentId_;
  std::unique_ptr<CostListModel> list_;
};

// Registers UpdateEQCost and BrowseEQCost. BrowseEQCode and BROWSEGLMASTER, which the form
// calls, come from the category and suite registrations.
void registerCostProcedures(frame::ProcedureRegistry& registry, EquipmentShared& shared);

}  // namespace koreq::equipment
