#include "data/records.h"

#include "data/access.h"

namespace koreq::data {

using detail::addKey;
using detail::makeFile;

namespace {

FileDef eqHeaderFile(const char* name, const char* label, const char* prefix) {
  using Self = EqHeader;
  FileDef d = makeFile<Self>(name, label, prefix, {KOREQ_EQHEADER_FIELDS(KOREQ_FIELDDEF)});
  d.table = "eqheader";
  addKey(d, "KeyEquipmentID", {"EquipmentID"}, true);
  addKey(d, "KeyRecordID", {"RecordID"}, true);
  d.autoField = d.fieldIndex("RecordID");
  return d;
}

FileDef eqLogFile(const char* name, const char* label, const char* prefix) {
  using Self = EqLog;
  FileDef d = makeFile<Self>(name, label, prefix, {KOREQ_EQLOG_FIELDS(KOREQ_FIELDDEF)});
  d.table = "eqlog";
  addKey(d, "KeyEquipmentID", {"EquipmentID", "Date"}, false);
  addKey(d, "KeyRecordID", {"RecordID"}, true);
  d.autoField = d.fieldIndex("RecordID");
  return d;
}

}  // namespace

const FileDef& EqHeader::def() {
  static const FileDef d = eqHeaderFile("EQHEADER", "EQHeader", "EQH");
  return d;
}

const FileDef& eqHeaderAliasDef() {
  static const FileDef d = eqHeaderFile("EQHEADERALIAS", "EQHeaderAlias", "EQH1");
  return d;
}

const FileDef& EqCode::def() {
  static const FileDef d = [] {
    using Self = EqCode;
    FileDef d = makeFile<Self>("EQCODE", "EQCode", "EQD", {KOREQ_EQCODE_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyCategoryID", {"CategoryID"}, true);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& EqCost::def() {
  static const FileDef d = [] {
    using Self = EqCost;
    FileDef d = makeFile<Self>("EQCOST", "EQCost", "EQC", {KOREQ_EQCOST_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyEquipmentID", {"EquipmentID", "CostCategory"}, false);
    // RecordID is equipment + category: unique, so a second record of a pair cannot be saved.
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    addKey(d, "KeyCostCategory", {"CostCategory", "EquipmentID"}, false);
    addKey(d, "KeyPrimaryRecordID", {"PrimaryRecordID"}, true);
    addKey(d, "KeyEquipmentCategory", {"EquipmentID", "CostCategory"}, true);
    d.autoField = d.fieldIndex("PrimaryRecordID");
    return d;
  }();
  return d;
}

const FileDef& EqBatch::def() {
  static const FileDef d = [] {
    using Self = EqBatch;
    FileDef d = makeFile<Self>("EQBATCH", "EQBatch", "EQB", {KOREQ_EQBATCH_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyBatchID", {"BatchID"}, true);
    // Not unique: new batches get their place after they are written; the reorder keeps the
    // values distinct by parking the moving batch above the highest one.
    addKey(d, "KeySortID", {"SortID"}, false);
    d.autoField = d.fieldIndex("BatchID");
    return d;
  }();
  return d;
}

const FileDef& EqLogB::def() {
  static const FileDef d = [] {
    using Self = EqLogB;
    FileDef d = makeFile<Self>("EQLOGB", "EQLogB", "EQLB", {KOREQ_EQLOGB_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyLogID", {"LogID"}, true);
    addKey(d, "KeyBatchID", {"BatchID", "LogID"}, false);
    addKey(d, "KeyEquipmentID", {"EquipmentID", "Date"}, false);
    d.autoField = d.fieldIndex("LogID");
    return d;
  }();
  return d;
}

const FileDef& EqLog::def() {
  static const FileDef d = eqLogFile("EQLOG", "EQLog", "EQL");
  return d;
}

const FileDef& eqLogAliasDef() {
  static const FileDef d = eqLogFile("EQLOGALIAS", "EQLogAlias", "EQL1");
  return d;
}

const FileDef& EqLimits::def() {
  static const FileDef d = [] {
    using Self = EqLimits;
    FileDef d =
        makeFile<Self>("EQLIMITS", "EQLimits", "EQLM", {KOREQ_EQLIMITS_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyLimitID", {"LimitID"}, true);
    addKey(d, "KeyReport", {"Report", "ReportTitle"}, false);
    addKey(d, "KeyReportTitle", {"ReportTitle"}, false);
    d.autoField = d.fieldIndex("LimitID");
    return d;
  }();
  return d;
}

const FileDef& EqPrior::def() {
  static const FileDef d = [] {
    using Self = EqPrior;
    FileDef d = makeFile<Self>("EQPRIOR", "EQPrior", "EQP", {KOREQ_EQPRIOR_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyEquipmentYear", {"EquipmentID", "Year"}, true);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& EqPriorM::def() {
  static const FileDef d = [] {
    using Self = EqPriorM;
    FileDef d =
        makeFile<Self>("EQPRIORM", "EQPriorM", "EQPM", {KOREQ_EQPRIORM_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyEquipmentYearPeriod", {"EquipmentID", "Year", "FiscalPeriod"}, true);
    addKey(d, "KeyEquipmentID", {"EquipmentID", "FiscalPeriod"}, false);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& EqPriorC::def() {
  static const FileDef d = [] {
    using Self = EqPriorC;
    FileDef d =
        makeFile<Self>("EQPRIORC", "EQPriorC", "EQPC", {KOREQ_EQPRIORC_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyEquipmentCategoryYear", {"EquipmentID", "CostCategory", "Year"}, true);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& EqPriorCM::def() {
  static const FileDef d = [] {
    using Self = EqPriorCM;
    FileDef d =
        makeFile<Self>("EQPRIORCM", "EQPriorCM", "EQPCM", {KOREQ_EQPRIORCM_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyEquipmentCategoryYearPeriod",
           {"EquipmentID", "CostCategory", "Year", "FiscalPeriod"}, true);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& GlDepr::def() {
  static const FileDef d = [] {
    using Self = GlDepr;
    FileDef d = makeFile<Self>("GLDEPR", "GLDepr", "GLDP", {KOREQ_GLDEPR_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyEquipmentID", {"EquipmentID", "Date"}, false);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& GlMaster::def() {
  static const FileDef d = [] {
    using Self = GlMaster;
    FileDef d =
        makeFile<Self>("GLMASTER", "GLMaster", "GLM", {KOREQ_GLMASTER_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyAccount", {"Account"}, true);
    addKey(d, "KeyDescription", {"Description"}, false);
    return d;
  }();
  return d;
}

const FileDef& GlFiscal::def() {
  static const FileDef d = [] {
    using Self = GlFiscal;
    FileDef d =
        makeFile<Self>("GLFISCAL", "GLFiscal", "GLF", {KOREQ_GLFISCAL_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyFiscalPeriodUp", {"FiscalPeriod"}, true);
    addKey(d, "KeyFiscalPeriodDown", {"FiscalPeriod"}, true, true);
    return d;
  }();
  return d;
}

const FileDef& GlTrans::def() {
  static const FileDef d = [] {
    using Self = GlTrans;
    FileDef d = makeFile<Self>("GLTRANS", "GLTrans", "GLT", {KOREQ_GLTRANS_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyEquipmentID", {"EquipmentID", "CostCategory", "TransDate"}, false);
    addKey(d, "KeySubsidiaryCode", {"SubsidiaryCode", "TransDate"}, false);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& JcHeader::def() {
  static const FileDef d = [] {
    using Self = JcHeader;
    FileDef d =
        makeFile<Self>("JCHEADER", "JCHeader", "JCH", {KOREQ_JCHEADER_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyJobID", {"JobID"}, true);
    addKey(d, "KeyJobName", {"Name", "JobID"}, false);
    return d;
  }();
  return d;
}

const FileDef& JcCost::def() {
  static const FileDef d = [] {
    using Self = JcCost;
    FileDef d = makeFile<Self>("JCCOST", "JCCost", "JCC", {KOREQ_JCCOST_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyJobCodeType", {"JobID", "CostCode", "CostType"}, true);
    addKey(d, "KeyEntryMask", {"JobID", "EntryMask"}, false);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& JcLimits::def() {
  static const FileDef d = [] {
    using Self = JcLimits;
    FileDef d =
        makeFile<Self>("JCLIMITS", "JCLimits", "JCL", {KOREQ_JCLIMITS_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyLimitID", {"LimitID"}, true);
    addKey(d, "KeyReport", {"Report", "ReportTitle"}, false);
    addKey(d, "KeyReportTitle", {"ReportTitle"}, false);
    d.autoField = d.fieldIndex("LimitID");
    return d;
  }();
  return d;
}

const FileDef& PrEmp::def() {
  static const FileDef d = [] {
    using Self = PrEmp;
    FileDef d = makeFile<Self>("PREMP", "PREmp", "PRE", {KOREQ_PREMP_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyEmployeeID", {"EmployeeID"}, true);
    addKey(d, "KeyLastName", {"LastName", "FirstName"}, false);
    return d;
  }();
  return d;
}

const FileDef& PrCert::def() {
  static const FileDef d = [] {
    using Self = PrCert;
    FileDef d = makeFile<Self>("PRCERT", "PRCert", "PRC", {KOREQ_PRCERT_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyCertifiedID", {"CertifiedID"}, true);
    return d;
  }();
  return d;
}

const FileDef& UserFile::def() {
  static const FileDef d = [] {
    using Self = UserFile;
    FileDef d =
        makeFile<Self>("USERFILE", "UserFile", "USR", {KOREQ_USERFILE_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyUserID", {"UserID"}, true);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& UserLog::def() {
  static const FileDef d = [] {
    using Self = UserLog;
    FileDef d = makeFile<Self>("USERLOG", "UserLog", "USL", {KOREQ_USERLOG_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    addKey(d, "KeyUserDate", {"UserID", "Date", "Time"}, false);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& NetUser::def() {
  static const FileDef d = [] {
    using Self = NetUser;
    FileDef d = makeFile<Self>("NETUSER", "NetUser", "NET", {KOREQ_NETUSER_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyUserCompany", {"UserID", "CompanyID"}, true);
    return d;
  }();
  return d;
}

const FileDef& UserDef::def() {
  static const FileDef d = [] {
    using Self = UserDef;
    FileDef d = makeFile<Self>("USERDEF", "UserDef", "USD", {KOREQ_USERDEF_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyFile", {"File"}, true);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& DropList::def() {
  static const FileDef d = [] {
    using Self = DropList;
    FileDef d =
        makeFile<Self>("DROPLIST", "DropList", "DPL", {KOREQ_DROPLIST_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyFieldName", {"FieldName", "StringVal"}, false);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& CaseModeRecord::def() {
  static const FileDef d = [] {
    using Self = CaseModeRecord;
    FileDef d =
        makeFile<Self>("CASEMODE", "CaseMode", "CSE", {KOREQ_CASEMODE_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyFieldName", {"FieldName"}, true);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& AutoEntryRecord::def() {
  static const FileDef d = [] {
    using Self = AutoEntryRecord;
    FileDef d =
        makeFile<Self>("AUTOENTRY", "AutoEntry", "AUE", {KOREQ_AUTOENTRY_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyValue", {"Section", "Control", "Value"}, true);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& Images::def() {
  static const FileDef d = [] {
    using Self = Images;
    FileDef d = makeFile<Self>("IMAGES", "Images", "IMG", {KOREQ_IMAGES_FIELDS(KOREQ_FIELDDEF)});
    // Type, owner, then the 50-character description: a fetch with a blank description finds
    // the owner's first record of that type.
    addKey(d, "KeyTypeStringID", {"Type", "OwnerID", "Description"}, false);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& Notes::def() {
  static const FileDef d = [] {
    using Self = Notes;
    FileDef d = makeFile<Self>("NOTES", "Notes", "NOTE", {KOREQ_NOTES_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyEquipmentID", {"EquipmentID", "Date", "Time"}, false);
    addKey(d, "KeyEntityID", {"EntityType", "EntityID", "Date", "Time"}, false);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& MemLimit::def() {
  static const FileDef d = [] {
    using Self = MemLimit;
    FileDef d =
        makeFile<Self>("MEMLIMIT", "MemLimit", "ML", {KOREQ_MEMLIMIT_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyEntryID", {"EntryID"}, true);
    addKey(d, "KeyUserLimit", {"UserID", "Source", "LimitID"}, false);
    d.autoField = d.fieldIndex("EntryID");
    return d;
  }();
  return d;
}

const FileDef& LimList::def() {
  static const FileDef d = [] {
    using Self = LimList;
    FileDef d = makeFile<Self>("LIMLIST", "LimList", "LL", {KOREQ_LIMLIST_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyLimit", {"Tag", "LimitID", "FileName", "FieldNumber"}, false);
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& Systems::def() {
  static const FileDef d = [] {
    using Self = Systems;
    FileDef d = makeFile<Self>("SYSTEMS", "Systems", "SYS", {KOREQ_SYSTEMS_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& Control::def() {
  static const FileDef d = [] {
    using Self = Control;
    FileDef d =
        makeFile<Self>("CONTROL", "Control", "CTRL", {KOREQ_CONTROL_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyRecordID", {"RecordID"}, true);
    d.autoField = d.fieldIndex("RecordID");
    return d;
  }();
  return d;
}

const FileDef& ArInv::def() {
  static const FileDef d = [] {
    using Self = ArInv;
    FileDef d = makeFile<Self>("ARINV", "ARInv", "ARI", {KOREQ_ARINV_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyInvoiceID", {"InvoiceID"}, true);
    addKey(d, "KeyCustomerID", {"CustomerID", "InvoiceNumber"}, false);
    d.autoField = d.fieldIndex("InvoiceID");
    return d;
  }();
  return d;
}

const FileDef& ApInv::def() {
  static const FileDef d = [] {
    using Self = ApInv;
    FileDef d = makeFile<Self>("APINV", "APInv", "API", {KOREQ_APINV_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyInvoiceID", {"InvoiceID"}, true);
    addKey(d, "KeyVendorID", {"VendorID", "InvoiceNumber"}, false);
    d.autoField = d.fieldIndex("InvoiceID");
    return d;
  }();
  return d;
}

const FileDef& ArCust::def() {
  static const FileDef d = [] {
    using Self = ArCust;
    FileDef d = makeFile<Self>("ARCUST", "ARCust", "ARC", {KOREQ_ARCUST_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyCustomerID", {"CustomerID"}, true);
    addKey(d, "KeyName", {"Name"}, false);
    return d;
  }();
  return d;
}

const FileDef& ApVendor::def() {
  static const FileDef d = [] {
    using Self = ApVendor;
    FileDef d =
        makeFile<Self>("APVENDOR", "APVendor", "APV", {KOREQ_APVENDOR_FIELDS(KOREQ_FIELDDEF)});
    addKey(d, "KeyVendorID", {"VendorID"}, true);
    addKey(d, "KeyName", {"Name"}, false);
    return d;
  }();
  return d;
}

const std::vector<const FileDef*>& allFiles() {
  static const std::vector<const FileDef*> files = {
      // Equipment files first, aliases after their base file.
      &EqHeader::def(),
      &eqHeaderAliasDef(),
      &EqCost::def(),
      &EqCode::def(),
      &EqBatch::def(),
      &EqLogB::def(),
      &EqLog::def(),
      &eqLogAliasDef(),
      &EqLimits::def(),
      &EqPrior::def(),
      &EqPriorM::def(),
      &EqPriorC::def(),
      &EqPriorCM::def(),
      &GlDepr::def(),
      // General ledger, job cost, payroll.
      &GlMaster::def(),
      &GlFiscal::def(),
      &GlTrans::def(),
      &JcHeader::def(),
      &JcCost::def(),
      &JcLimits::def(),
      &PrEmp::def(),
      &PrCert::def(),
      // Shared suite files.
      &UserFile::def(),
      &UserLog::def(),
      &NetUser::def(),
      &UserDef::def(),
      &DropList::def(),
      &CaseModeRecord::def(),
      &AutoEntryRecord::def(),
      &Images::def(),
      &Notes::def(),
      &MemLimit::def(),
      &LimList::def(),
      &Systems::def(),
      &Control::def(),
      // Receivables and payables.
      &ArInv::def(),
      &ApInv::def(),
      &ArCust::def(),
      &ApVendor::def(),
  };
  return files;
}

}  // namespace koreq::data
