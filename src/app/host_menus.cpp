#include "app/host_menus.h"

#include "equipment/auto_entry.h"
#include "frame/registry.h"
#include "windows/BrowseEQAnalysisLimits.h"
#include "windows/BrowseEQCategoryListLimits.h"
#include "windows/BrowseEQCode.h"
#include "windows/BrowseEQCost.h"
#include "windows/BrowseEQDetailLimits.h"
#include "windows/BrowseEQHeader.h"
#include "windows/BrowseEQHeaderAlias.h"
#include "windows/BrowseEQListingLimits.h"
#include "windows/BrowseEQLog.h"
#include "windows/CalculateEverySchedule.h"
#include "windows/ExportEQLog.h"
#include "windows/ImportEQLog.h"
#include "windows/UpdateEQBatch.h"
#include "windows/UpdateEQCode.h"
#include "windows/UpdateEQCost.h"
#include "windows/UpdateEQHeader.h"

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
      {"Equipment", "", "&Equipment File Maintenance", windows::BrowseEQHeader::kName, 0,
       "List, find, add, change and delete equipment", 1},
      {"Equipment", "", "Equipment &Lookup", windows::BrowseEQHeaderAlias::kName, 0,
       "The short list of equipment that forms pick from", 1},
      {"Equipment", "", "&Add an Equipment Record...", windows::UpdateEQHeader::kName, 1,
       "Add a piece of equipment", 1},
      {"Equipment", "", "Equipment &Maintenance Categories", windows::BrowseEQCode::kName, 0,
       "List and maintain the cost categories charged against equipment", 2},
      {"Equipment", "", "Add a Cost Cate&gory...", windows::UpdateEQCode::kName, 1,
       "Add a cost category that equipment can be charged with", 2},
      {"Equipment", "", "Lookup &Cost Categories", windows::BrowseEQCost::kName, 0,
       "The cost categories of one piece of equipment", 3},
      {"Equipment", "", "Add a Maintenance Co&de...", windows::UpdateEQCost::kName, 1,
       "Add a cost category to a piece of equipment", 3},
      {"Equipment", "", "&Type-Ahead Completion", equipment::kToggleAutoEntryEQ, 0,
       "Offer the values entered before while typing in entry fields", 4},
      {"Usage Logs", "", "Equipment &Usage Log Entry", windows::BrowseEQLog::kName, 0,
       "Enter equipment use in batches and post them", 1},
      {"Usage Logs", "", "&Add a Batch...", windows::UpdateEQBatch::kName, 1,
       "Start a batch of usage logs", 1},
      {"Usage Logs", "", "&Proof Listing", frame::kPrintEQLogBProof, 0,
       "Print the unposted usage logs for checking", 2},
      {"Usage Logs", "", "&Import Equipment Logs...", windows::ImportEQLog::kName, 0,
       "Read usage logs from a text file", 3},
      {"Usage Logs", "", "Equipment Log &Export...", windows::ExportEQLog::kName, 0,
       "Write usage logs to a text file", 3},
      {"Reports", "", "Equipment &Analysis...", windows::BrowseEQAnalysisLimits::kName, 0,
       "Saved formats of the usage and cost analysis", 1},
      {"Reports", "", "Equipment &Detail...", windows::BrowseEQDetailLimits::kName, 0,
       "Saved formats of the equipment detail report", 1},
      {"Reports", "", "Equipment &Listing...", windows::BrowseEQListingLimits::kName, 0,
       "Saved formats of the equipment listing", 1},
      {"Reports", "", "Equipment Cost &Category Listing...",
       windows::BrowseEQCategoryListLimits::kName, 0, "Saved formats of the cost category listing",
       1},
      {"Reports", "Print &Now", "&Usage / Cost Analysis", frame::kPrintEQAnalysis, 0,
       "Print the usage and cost analysis", 2},
      {"Reports", "Print &Now", "Cost &Summary", frame::kPrintEQAnalysis1, 0,
       "Print the cost summary", 2},
      {"Reports", "Print &Now", "Equipment &Detail", frame::kPrintEQDetail, 0,
       "Print the equipment detail report", 2},
      {"Reports", "Print &Now", "Equipment &Listing and Data Sheet", frame::kPrintEQListing, 0,
       "Print the equipment listing and data sheets", 2},
      {"Reports", "Print &Now", "Equipment Listing, Second La&yout", frame::kPrintEQListing1, 0,
       "Print the equipment listing in its second layout", 2},
      {"Reports", "Print &Now", "Cost &Categories and Descriptions", frame::kPrintEQCategoryList, 0,
       "Print the cost categories and their descriptions", 2},
      {"Reports", "Print &Now", "Cost Categories, &All Data", frame::kPrintEQCategoryList1, 0,
       "Print everything about the cost categories", 2},
      {"Reports", "Print &Now", "&Maintenance Schedule", frame::kPrintEQMaintenance, 0,
       "Print the service schedule of the equipment", 2},
      {"Reports", "Print the &Format in Use", "&Analysis Formats", frame::kPrintEQAnalysisServer, 0,
       "Print the analysis format chosen last", 3},
      {"Reports", "Print the &Format in Use", "&Listing Formats", frame::kPrintEQListingServer, 0,
       "Print the listing format chosen last", 3},
      {"Reports", "Print the &Format in Use", "&Cost Category Formats",
       frame::kPrintEQCategoryListServer, 0, "Print the cost category format chosen last", 3},
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
      {"Depreciation", "", "Fixed Asset &Schedule", frame::kPrintFixedAssets, 0,
       "Print the depreciation schedule of the fixed assets", 1},
      {"Depreciation", "", "Depreciation &Graph", "FixedAssetGraph", 0,
       "Show the depreciation and book value of a piece of equipment as a graph", 1},
      {"Depreciation", "", "Depreciation Graphs &Report", "PrintFixedAssetGraphs", 0,
       "Print the depreciation graphs", 1},
      {"Depreciation", "", "&Calculate Every Schedule...", windows::CalculateEverySchedule::kName,
       0, "Calculate and store the depreciation schedule of every piece of equipment", 2},
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
