#pragma once

// ExportEQLog: "Equipment Log Export", the dialog that writes the batch current in the EQBATCH
// buffer (the batch manager's highlighted one) to a text file the user names, and shows the
// file or says it is done. The writing is the interchange engine's.

#include <cstdint>

#include "equipment/auto_entry.h"
#include "equipment/equipment_browse.h"
#include "frame/registry.h"
#include "ui/model/procedure.h"

namespace koreq::interchange {

inline constexpr char kExportDialogTitle[] = "Indicate an Export Filename";
inline constexpr char kExportDialogFilter[] = "Text Files|*.txt|All Files|*.*";
inline constexpr char kExportComplete[] = "Export Process Complete";
inline constexpr char kNoBatchToExport[] =
    "There is no batch to export.|Highlight the batch in Equipment Usage Log Entry and press "
    "Export there.";

class ExportWindow final : public ui::Procedure {
 public:
  ExportWindow(frame::Context& ctx, equipment::AutoEntry& autoEntry);

  void init() override;
  void accepted(ui::Control& c) override;

 private:
  void chooseFile();
  void proceed();

  equipment::AutoEntry& autoEntry_;
  Str<255> fileName_;
  std::uint8_t preview_ = 1;
};

void registerExport(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared);

}  // namespace koreq::interchange
