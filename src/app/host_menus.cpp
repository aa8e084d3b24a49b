#include "app/host_menus.h"

namespace koreq::cli {

const std::vector<std::string>& hostMenuNames() {
  static const std::vector<std::string> names = {"Equipment", "Usage Logs", "Reports",
                                                 "Depreciation"};
  return names;
}

const std::vector<MenuEntry>& allMenuEntries() {
  // Forms that edit one record are opened for a new one; the dispatchers print the format
  // that is in use (a format list sets it), so they sit apart. An entry reads as the title of
  // the window it opens: a list by its title, a form "Add a …" for "Adding a …".
  static const std::vector<MenuEntry> entries = {
      {"Equipment", "", "&Equipment File Maintenance", "BrowseEQHeader", 0,
       "List, find, add, change and delete equipment", 1},
      {"Equipment", "", "Equipment &Lookup", "BrowseEQHeaderAlias", 0,
       "The short list of equipment that forms pick from", 1},
      {"Equipment", "", "&Add an Equipment Record...", "UpdateEQHeader", 1,
       "Add a piece of equipment", 1},
      {"Equipment", "", "Equipment &Maintenance Categories", "BrowseEQCode", 0,
       "List and maintain the cost categories charged against equipment", 2},
      {"Equipment", "", "Add a Cost Cate&gory...", "UpdateEQCode", 1,
       "Add a cost category that equipment can be charged with", 2},
      {"Equipment", "", "Lookup &Cost Categories", "BrowseEQCost", 0,
       "The cost categories of one piece of equipment", 3},
      {"Equipment", "", "Add a Maintenance Co&de...", "UpdateEQCost", 1,
       "Add a cost category to a piece of equipment", 3},
      {"Equipment", "", "&Type-Ahead Completion", "ToggleAutoEntryEQ", 0,
       "Offer the values entered before while typing in entry fields", 4},
      {"Usage Logs", "", "Equipment &Usage Log Entry", "BrowseEQLog", 0,
       "Enter equipment use in batches and post them", 1},
      {"Usage Logs", "", "&Add a Batch...", "UpdateEQBatch", 1, "Start a batch of usage logs", 1},
      {"Usage Logs", "", "&Proof Listing", "PrintEQLogBProof", 0,
       "Print the unposted usage logs for checking", 2},
      {"Usage Logs", "", "&Import Equipment Logs...", "ImportEQLog", 0,
       "Read usage logs from a text file", 3},
      {"Usage Logs", "", "Equipment Log &Export...", "ExportEQLog", 0,
       "Write usage logs to a text file", 3},
      {"Reports", "", "Equipment &Analysis...", "BrowseEQAnalysisLimits", 0,
       "Saved formats of the usage and cost analysis", 1},
      {"Reports", "", "Equipment &Detail...", "BrowseEQDetailLimits", 0,
       "Saved formats of the equipment detail report", 1},
      {"Reports", "", "Equipment &Listing...", "BrowseEQListingLimits", 0,
       "Saved formats of the equipment listing", 1},
      {"Reports", "", "Equipment Cost &Category Listing...", "BrowseEQCategoryListLimits", 0,
       "Saved formats of the cost category listing", 1},
      {"Reports", "Print &Now", "&Usage / Cost Analysis", "PrintEQAnalysis", 0,
       "Print the usage and cost analysis", 2},
      {"Reports", "Print &Now", "Cost &Summary", "PrintEQAnalysis1", 0, "Print the cost summary",
       2},
      {"Reports", "Print &Now", "Equipment &Detail", "PrintEQDetail", 0,
       "Print the equipment detail report", 2},
      {"Reports", "Print &Now", "Equipment &Listing and Data Sheet", "PrintEQListing", 0,
       "Print the equipment listing and data sheets", 2},
      {"Reports", "Print &Now", "Equipment Listing, Second La&yout", "PrintEQListing1", 0,
       "Print the equipment listing in its second layout", 2},
      {"Reports", "Print &Now", "Cost &Categories and Descriptions", "PrintEQCategoryList", 0,
       "Print the cost categories and their descriptions", 2},
      {"Reports", "Print &Now", "Cost Categories, &All Data", "PrintEQCategoryList1", 0,
       "Print everything about the cost categories", 2},
      {"Reports", "Print &Now", "&Maintenance Schedule", "PrintEQMaintenance", 0,
       "Print the service schedule of the equipment", 2},
      {"Reports", "Print the &Format in Use", "&Analysis Formats", "PrintEQAnalysisServer", 0,
       "Print the analysis format chosen last", 3},
      {"Reports", "Print the &Format in Use", "&Listing Formats", "PrintEQListingServer", 0,
       "Print the listing format chosen last", 3},
      {"Reports", "Print the &Format in Use", "&Cost Category Formats", "PrintEQCategoryListServer",
       0, "Print the cost category format chosen last", 3},
      {"Reports", "C&ustom Reports", "&Usage Logs", "PrintUsageLogFM", 0,
       "Design and print your own usage-log report", 4},
      {"Reports", "C&ustom Reports", "&Cost Categories", "PrintEQCategoryFM", 0,
       "Design and print your own cost category report", 4},
      {"Reports", "C&ustom Reports", "Equipment &Detail", "PrintEquipmentDetailFM", 0,
       "Design and print your own equipment detail report", 4},
      {"Reports", "C&ustom Reports", "Equipment &List", "PrintEquipmentListFM", 0,
       "Design and print your own equipment list", 4},
      {"Reports", "C&ustom Reports", "Equipment &Analysis", "PrintEQAnalysisFM", 0,
       "Design and print your own analysis report", 4},
      {"Depreciation", "", "Fixed Asset &Schedule", "PrintFixedAssets", 0,
       "Print the depreciation schedule of the fixed assets", 1},
      {"Depreciation", "", "Depreciation &Graph", "FixedAssetGraph", 0,
       "Show the depreciation and book value of a piece of equipment as a graph", 1},
      {"Depreciation", "", "Depreciation Graphs &Report", "PrintFixedAssetGraphs", 0,
       "Print the depreciation graphs", 1},
      {"Depreciation", "", "&Calculate Every Schedule...", "CalculateEverySchedule", 0,
       "Calculate and store the depreciation schedule of every piece of equipment", 2},
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
