#pragma once

// SearchEquipment: finds a piece of equipment (or a maintenance category) by any part of its ID
// or description. The equipment and category lists open it with SearchMode set and read the
// chosen ID from SearchResult.

#include "frame/registry.h"
#include "ui/model/procedure.h"

namespace koreq::equipment {

// The search window's mode and result, shared by the windows that open it: one per process,
// owned by whoever registers the procedures and handed to each of them.
struct SearchGlobals {
  Str<10> SearchMode;    // "Equipment" or "Code"
  Str<15> SearchResult;  // the chosen ID; blank when the user cancelled
};

class SearchEquipment final : public ui::Procedure {
 public:
  SearchEquipment(frame::Context& ctx, SearchGlobals& globals);

  void init() override;
  void accepted(ui::Control& c) override;
  void kill() override;

  // The entries the window shows now (ID, description).
  std::int64_t shownCount() const { return shown_.rowCount(); }

 private:
  struct Entry {
    std::string id, description;
  };
  void fill(const data::FileDef& file, const char* key, const char* idField,
            const char* descriptionField);
  void search();
  void choose();

  SearchGlobals& g_;
  Str<20> searchText_;
  std::vector<Entry> master_;
  ui::QueueListModel shown_;
};

void registerSearchEquipment(frame::ProcedureRegistry& registry, SearchGlobals& globals);

}  // namespace koreq::equipment
