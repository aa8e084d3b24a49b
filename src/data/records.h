#pragma once

// The records of the equipment files and of the suite files the module reads or writes.
// Each file: a field list (type, name, length — digits for Decimal), and the struct made from
// it with the file's names, its auto-numbered field and its keys ({name, {fields}, unique,
// descending}). Field order is declaration order.

#include "data/field.h"

namespace koreq::data {

#define KOREQ_EQHEADER_FIELDS(F)               \
  F(Long, RecordID, 0)                         \
  F(String, EquipmentID, 10)                   \
  F(String, Description, 40)                   \
  F(String, PhysicalDescription, 100)          \
  F(String, VehicleLicense, 10)                \
  F(Byte, PhotoChange, 0)                      \
  F(String, ClassCode, 30)                     \
  F(String, LicenseCode, 5)                    \
  F(String, VIN, 30)                           \
  F(String, UsageUnit, 5)                      \
  F(String, BillingUnit, 5)                    \
  F(Flag, Active, 0)                           \
  F(Decimal, CumulativeNonProductiveUnits, 15) \
  F(Decimal, YearNonProductiveUnits, 15)       \
  F(Decimal, MonthNonProductiveUnits, 15)      \
  F(Decimal, CumulativeUnits, 15)              \
  F(Decimal, YearUnits, 15)                    \
  F(Decimal, MonthUnits, 15)                   \
  F(String, Location, 10)                      \
  F(Decimal, CurrentMeter, 15)                 \
  F(Date, PurchaseDate, 0)                     \
  F(Decimal, PurchaseValue, 15)                \
  F(Date, SaleDate, 0)                         \
  F(Decimal, SaleValue, 15)                    \
  F(Decimal, SalvageValue, 15)                 \
  F(UShort, DepreciationYears, 0)              \
  F(Byte, DepreciationMethod, 0)               \
  F(String, UD1DepreciationDesc, 20)           \
  F(Byte, LastPostingFiscalPeriod, 0)          \
  F(String, DestinationType, 11)               \
  F(String, DestinationAccount, 10)            \
  F(String, DestinationCategory, 10)           \
  F(String, AssetAccount, 10)                  \
  F(String, CertifiedID, 8)                    \
  F(Decimal, UnitsPerDay, 15)                  \
  F(Decimal, CumulativeInternalUnits, 15)      \
  F(Decimal, YearInternalUnits, 15)            \
  F(Decimal, MonthInternalUnits, 15)           \
  F(Decimal, CumulativeInternalIncome, 15)     \
  F(Decimal, YearInternalIncome, 15)           \
  F(Decimal, MonthInternalIncome, 15)          \
  F(Decimal, InternalBillingRate, 15)          \
  F(String, InternalIncomeControl, 10)         \
  F(Decimal, CumulativeRentalUnits, 15)        \
  F(Decimal, YearRentalUnits, 15)              \
  F(Decimal, MonthRentalUnits, 15)             \
  F(Decimal, CumulativeRentalIncome, 15)       \
  F(Decimal, YearRentalIncome, 15)             \
  F(Decimal, MonthRentalIncome, 15)            \
  F(Decimal, RentalBillingRate, 15)            \
  F(String, RentalIncomeControl, 10)           \
  F(Decimal, RentalThisPosting, 15)            \
  F(Decimal, RentalUnitsThisPosting, 15)       \
  F(Decimal, InternalThisPosting, 15)          \
  F(Decimal, InternalUnitsThisPosting, 15)     \
  F(String, UD1, 40)                           \
  F(String, UD2, 40)                           \
  F(String, UD3, 40)                           \
  F(String, UD4, 40)                           \
  F(String, UD5, 40)                           \
  F(String, UD6, 40)                           \
  F(String, UD7, 40)                           \
  F(String, UD8, 40)                           \
  F(String, UD9, 40)                           \
  F(String, UD10, 40)                          \
  F(String, UD11, 40)                          \
  F(String, UD12, 40)                          \
  F(String, UD13, 40)                          \
  F(String, UD14, 40)                          \
  F(String, UD15, 40)
KOREQ_FILE_RECORD(EqHeader, KOREQ_EQHEADER_FIELDS, "EQHEADER", "EQHeader", "EQH", "RecordID",
                  {"KeyEquipmentID", {"EquipmentID"}, true}, {"KeyRecordID", {"RecordID"}, true})
// EQHEADERALIAS: the same file under prefix EQH1, with its own buffer.
const FileDef& eqHeaderAliasDef();

#define KOREQ_EQCODE_FIELDS(F)               \
  F(Long, RecordID, 0)                       \
  F(String, CategoryID, 10)                  \
  F(String, Description, 30)                 \
  F(String, DefaultExpenseControl, 12)       \
  F(String, DefaultContraExpenseControl, 12) \
  F(String, DefaultUnit, 5)                  \
  F(String, ScheduleType, 1)                 \
  F(String, MeterName, 10)                   \
  F(ULong, Meter, 0)                         \
  F(String, IntervalName, 10)                \
  F(ULong, Interval, 0)
KOREQ_FILE_RECORD(EqCode, KOREQ_EQCODE_FIELDS, "EQCODE", "EQCode", "EQD", "RecordID",
                  {"KeyCategoryID", {"CategoryID"}, true}, {"KeyRecordID", {"RecordID"}, true})

// EQCOST: the cost categories a piece of equipment carries, with their service schedules.
// RecordID is the padded equipment ID (10) followed by the category: the unique lookup key.
#define KOREQ_EQCOST_FIELDS(F)       \
  F(Long, PrimaryRecordID, 0)        \
  F(String, RecordID, 20)            \
  F(String, EquipmentID, 10)         \
  F(String, CostCategory, 10)        \
  F(Decimal, CumulativeUnitUsed, 15) \
  F(Decimal, YearUnitsUsed, 15)      \
  F(Decimal, MonthUnitsUsed, 15)     \
  F(Decimal, CumulativeAmount, 15)   \
  F(Decimal, YearAmount, 15)         \
  F(Decimal, MonthAmount, 15)        \
  F(String, UnitName, 5)             \
  F(String, ControlCredit, 12)       \
  F(String, ControlDebit, 12)        \
  F(Decimal, TaxAmount, 15)          \
  F(String, ScheduleType, 1)         \
  F(String, MeterName, 10)           \
  F(ULong, Meter, 0)                 \
  F(String, IntervalName, 10)        \
  F(ULong, Interval, 0)              \
  F(ULong, LastServiceMeter, 0)      \
  F(Date, LastServiceDate, 0)
KOREQ_FILE_RECORD(
    EqCost, KOREQ_EQCOST_FIELDS, "EQCOST", "EQCost", "EQC", "PrimaryRecordID",
    {"KeyEquipmentID", {"EquipmentID", "CostCategory"}},
    // RecordID is equipment + category: unique, so a second record of a pair cannot be saved.
    {"KeyRecordID", {"RecordID"}, true}, {"KeyCostCategory", {"CostCategory", "EquipmentID"}},
    {"KeyPrimaryRecordID", {"PrimaryRecordID"}, true},
    {"KeyEquipmentCategory", {"EquipmentID", "CostCategory"}, true})

// EQBATCH: usage-log batch headers. BatchID is handled as an unsigned 16-bit number everywhere
// (the entries and the tag list hold it so). InUse holds the user who has the batch open for
// entry or tagged for posting, blank when free.
#define KOREQ_EQBATCH_FIELDS(F) \
  F(UShort, BatchID, 0)         \
  F(String, UserID, 10)         \
  F(String, Description, 25)    \
  F(Byte, Secure, 0)            \
  F(Long, SortID, 0)            \
  F(Flag, Repeating, 0)         \
  F(Short, Frequency, 0)        \
  F(Date, DateLastPosting, 0)   \
  F(String, InUse, 10)          \
  F(Flag, RememberLastJob, 0)   \
  F(Byte, FrequencyType, 0)     \
  F(Short, Frequency2, 0)       \
  F(Flag, ReInsert, 0)
KOREQ_FILE_RECORD(EqBatch, KOREQ_EQBATCH_FIELDS, "EQBATCH", "EQBatch", "EQB", "BatchID",
                  {"KeyBatchID", {"BatchID"}, true},
                  // Not unique: new batches get their place after they are written; the reorder
                  // keeps the values distinct by parking the moving batch above the highest one.
                  {"KeySortID", {"SortID"}})

// EQLOGB: unposted usage-log entries; meters, units and amounts hold 11 digits.
#define KOREQ_EQLOGB_FIELDS(F)   \
  F(Long, LogID, 0)              \
  F(String, EquipmentID, 10)     \
  F(UShort, BatchID, 0)          \
  F(Date, Date, 0)               \
  F(Decimal, StartMeter, 11)     \
  F(Decimal, EndMeter, 11)       \
  F(Decimal, Units, 11)          \
  F(String, ChargeType, 1)       \
  F(Decimal, GrossAmount, 11)    \
  F(Decimal, AdjustedAmount, 11) \
  F(String, DetailType, 11)      \
  F(String, GLAccount, 12)       \
  F(String, JobID, 10)           \
  F(String, CostCode, 14)        \
  F(String, Category, 10)        \
  F(String, Comments, 20)        \
  F(UShort, EmployeeID, 0)       \
  F(String, Location, 5)         \
  F(String, EquipmentIDCharged, 10)
KOREQ_FILE_RECORD(EqLogB, KOREQ_EQLOGB_FIELDS, "EQLOGB", "EQLogB", "EQLB", "LogID",
                  {"KeyLogID", {"LogID"}, true}, {"KeyBatchID", {"BatchID", "LogID"}},
                  {"KeyEquipmentID", {"EquipmentID", "Date"}})

// EQLOG: posted usage-log entries, written by posting. RecordID gives the rows an identity of
// their own; the other fields are those of EQLOGB (without entry and batch) at 15 digits.
#define KOREQ_EQLOG_FIELDS(F)    \
  F(Long, RecordID, 0)           \
  F(String, EquipmentID, 10)     \
  F(String, Type, 1)             \
  F(Date, Date, 0)               \
  F(Decimal, StartMeter, 15)     \
  F(Decimal, EndMeter, 15)       \
  F(Decimal, Units, 15)          \
  F(String, ChargeType, 1)       \
  F(Decimal, GrossAmount, 15)    \
  F(Decimal, AdjustedAmount, 15) \
  F(String, DetailType, 11)      \
  F(String, GLAccount, 12)       \
  F(String, JobID, 10)           \
  F(String, CostCode, 14)        \
  F(String, Category, 10)        \
  F(String, Comments, 20)        \
  F(UShort, EmployeeID, 0)       \
  F(String, Location, 5)         \
  F(Flag, Posted, 0)             \
  F(Long, JournalNumber, 0)      \
  F(String, EquipmentIDCharged, 10)
KOREQ_FILE_RECORD(EqLog, KOREQ_EQLOG_FIELDS, "EQLOG", "EQLog", "EQL", "RecordID",
                  {"KeyEquipmentID", {"EquipmentID", "Date"}}, {"KeyRecordID", {"RecordID"}, true},
                  // Numbering a posting's journal reads the highest one from here.
                  {"KeyJournalNumber", {"JournalNumber"}})
// EQLOGALIAS: the same file under prefix EQL1, with its own buffer.
const FileDef& eqLogAliasDef();

// EQLIMITS: saved report formats. The declaration order gives the field numbers 1 to 39 that
// the forms' field history uses, so Reserved1/Reserved2 (numbers 37, 38; unused here) stay.
#define KOREQ_EQLIMITS_FIELDS(F)     \
  F(ULong, LimitID, 0)               \
  F(String, UserID, 10)              \
  F(String, Report, 30)              \
  F(String, ReportTitle, 40)         \
  F(Date, ModifyDate, 0)             \
  F(Flag, SelectedEquipment, 0)      \
  F(String, EquipmentFrom, 10)       \
  F(String, EquipmentTo, 10)         \
  F(Flag, SelectedCategory, 0)       \
  F(String, CategoryFrom, 10)        \
  F(String, CategoryTo, 10)          \
  F(Byte, SelectedDates, 0)          \
  F(Date, DateFrom, 0)               \
  F(Date, DateTo, 0)                 \
  F(Flag, SelectedFP, 0)             \
  F(Decimal0, FPFrom, 5)             \
  F(Decimal0, FPTo, 5)               \
  F(String, ReportFormat, 1)         \
  F(String, ReportType, 1)           \
  F(Flag, SelectedClass, 0)          \
  F(String, ClassFrom, 30)           \
  F(String, ClassTo, 30)             \
  F(String, JournalType, 15)         \
  F(Flag, SelectedJournals, 0)       \
  F(Decimal0, JournalFrom, 7)        \
  F(Decimal0, JournalTo, 7)          \
  F(Flag, SelectedRef, 0)            \
  F(Decimal, RefFrom, 15)            \
  F(Decimal, RefTo, 15)              \
  F(String, QuantityAnalysis, 1)     \
  F(String, DetailSummary, 1)        \
  F(Byte, SkipEquipment, 0)          \
  F(String, GLAccount, 12)           \
  F(Flag, PrintTransactionDetail, 0) \
  F(Flag, IncludeInactive, 0)        \
  F(Flag, Locked, 0)                 \
  F(Long, Reserved1, 0)              \
  F(Byte, Reserved2, 0)              \
  F(String, Orientation, 1)
KOREQ_FILE_RECORD(EqLimits, KOREQ_EQLIMITS_FIELDS, "EQLIMITS", "EQLimits", "EQLM", "LimitID",
                  {"KeyLimitID", {"LimitID"}, true}, {"KeyReport", {"Report", "ReportTitle"}},
                  {"KeyReportTitle", {"ReportTitle"}})

// Prior-period totals, written by period closing: per equipment and year (EQPRIOR), and per
// fiscal period (EQPRIORM); per equipment, category and year (EQPRIORC), and per period
// (EQPRIORCM). Fiscal periods run on across years, so a later period has a larger number.
#define KOREQ_EQPRIOR_FIELDS(F)  \
  F(Long, RecordID, 0)           \
  F(String, EquipmentID, 10)     \
  F(Short, Year, 0)              \
  F(Decimal, InternalUnits, 15)  \
  F(Decimal, InternalIncome, 15) \
  F(Decimal, RentalUnits, 15)    \
  F(Decimal, RentalIncome, 15)   \
  F(Decimal, NonProductiveUnits, 15)
KOREQ_FILE_RECORD(EqPrior, KOREQ_EQPRIOR_FIELDS, "EQPRIOR", "EQPrior", "EQP", "RecordID",
                  {"KeyEquipmentYear", {"EquipmentID", "Year"}, true},
                  {"KeyRecordID", {"RecordID"}, true})

#define KOREQ_EQPRIORM_FIELDS(F) \
  F(Long, RecordID, 0)           \
  F(String, EquipmentID, 10)     \
  F(Short, Year, 0)              \
  F(Short, FiscalPeriod, 0)      \
  F(Decimal, InternalUnits, 15)  \
  F(Decimal, InternalIncome, 15) \
  F(Decimal, RentalUnits, 15)    \
  F(Decimal, RentalIncome, 15)   \
  F(Decimal, NonProductiveUnits, 15)
KOREQ_FILE_RECORD(EqPriorM, KOREQ_EQPRIORM_FIELDS, "EQPRIORM", "EQPriorM", "EQPM", "RecordID",
                  {"KeyEquipmentYearPeriod", {"EquipmentID", "Year", "FiscalPeriod"}, true},
                  {"KeyEquipmentID", {"EquipmentID", "FiscalPeriod"}},
                  {"KeyRecordID", {"RecordID"}, true})

#define KOREQ_EQPRIORC_FIELDS(F) \
  F(Long, RecordID, 0)           \
  F(String, EquipmentID, 10)     \
  F(String, CostCategory, 10)    \
  F(Short, Year, 0)              \
  F(Decimal, Units, 15)          \
  F(Decimal, Amount, 15)
KOREQ_FILE_RECORD(EqPriorC, KOREQ_EQPRIORC_FIELDS, "EQPRIORC", "EQPriorC", "EQPC", "RecordID",
                  {"KeyEquipmentCategoryYear", {"EquipmentID", "CostCategory", "Year"}, true},
                  {"KeyRecordID", {"RecordID"}, true})

#define KOREQ_EQPRIORCM_FIELDS(F) \
  F(Long, RecordID, 0)            \
  F(Short, Year, 0)               \
  F(Short, FiscalPeriod, 0)       \
  F(String, EquipmentID, 10)      \
  F(String, CostCategory, 10)     \
  F(Decimal, Units, 15)           \
  F(Decimal, Amount, 15)
KOREQ_FILE_RECORD(EqPriorCM, KOREQ_EQPRIORCM_FIELDS, "EQPRIORCM", "EQPriorCM", "EQPCM", "RecordID",
                  {"KeyEquipmentCategoryYearPeriod",
                   {"EquipmentID", "CostCategory", "Year", "FiscalPeriod"},
                   true},
                  {"KeyRecordID", {"RecordID"}, true})

// GLDEPR: the stored monthly depreciation schedule (order: straight line, declining balance,
// sum of years' digits, custom). The UD2 pair is carried but never written by this module.
#define KOREQ_GLDEPR_FIELDS(F) \
  F(Long, RecordID, 0)         \
  F(String, EquipmentID, 10)   \
  F(Date, Date, 0)             \
  F(Decimal, SLAmount, 15)     \
  F(Decimal, SLValue, 15)      \
  F(Decimal, DDBAmount, 15)    \
  F(Decimal, DDBValue, 15)     \
  F(Decimal, SYAmount, 15)     \
  F(Decimal, SYValue, 15)      \
  F(Decimal, UD1Amount, 15)    \
  F(Decimal, UD1Value, 15)     \
  F(Decimal, UD2Amount, 15)    \
  F(Decimal, UD2Value, 15)     \
  F(Decimal, ActualAmount, 15) \
  F(String, FPPostedLabel, 5)  \
  F(Long, GLTransID, 0)
KOREQ_FILE_RECORD(GlDepr, KOREQ_GLDEPR_FIELDS, "GLDEPR", "GLDepr", "GLDP", "RecordID",
                  {"KeyEquipmentID", {"EquipmentID", "Date"}}, {"KeyRecordID", {"RecordID"}, true})

// GLMASTER: chart of accounts. Type: 'A' asset, 'L' liability, 'C' capital, 'I' income,
// 'E' expense; NormalBalance 'D' or 'C'.
#define KOREQ_GLMASTER_FIELDS(F) \
  F(String, Account, 12)         \
  F(String, Description, 40)     \
  F(String, Type, 1)             \
  F(String, NormalBalance, 1)    \
  F(Byte, Inactive, 0)
KOREQ_FILE_RECORD(GlMaster, KOREQ_GLMASTER_FIELDS, "GLMASTER", "GLMaster", "GLM", nullptr,
                  {"KeyAccount", {"Account"}, true}, {"KeyDescription", {"Description"}})

// GLFISCAL: fiscal periods, numbered on across years. Status 'L' locked, 'C' closed, blank
// open; PeriodDate is the period's date (its year is the fiscal year of the prior files).
#define KOREQ_GLFISCAL_FIELDS(F) \
  F(UShort, FiscalPeriod, 0)     \
  F(String, Description, 15)     \
  F(String, Status, 1)           \
  F(Date, PeriodDate, 0)         \
  F(UShort, FiscalYear, 0)       \
  F(String, Label, 5)
KOREQ_FILE_RECORD(GlFiscal, KOREQ_GLFISCAL_FIELDS, "GLFISCAL", "GLFiscal", "GLF", nullptr,
                  {"KeyFiscalPeriodUp", {"FiscalPeriod"}, true},
                  {"KeyFiscalPeriodDown", {"FiscalPeriod"}, true, true})

// GLTRANS: ledger transactions. SubsidiaryCode is the padded equipment ID (10) followed by the
// cost category, or ".I"/".R" for income. FiscalPeriod is 16-bit like GLF:FiscalPeriod, since
// period numbers run on across years.
#define KOREQ_GLTRANS_FIELDS(F)      \
  F(Long, RecordID, 0)               \
  F(Long, GroupID, 0)                \
  F(String, AccountNumber, 12)       \
  F(UShort, FiscalPeriod, 0)         \
  F(String, FiscalPeriodLabel, 5)    \
  F(String, JournalID, 3)            \
  F(Long, JournalNo, 0)              \
  F(Short, LineNo, 0)                \
  F(Date, TransDate, 0)              \
  F(Byte, Posted, 0)                 \
  F(Date, PostingDate, 0)            \
  F(Time, PostingTime, 0)            \
  F(String, CheckNo, 15)             \
  F(String, ClearedStatus, 1)        \
  F(String, DetailType, 11)          \
  F(String, SubsidiaryID, 1)         \
  F(String, SubsidiaryCode, 24)      \
  F(String, JobID, 10)               \
  F(String, CodeTypeGroup, 14)       \
  F(String, CostCode, 10)            \
  F(String, CostType, 1)             \
  F(String, GroupCode, 3)            \
  F(String, EquipmentID, 10)         \
  F(String, CostCategory, 10)        \
  F(Decimal, SubsidiaryQuantity, 15) \
  F(String, SubsidiaryUnit, 10)      \
  F(String, Description, 60)         \
  F(String, CreditDebit, 1)          \
  F(Decimal, Amount, 15)             \
  F(Decimal, Tax, 15)                \
  F(Byte, Billed, 0)                 \
  F(Long, VendorID, 0)               \
  F(Long, EmployeeID, 0)             \
  F(Long, CustomerID, 0)             \
  F(ULong, APInvoiceID, 0)           \
  F(ULong, ARInvoiceID, 0)           \
  F(String, UserID, 3)               \
  F(Decimal, AmountBilled, 15)       \
  F(Long, BillingInvoiceID, 0)       \
  F(String, ItemID, 15)              \
  F(String, WorkOrderID, 15)         \
  F(String, LocationID, 10)          \
  F(String, BinID, 10)               \
  F(Long, SerialID, 0)               \
  F(Byte, JobBilling, 0)             \
  F(Long, PRTransIID, 0)
KOREQ_FILE_RECORD(GlTrans, KOREQ_GLTRANS_FIELDS, "GLTRANS", "GLTrans", "GLT", "RecordID",
                  {"KeyEquipmentID", {"EquipmentID", "CostCategory", "TransDate"}},
                  {"KeySubsidiaryCode", {"SubsidiaryCode", "TransDate"}},
                  {"KeyRecordID", {"RecordID"}, true},
                  // Numbering a posting's group reads the highest one from here, not the ledger.
                  {"KeyGroupID", {"GroupID"}})

// JCHEADER: jobs. A job is offered by the name search when Active is set and
// ExcludeFromSelection is not 1.
#define KOREQ_JCHEADER_FIELDS(F) \
  F(String, JobID, 10)           \
  F(String, Name, 40)            \
  F(Byte, Active, 0)             \
  F(Byte, ExcludeFromSelection, 0)
KOREQ_FILE_RECORD(JcHeader, KOREQ_JCHEADER_FIELDS, "JCHEADER", "JCHeader", "JCH", nullptr,
                  {"KeyJobID", {"JobID"}, true}, {"KeyJobName", {"Name", "JobID"}})

// JCCOST: a job's cost codes. EntryMask is the code as typed in entries: the cost code followed
// by its one-letter cost type (EQLB:CostCode).
#define KOREQ_JCCOST_FIELDS(F) \
  F(Long, RecordID, 0)         \
  F(String, JobID, 10)         \
  F(String, CostCode, 10)      \
  F(String, CostType, 1)       \
  F(String, EntryMask, 14)     \
  F(String, Description, 30)   \
  F(String, GLAccount, 12)     \
  F(Byte, Inactive, 0)
KOREQ_FILE_RECORD(JcCost, KOREQ_JCCOST_FIELDS, "JCCOST", "JCCost", "JCC", "RecordID",
                  {"KeyJobCodeType", {"JobID", "CostCode", "CostType"}, true},
                  {"KeyEntryMask", {"JobID", "EntryMask"}}, {"KeyRecordID", {"RecordID"}, true})

// JCLIMITS: the job-cost limits file, as far as the usage-log import sources use it. JobTo holds
// the source's date format, PrintOrder its file format, NameFrom the file to read and FieldMap
// the line layout (3-character items); SourceFlag is 'P' on the built-in source.
#define KOREQ_JCLIMITS_FIELDS(F) \
  F(ULong, LimitID, 0)           \
  F(String, UserID, 10)          \
  F(String, Report, 30)          \
  F(String, ReportTitle, 40)     \
  F(String, JobTo, 10)           \
  F(String, PrintOrder, 1)       \
  F(String, SourceFlag, 1)       \
  F(String, NameFrom, 200)       \
  F(String, FieldMap, 500)
KOREQ_FILE_RECORD(JcLimits, KOREQ_JCLIMITS_FIELDS, "JCLIMITS", "JCLimits", "JCL", "LimitID",
                  {"KeyLimitID", {"LimitID"}, true}, {"KeyReport", {"Report", "ReportTitle"}},
                  {"KeyReportTitle", {"ReportTitle"}})

// PREMP: employees. Usage logs keep the number in 16 bits, ledger transactions in 32.
#define KOREQ_PREMP_FIELDS(F) \
  F(ULong, EmployeeID, 0)     \
  F(String, FirstName, 20)    \
  F(String, LastName, 20)     \
  F(Byte, Active, 0)
KOREQ_FILE_RECORD(PrEmp, KOREQ_PREMP_FIELDS, "PREMP", "PREmp", "PRE", nullptr,
                  {"KeyEmployeeID", {"EmployeeID"}, true},
                  {"KeyLastName", {"LastName", "FirstName"}})

#define KOREQ_PRCERT_FIELDS(F) \
  F(String, CertifiedID, 8)    \
  F(String, Description, 40)
KOREQ_FILE_RECORD(PrCert, KOREQ_PRCERT_FIELDS, "PRCERT", "PRCert", "PRC", nullptr,
                  {"KeyCertifiedID", {"CertifiedID"}, true})

// USERFILE: users, with one yes/no byte per protected area (0 = not allowed).
#define KOREQ_USERFILE_FIELDS(F)   \
  F(Long, RecordID, 0)             \
  F(String, UserID, 3)             \
  F(String, FirstName, 20)         \
  F(String, LastName, 20)          \
  F(String, Password, 20)          \
  F(Flag, Administrator, 0)        \
  F(Flag, ChangeEquipment, 0)      \
  F(Flag, ChangeCostCategories, 0) \
  F(Flag, PostEquipmentLogs, 0)    \
  F(Flag, BackupBeforePosting, 0)  \
  F(String, EmailAddress, 60)      \
  F(String, MessageText, 500)
KOREQ_FILE_RECORD(UserFile, KOREQ_USERFILE_FIELDS, "USERFILE", "UserFile", "USR", "RecordID",
                  {"KeyUserID", {"UserID"}, true}, {"KeyRecordID", {"RecordID"}, true})

// USERLOG: the activity log.
#define KOREQ_USERLOG_FIELDS(F) \
  F(Long, RecordID, 0)          \
  F(String, UserID, 3)          \
  F(Date, Date, 0)              \
  F(Time, Time, 0)              \
  F(String, Area, 40)           \
  F(String, Text, 100)
KOREQ_FILE_RECORD(UserLog, KOREQ_USERLOG_FIELDS, "USERLOG", "UserLog", "USL", "RecordID",
                  {"KeyRecordID", {"RecordID"}, true}, {"KeyUserDate", {"UserID", "Date", "Time"}})

// NETUSER: one row per signed-on user and company; Activity is blank when idle and names the
// posting in progress otherwise.
#define KOREQ_NETUSER_FIELDS(F) \
  F(String, UserID, 3)          \
  F(String, CompanyID, 10)      \
  F(String, Activity, 30)       \
  F(Flag, Posting, 0)
KOREQ_FILE_RECORD(NetUser, KOREQ_NETUSER_FIELDS, "NETUSER", "NetUser", "NET", nullptr,
                  {"KeyUserCompany", {"UserID", "CompanyID"}, true})

// USERDEF: the prompts of a file's user-defined fields ("EQHeader": EQH:UD1 ... EQH:UD15).
#define KOREQ_USERDEF_FIELDS(F) \
  F(Long, RecordID, 0)          \
  F(String, File, 8)            \
  F(String, U1, 20)             \
  F(String, U2, 20)             \
  F(String, U3, 20)             \
  F(String, U4, 20)             \
  F(String, U5, 20)             \
  F(String, U6, 20)             \
  F(String, U7, 20)             \
  F(String, U8, 20)             \
  F(String, U9, 20)             \
  F(String, U10, 20)            \
  F(String, U11, 20)            \
  F(String, U12, 20)            \
  F(String, U13, 20)            \
  F(String, U14, 20)            \
  F(String, U15, 20)
KOREQ_FILE_RECORD(UserDef, KOREQ_USERDEF_FIELDS, "USERDEF", "UserDef", "USD", "RecordID",
                  {"KeyFile", {"File"}, true}, {"KeyRecordID", {"RecordID"}, true})

// DROPLIST: the values of the editable drop lists, under a list name ("EQH Class Code").
#define KOREQ_DROPLIST_FIELDS(F) \
  F(Long, RecordID, 0)           \
  F(String, FieldName, 20)       \
  F(String, StringVal, 30)
KOREQ_FILE_RECORD(DropList, KOREQ_DROPLIST_FIELDS, "DROPLIST", "DropList", "DPL", "RecordID",
                  {"KeyFieldName", {"FieldName", "StringVal"}}, {"KeyRecordID", {"RecordID"}, true})

// CASEMODE: the case mode ("DEF", "CAP", "UPR") the user chose for a field, by field name.
#define KOREQ_CASEMODE_FIELDS(F) \
  F(Long, RecordID, 0)           \
  F(String, FieldName, 40)       \
  F(String, Mode, 3)
KOREQ_FILE_RECORD(CaseModeRecord, KOREQ_CASEMODE_FIELDS, "CASEMODE", "CaseMode", "CSE", "RecordID",
                  {"KeyFieldName", {"FieldName"}, true}, {"KeyRecordID", {"RecordID"}, true})

// AUTOENTRY: the values accepted in a type-ahead entry, per section (procedure name) and
// control; Uses counts the acceptances, LastUsed is the day of the last one.
#define KOREQ_AUTOENTRY_FIELDS(F) \
  F(Long, RecordID, 0)            \
  F(String, Section, 40)          \
  F(String, Control, 40)          \
  F(String, Value, 100)           \
  F(Date, LastUsed, 0)            \
  F(Long, Uses, 0)
KOREQ_FILE_RECORD(AutoEntryRecord, KOREQ_AUTOENTRY_FIELDS, "AUTOENTRY", "AutoEntry", "AUE",
                  "RecordID", {"KeyValue", {"Section", "Control", "Value"}, true},
                  {"KeyRecordID", {"RecordID"}, true})

// IMAGES: photographs ("Equipment") and attachments ("EQHeader") of an owner. The stored file
// itself lives in the image store, not in this record. Date is a day number and Time a time
// value of the runtime, as the file-date services return them.
#define KOREQ_IMAGES_FIELDS(F) \
  F(Long, RecordID, 0)         \
  F(String, Type, 15)          \
  F(Long, OwnerRecordID, 0)    \
  F(String, OwnerID, 20)       \
  F(String, Description, 50)   \
  F(String, FileType, 10)      \
  F(String, FileName, 250)     \
  F(Long, Date, 0)             \
  F(Long, Time, 0)
KOREQ_FILE_RECORD(Images, KOREQ_IMAGES_FIELDS, "IMAGES", "Images", "IMG", "RecordID",
                  // Type, owner, then the 50-character description: a fetch with a blank
                  // description finds the owner's first record of that type.
                  {"KeyTypeStringID", {"Type", "OwnerID", "Description"}},
                  {"KeyRecordID", {"RecordID"}, true})

// NOTES: dated notes of an entity: equipment notes carry EquipmentID, a ledger transaction's
// note EntityType "GLTrans" and the transaction's RecordID as text in EntityID.
#define KOREQ_NOTES_FIELDS(F) \
  F(Long, RecordID, 0)        \
  F(String, EntityType, 15)   \
  F(String, EquipmentID, 10)  \
  F(String, EntityID, 20)     \
  F(Date, Date, 0)            \
  F(Time, Time, 0)            \
  F(String, Heading, 60)      \
  F(String, Note, 2000)       \
  F(String, UserID, 3)        \
  F(Flag, Tagged, 0)
KOREQ_FILE_RECORD(Notes, KOREQ_NOTES_FIELDS, "NOTES", "Notes", "NOTE", "RecordID",
                  {"KeyEquipmentID", {"EquipmentID", "Date", "Time"}},
                  {"KeyEntityID", {"EntityType", "EntityID", "Date", "Time"}},
                  {"KeyRecordID", {"RecordID"}, true})

// MEMLIMIT: a user's favourite reports; Source is the tag of the format's file ("EQLimits").
#define KOREQ_MEMLIMIT_FIELDS(F) \
  F(ULong, EntryID, 0)           \
  F(ULong, LimitID, 0)           \
  F(String, UserID, 10)          \
  F(String, Source, 12)          \
  F(String, ReportName, 30)      \
  F(String, ReportTitle, 40)
KOREQ_FILE_RECORD(MemLimit, KOREQ_MEMLIMIT_FIELDS, "MEMLIMIT", "MemLimit", "ML", "EntryID",
                  {"KeyEntryID", {"EntryID"}, true},
                  {"KeyUserLimit", {"UserID", "Source", "LimitID"}})

// LIMLIST: user-defined-field limits of a report format: tag "EQLimits", the format's number,
// FileName "EQHeaderUD", the user-defined field's number (1-15) and the value it must hold.
#define KOREQ_LIMLIST_FIELDS(F) \
  F(Long, RecordID, 0)          \
  F(String, Tag, 10)            \
  F(ULong, LimitID, 0)          \
  F(String, FileName, 20)       \
  F(Short, FieldNumber, 0)      \
  F(String, Value, 30)
KOREQ_FILE_RECORD(LimList, KOREQ_LIMLIST_FIELDS, "LIMLIST", "LimList", "LL", "RecordID",
                  {"KeyLimit", {"Tag", "LimitID", "FileName", "FieldNumber"}},
                  {"KeyRecordID", {"RecordID"}, true})

// SYSTEMS: company settings, one record. The control accounts are those that only their own
// ledger may post to; CurrentEarnings may not be posted to at all.
#define KOREQ_SYSTEMS_FIELDS(F)               \
  F(Long, RecordID, 0)                        \
  F(String, CompanyName, 50)                  \
  F(Byte, JobIDLength, 0)                     \
  F(Byte, CostCodeLength, 0)                  \
  F(String, AccountsPayable, 12)              \
  F(String, SubcontractsPayable, 12)          \
  F(String, RetentionPayable, 12)             \
  F(String, AccountsReceivable, 12)           \
  F(String, RetentionReceivable, 12)          \
  F(String, LaborCostsOnOpenJobs, 12)         \
  F(String, MaterialCostsOnOpenJobs, 12)      \
  F(String, SubcontractCostsOnOpenJobs, 12)   \
  F(String, EquipmentCostsOnOpenJobs, 12)     \
  F(String, GeneralCostsOnOpenJobs, 12)       \
  F(String, BurdenCostsOnOpenJobs, 12)        \
  F(String, JobIncomeOnOpenJobs, 12)          \
  F(String, CurrentEarnings, 12)              \
  F(String, DefaultExpenseAccount, 12)        \
  F(String, DefaultInternalIncomeAccount, 12) \
  F(String, DefaultRentalIncomeAccount, 12)
KOREQ_FILE_RECORD(Systems, KOREQ_SYSTEMS_FIELDS, "SYSTEMS", "Systems", "SYS", "RecordID",
                  {"KeyRecordID", {"RecordID"}, true})

// CONTROL: further company settings, one record.
#define KOREQ_CONTROL_FIELDS(F)     \
  F(Long, RecordID, 0)              \
  F(String, SystemPassword, 20)     \
  F(UShort, CurrentFiscalPeriod, 0) \
  F(Byte, LogUserActivity, 0)
KOREQ_FILE_RECORD(Control, KOREQ_CONTROL_FIELDS, "CONTROL", "Control", "CTRL", "RecordID",
                  {"KeyRecordID", {"RecordID"}, true})

// Receivables and payables, as far as the detail report describes ledger transactions by them.
// A blank InvoiceNumber is an unnumbered invoice or billing.
#define KOREQ_ARINV_FIELDS(F)  \
  F(ULong, InvoiceID, 0)       \
  F(Long, CustomerID, 0)       \
  F(String, InvoiceNumber, 15) \
  F(Date, InvoiceDate, 0)      \
  F(String, JobID, 10)         \
  F(String, Description, 40)   \
  F(Decimal, Amount, 15)
KOREQ_FILE_RECORD(ArInv, KOREQ_ARINV_FIELDS, "ARINV", "ARInv", "ARI", "InvoiceID",
                  {"KeyInvoiceID", {"InvoiceID"}, true},
                  {"KeyCustomerID", {"CustomerID", "InvoiceNumber"}})

#define KOREQ_APINV_FIELDS(F)  \
  F(ULong, InvoiceID, 0)       \
  F(Long, VendorID, 0)         \
  F(String, InvoiceNumber, 15) \
  F(Date, InvoiceDate, 0)      \
  F(String, Description, 40)   \
  F(Decimal, Amount, 15)
KOREQ_FILE_RECORD(ApInv, KOREQ_APINV_FIELDS, "APINV", "APInv", "API", "InvoiceID",
                  {"KeyInvoiceID", {"InvoiceID"}, true},
                  {"KeyVendorID", {"VendorID", "InvoiceNumber"}})

#define KOREQ_ARCUST_FIELDS(F) \
  F(Long, CustomerID, 0)       \
  F(String, Name, 40)
KOREQ_FILE_RECORD(ArCust, KOREQ_ARCUST_FIELDS, "ARCUST", "ARCust", "ARC", nullptr,
                  {"KeyCustomerID", {"CustomerID"}, true}, {"KeyName", {"Name"}})

#define KOREQ_APVENDOR_FIELDS(F) \
  F(Long, VendorID, 0)           \
  F(String, Name, 40)
KOREQ_FILE_RECORD(ApVendor, KOREQ_APVENDOR_FIELDS, "APVENDOR", "APVendor", "APV", nullptr,
                  {"KeyVendorID", {"VendorID"}, true}, {"KeyName", {"Name"}})

}  // namespace koreq::data
