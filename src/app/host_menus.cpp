#include "app/host_menus.h"

namespace koreq::cli {

const std::vector<std::string>& hostMenuNames() {
  static const std::vector<std::string> names = {"Equipment", "Usage Logs", "Reports",
                                                 "Depreciation"};
  return names;
}

const std::vector<MenuEntry>& allMenuEntries() {
  // Forms that edit one record are opened for a new one; the dispatchers print the format
  // that is in use (a format list sets it), so they sit apart.
  static const std::vector<MenuEntry> entries = {
      {"Equipment", "", "&Equipment List", "BrowseEQHeader"},
      {"Equipment", "", "Equipment &Lookup", "BrowseEQHeaderAlias"},
      {"Equipment", "", "&New Equipment...", "UpdateEQHeader", 1},
      {"Equipment", "", "&Cost Categories", "BrowseEQCode"},
      {"Equipment", "", "New Cost &Category...", "UpdateEQCode", 1},
      {"Equipment", "", "Cost Categories by E&quipment", "BrowseEQCost"},
      {"Equipment", "", "New Equipment Cost Ca&tegory...", "UpdateEQCost", 1},
      {"Equipment", "", "&Type-Ahead Completion On/Off", "ToggleAutoEntryEQ"},
      {"Usage Logs", "", "Usage-Log &Batches", "BrowseEQLog"},
      {"Usage Logs", "", "&New Batch...", "UpdateEQBatch", 1},
      {"Usage Logs", "", "&Proof Listing", "PrintEQLogBProof"},
      {"Usage Logs", "", "&Import Usage Logs...", "ImportEQLog"},
      {"Usage Logs", "", "&Export Usage Logs...", "ExportEQLog"},
      {"Reports", "", "Equipment &Analysis...", "BrowseEQAnalysisLimits"},
      {"Reports", "", "Equipment &Detail...", "BrowseEQDetailLimits"},
      {"Reports", "", "Equipment &Listing...", "BrowseEQListingLimits"},
      {"Reports", "", "Cost &Category Listing...", "BrowseEQCategoryListLimits"},
      {"Reports", "Print &Now", "Usage / Cost Analysis", "PrintEQAnalysis"},
      {"Reports", "Print &Now", "Cost Summary", "PrintEQAnalysis1"},
      {"Reports", "Print &Now", "Equipment Detail", "PrintEQDetail"},
      {"Reports", "Print &Now", "Equipment Listing and Data Sheet", "PrintEQListing"},
      {"Reports", "Print &Now", "Equipment Listing, Second Layout", "PrintEQListing1"},
      {"Reports", "Print &Now", "Cost Categories and Descriptions", "PrintEQCategoryList"},
      {"Reports", "Print &Now", "Cost Categories, All Data", "PrintEQCategoryList1"},
      {"Reports", "Print &Now", "Maintenance Schedule", "PrintEQMaintenance"},
      {"Reports", "Print the &Format in Use", "Analysis Formats", "PrintEQAnalysisServer"},
      {"Reports", "Print the &Format in Use", "Listing Formats", "PrintEQListingServer"},
      {"Reports", "Print the &Format in Use", "Cost Category Formats", "PrintEQCategoryListServer"},
      {"Reports", "&Custom Reports", "Usage Logs", "PrintUsageLogFM"},
      {"Reports", "&Custom Reports", "Cost Categories", "PrintEQCategoryFM"},
      {"Reports", "&Custom Reports", "Equipment Detail", "PrintEquipmentDetailFM"},
      {"Reports", "&Custom Reports", "Equipment List", "PrintEquipmentListFM"},
      {"Reports", "&Custom Reports", "Equipment Analysis", "PrintEQAnalysisFM"},
      {"Depreciation", "", "Fixed Asset &Schedule", "PrintFixedAssets"},
      {"Depreciation", "", "Depreciation &Graph", "FixedAssetGraph"},
      {"Depreciation", "", "Depreciation Graphs &Report", "PrintFixedAssetGraphs"},
  };
  return entries;
}

std::vector<MenuEntry> availableMenuEntries(const frame::ProcedureRegistry& registry) {
  std::vector<MenuEntry> out;
  for (const MenuEntry& e : allMenuEntries())
    if (registry.has(e.procedure)) out.push_back(e);
  return out;
}

}  // namespace koreq::cli
