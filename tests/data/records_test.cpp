#include "data/records.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

namespace koreq::data {
namespace {

bool isInteger(FieldType t) {
  return t == FieldType::Long || t == FieldType::ULong || t == FieldType::Short ||
         t == FieldType::UShort || t == FieldType::Byte;
}

const FileDef* byPrefix(const std::string& prefix) {
  for (const FileDef* f : allFiles())
    if (f->prefix == prefix) return f;
  return nullptr;
}

struct Expect {
  const char* column;
  FieldType type;
  int length;
  int places;
};

// Checks the whole field list of a file against the declaration order given.
void expectFields(const FileDef& d, const std::vector<Expect>& want) {
  ASSERT_EQ(d.fields.size(), want.size()) << d.name;
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(d.name + " field " + std::to_string(i + 1));
    EXPECT_EQ(d.fields[i].column, want[i].column);
    EXPECT_EQ(d.fields[i].type, want[i].type);
    if (want[i].type == FieldType::String || want[i].type == FieldType::Decimal) {
      EXPECT_EQ(d.fields[i].length, want[i].length);
      EXPECT_EQ(d.fields[i].places, want[i].places);
    }
  }
}

// How a field of a freshly created buffer reads.
std::string clearText(FieldType t) {
  if (t == FieldType::Decimal) return Decimal().toString();
  if (t == FieldType::String || t == FieldType::Date) return "";
  return "0";
}

std::vector<std::string> keyColumns(const FileDef& d, const char* key) {
  std::vector<std::string> out;
  const KeyDef* k = d.key(key);
  if (!k) return {"<no key " + std::string(key) + ">"};
  for (int i : k->fields) out.push_back(d.fields[static_cast<size_t>(i)].column);
  return out;
}

TEST(Records, EveryFileIsWellFormed) {
  std::set<std::string> names, prefixes, ownTables;
  for (const FileDef* f : allFiles()) {
    SCOPED_TRACE(f->name);
    EXPECT_TRUE(names.insert(f->name).second) << "file listed twice";
    EXPECT_TRUE(prefixes.insert(f->prefix).second) << "prefix shared";
    EXPECT_FALSE(f->label.empty());
    EXPECT_EQ(upper(f->label), f->name);
    if (f->name.find("ALIAS") == std::string::npos) {
      EXPECT_TRUE(ownTables.insert(f->table).second) << "table shared by two base files";
    }
    ASSERT_FALSE(f->fields.empty());
    ASSERT_FALSE(f->keys.empty());

    std::set<std::string> columns;
    for (const FieldDef& fd : f->fields) {
      EXPECT_EQ(fd.name, f->prefix + ":" + fd.column);
      EXPECT_TRUE(columns.insert(upper(fd.column)).second) << "duplicate field " << fd.name;
      EXPECT_NE(fd.get, nullptr);
      EXPECT_NE(fd.set, nullptr);
      if (fd.type == FieldType::String) {
        EXPECT_GT(fd.length, 0) << fd.name;
      }
      if (fd.type == FieldType::Decimal) {
        EXPECT_TRUE(fd.length == 11 || fd.length == 15 || fd.places == 0) << fd.name;
        EXPECT_TRUE(fd.places == 2 || fd.places == 0) << fd.name;
      }
    }

    std::set<std::string> keyNames;
    for (const KeyDef& k : f->keys) {
      EXPECT_EQ(k.name.rfind(f->prefix + ":Key", 0), 0u) << k.name;
      EXPECT_TRUE(keyNames.insert(upper(k.name)).second) << "duplicate key " << k.name;
      EXPECT_FALSE(k.fields.empty()) << k.name;
      for (int i : k.fields) {
        EXPECT_GE(i, 0);
        EXPECT_LT(i, static_cast<int>(f->fields.size()));
      }
    }

    if (f->autoField >= 0) {
      ASSERT_LT(f->autoField, static_cast<int>(f->fields.size()));
      EXPECT_TRUE(isInteger(f->fields[static_cast<size_t>(f->autoField)].type));
      // Numbering needs a unique key on the numbered field alone to find the highest number.
      bool keyed = false;
      for (const KeyDef& k : f->keys)
        keyed |= k.unique && k.fields == std::vector<int>{f->autoField};
      EXPECT_TRUE(keyed) << "no unique key on the auto-numbered field";
    }
  }
  EXPECT_EQ(allFiles().size(), 39u);  // 37 files of the suite, CASEMODE and AUTOENTRY
  EXPECT_EQ(allFiles().front()->name, "EQHEADER");
}

TEST(Records, FindFileFindsEveryFileByNameInAnyCase) {
  for (const FileDef* f : allFiles()) {
    EXPECT_EQ(findFile(f->name), f);
    EXPECT_EQ(findFile(lower(f->name)), f);
    EXPECT_EQ(findFile(f->label), f);
  }
  EXPECT_EQ(findFile("EQH"), nullptr);
  EXPECT_EQ(findFile(""), nullptr);
  EXPECT_EQ(findFile("EQHEADER "), nullptr);
}

TEST(Records, AliasesShareTheirBaseTableAndColumnsWithOwnBuffers) {
  const std::pair<const FileDef*, const FileDef*> pairs[] = {
      {&EqHeader::def(), &eqHeaderAliasDef()}, {&EqLog::def(), &eqLogAliasDef()}};
  for (auto [base, alias] : pairs) {
    SCOPED_TRACE(alias->name);
    EXPECT_EQ(alias->table, base->table);
    EXPECT_NE(alias->prefix, base->prefix);
    ASSERT_EQ(alias->fields.size(), base->fields.size());
    for (size_t i = 0; i < base->fields.size(); ++i) {
      EXPECT_EQ(alias->fields[i].column, base->fields[i].column);
      EXPECT_EQ(alias->fields[i].type, base->fields[i].type);
      EXPECT_EQ(alias->fields[i].length, base->fields[i].length);
      EXPECT_EQ(alias->fields[i].name, alias->prefix + ":" + base->fields[i].column);
    }
    EXPECT_EQ(alias->autoField, base->autoField);
    ASSERT_NE(alias->key("KeyEquipmentID"), nullptr);
    EXPECT_EQ(alias->key("KeyEquipmentID")->fields, base->key("KeyEquipmentID")->fields);
    EXPECT_NE(alias->create().get(), base->create().get());
  }
  EXPECT_EQ(eqLogAliasDef().prefix, "EQL1");
  EXPECT_EQ(eqLogAliasDef().table, "eqlog");
  EXPECT_NE(eqLogAliasDef().field("EQL1:JournalNumber"), nullptr);
  EXPECT_EQ(eqLogAliasDef().field("EQL:JournalNumber"), nullptr);
}

// Every field and key that the module's procedures name must exist under that name.
TEST(Records, EveryNameTheProceduresUseExists) {
  const char* used =
      "DPL:FieldName DPL:StringVal EQB:BatchID EQB:DateLastPosting EQB:Description "
      "EQB:Frequency EQB:Frequency2 EQB:FrequencyType EQB:KeyBatchID EQB:KeySortID EQB:ReInsert "
      "EQB:RememberLastJob EQB:Repeating EQB:Secure EQB:SortID EQB:UserID EQB:InUse "
      "EQC:ControlCredit EQC:ControlDebit EQC:CostCategory EQC:CumulativeAmount "
      "EQC:CumulativeUnitUsed EQC:EquipmentID EQC:Interval EQC:IntervalName EQC:KeyCostCategory "
      "EQC:KeyEquipmentID EQC:KeyRecordID EQC:LastServiceDate EQC:LastServiceMeter EQC:Meter "
      "EQC:MeterName EQC:MonthAmount EQC:MonthUnitsUsed EQC:PrimaryRecordID EQC:RecordID "
      "EQC:ScheduleType EQC:TaxAmount EQC:UnitName EQC:YearAmount EQC:YearUnitsUsed "
      "EQD:CategoryID EQD:DefaultContraExpenseControl EQD:DefaultExpenseControl EQD:DefaultUnit "
      "EQD:Description EQD:Interval EQD:IntervalName EQD:KeyCategoryID EQD:Meter EQD:MeterName "
      "EQD:RecordID EQD:ScheduleType EQH1:Active EQH1:KeyEquipmentID EQH:UD15 EQH:UD10 "
      "EQH:AssetAccount EQH:CertifiedID EQH:DestinationAccount EQH:KeyRecordID "
      "EQL:AdjustedAmount EQL:Category EQL:ChargeType EQL:Comments EQL:CostCode EQL:Date "
      "EQL:DetailType EQL:EmployeeID EQL:EndMeter EQL:EquipmentID EQL:EquipmentIDCharged "
      "EQL:GLAccount EQL:GrossAmount EQL:JobID EQL:JournalNumber EQL:KeyEquipmentID "
      "EQL:Location EQL:Posted EQL:StartMeter EQL:Type EQL:Units EQL1:KeyEquipmentID "
      "EQLB:KeyBatchID EQLB:KeyEquipmentID EQLB:KeyLogID EQLM:KeyLimitID EQLM:KeyReport "
      "EQLM:KeyReportTitle EQP:InternalIncome EQP:InternalUnits EQP:KeyEquipmentYear "
      "EQP:NonProductiveUnits EQP:RentalIncome EQP:RentalUnits EQPC:Amount "
      "EQPC:KeyEquipmentCategoryYear EQPC:Units EQPCM:Amount "
      "EQPCM:KeyEquipmentCategoryYearPeriod EQPCM:Units EQPM:InternalIncome EQPM:InternalUnits "
      "EQPM:NonProductiveUnits EQPM:KeyEquipmentID EQPM:KeyEquipmentYearPeriod "
      "EQPM:RentalIncome EQPM:RentalUnits GLDP:ActualAmount GLDP:DDBAmount GLDP:DDBValue "
      "GLDP:Date GLDP:EquipmentID GLDP:FPPostedLabel GLDP:GLTransID GLDP:KeyEquipmentID "
      "GLDP:RecordID GLDP:SLAmount GLDP:SLValue GLDP:SYAmount GLDP:SYValue GLDP:UD1Amount "
      "GLDP:UD1Value GLDP:UD2Amount GLDP:UD2Value GLF:Description GLF:FiscalPeriod "
      "GLF:KeyFiscalPeriodDown GLF:KeyFiscalPeriodUp GLF:Status GLF:PeriodDate GLF:Label "
      "GLM:KeyAccount GLM:Account GLM:Description GLT:KeyEquipmentID GLT:KeySubsidiaryCode "
      "GLT:KeyRecordID IMG:KeyTypeStringID JCC:KeyEntryMask JCC:KeyJobCodeType JCC:KeyRecordID "
      "JCC:Description JCC:Inactive JCC:GLAccount JCH:KeyJobID JCH:KeyJobName JCH:Name "
      "JCL:JobTo JCL:KeyReport JCL:KeyReportTitle JCL:LimitID JCL:NameFrom JCL:PrintOrder "
      "JCL:Report JCL:ReportTitle JCL:UserID JCL:FieldMap JCL:SourceFlag LL:KeyLimit LL:Tag "
      "LL:LimitID LL:FileName LL:FieldNumber LL:Value ML:EntryID ML:LimitID ML:UserID ML:Source "
      "ML:ReportName ML:ReportTitle NET:KeyUserCompany NET:Activity NET:Posting NOTE:Date "
      "NOTE:EquipmentID NOTE:Heading NOTE:KeyEntityID NOTE:KeyEquipmentID NOTE:Note NOTE:UserID "
      "PRC:KeyCertifiedID PRE:KeyEmployeeID PRE:FirstName PRE:LastName USD:File USD:KeyFile "
      "USD:U1 USD:U15 USR:KeyUserID USR:UserID USR:FirstName USR:LastName USR:ChangeEquipment "
      "USR:PostEquipmentLogs USR:BackupBeforePosting USR:MessageText USL:UserID USL:Date "
      "USL:Time USL:Area USL:Text SYS:DefaultExpenseAccount SYS:DefaultInternalIncomeAccount "
      "SYS:DefaultRentalIncomeAccount SYS:CurrentEarnings SYS:CostCodeLength SYS:CompanyName "
      "CTRL:SystemPassword APV:Name ARC:Name API:InvoiceNumber ARI:InvoiceNumber";
  std::istringstream in(used);
  std::string name;
  int checked = 0;
  while (in >> name) {
    std::string prefix = name.substr(0, name.find(':'));
    const FileDef* f = byPrefix(prefix);
    ASSERT_NE(f, nullptr) << "no file with prefix " << prefix;
    bool isKey = name.find(":Key") != std::string::npos;
    if (isKey) {
      EXPECT_NE(f->key(name), nullptr) << name;
    } else {
      EXPECT_NE(f->field(name), nullptr) << name;
    }
    ++checked;
  }
  EXPECT_GT(checked, 200);
}

TEST(Records, EquipmentHeaderFollowsTheDeclarationOrder) {
  const FileDef& d = EqHeader::def();
  ASSERT_EQ(d.fields.size(), 70u);
  using T = FieldType;
  const std::vector<std::pair<std::string, T>> head = {{"RecordID", T::Long},
                                                       {"EquipmentID", T::String},
                                                       {"Description", T::String},
                                                       {"PhysicalDescription", T::String},
                                                       {"VehicleLicense", T::String},
                                                       {"PhotoChange", T::Byte},
                                                       {"ClassCode", T::String},
                                                       {"LicenseCode", T::String},
                                                       {"VIN", T::String},
                                                       {"UsageUnit", T::String},
                                                       {"BillingUnit", T::String},
                                                       {"Active", T::Byte}};
  for (size_t i = 0; i < head.size(); ++i) {
    EXPECT_EQ(d.fields[i].column, head[i].first);
    EXPECT_EQ(d.fields[i].type, head[i].second);
  }
  EXPECT_EQ(d.field("EquipmentID")->length, 10);
  EXPECT_EQ(d.field("PhysicalDescription")->length, 100);
  EXPECT_EQ(d.field("DepreciationYears")->type, T::UShort);
  EXPECT_EQ(d.field("DepreciationMethod")->type, T::Byte);
  EXPECT_EQ(d.field("PurchaseDate")->type, T::Date);
  EXPECT_EQ(d.field("CertifiedID")->length, 8);
  EXPECT_EQ(d.field("InternalIncomeControl")->length, 10);
  EXPECT_EQ(d.field("SalvageValue")->length, 15);
  EXPECT_EQ(d.field("SalvageValue")->places, 2);
  EXPECT_LT(d.fieldIndex("PurchaseValue"), d.fieldIndex("SaleDate"));
  EXPECT_LT(d.fieldIndex("DestinationType"), d.fieldIndex("AssetAccount"));
  EXPECT_LT(d.fieldIndex("RentalIncomeControl"), d.fieldIndex("InternalUnitsThisPosting"));
  // UD1 ... UD15 are the last fifteen, contiguous, 40 characters each.
  for (int n = 1; n <= 15; ++n) {
    const FieldDef& f = d.fields[d.fields.size() - 16 + static_cast<size_t>(n)];
    EXPECT_EQ(f.column, "UD" + std::to_string(n));
    EXPECT_EQ(f.length, 40);
  }
  EXPECT_TRUE(d.key("KeyEquipmentID")->unique);
  EXPECT_EQ(d.primaryKey().name, "EQH:KeyEquipmentID");
}

TEST(Records, UsageLogEntryFollowsTheDeclarationOrder) {
  using T = FieldType;
  expectFields(EqLogB::def(), {{"LogID", T::Long, 0, 0},
                               {"EquipmentID", T::String, 10, 0},
                               {"BatchID", T::UShort, 0, 0},
                               {"Date", T::Date, 0, 0},
                               {"StartMeter", T::Decimal, 11, 2},
                               {"EndMeter", T::Decimal, 11, 2},
                               {"Units", T::Decimal, 11, 2},
                               {"ChargeType", T::String, 1, 0},
                               {"GrossAmount", T::Decimal, 11, 2},
                               {"AdjustedAmount", T::Decimal, 11, 2},
                               {"DetailType", T::String, 11, 0},
                               {"GLAccount", T::String, 12, 0},
                               {"JobID", T::String, 10, 0},
                               {"CostCode", T::String, 14, 0},
                               {"Category", T::String, 10, 0},
                               {"Comments", T::String, 20, 0},
                               {"EmployeeID", T::UShort, 0, 0},
                               {"Location", T::String, 5, 0},
                               {"EquipmentIDCharged", T::String, 10, 0}});
  const FileDef& d = EqLogB::def();
  EXPECT_EQ(d.fields[static_cast<size_t>(d.autoField)].column, "LogID");
  EXPECT_EQ(keyColumns(d, "KeyBatchID"), (std::vector<std::string>{"BatchID", "LogID"}));
  EXPECT_TRUE(d.key("EQLB:KeyLogID")->unique);
  EXPECT_EQ(EqBatch::def().field("BatchID")->type, T::UShort);

  // The posted log: the same fields at 15 digits, without entry and batch numbers.
  const FileDef& l = EqLog::def();
  EXPECT_EQ(l.fields.front().column, "RecordID");
  EXPECT_EQ(l.fields[static_cast<size_t>(l.autoField)].column, "RecordID");
  EXPECT_EQ(l.field("LogID"), nullptr);
  EXPECT_EQ(l.field("BatchID"), nullptr);
  for (const FieldDef& f : d.fields) {
    if (f.column == "LogID" || f.column == "BatchID") continue;
    const FieldDef* p = l.field(f.column);
    ASSERT_NE(p, nullptr) << f.column;
    EXPECT_EQ(p->type, f.type) << f.column;
    EXPECT_EQ(p->length, f.type == T::Decimal ? 15 : f.length) << f.column;
  }
  EXPECT_EQ(l.field("JournalNumber")->type, T::Long);
  EXPECT_EQ(keyColumns(l, "KeyEquipmentID"), (std::vector<std::string>{"EquipmentID", "Date"}));
}

TEST(Records, ReportFormatFieldNumbersMatchTheFormsHistory) {
  const FileDef& d = EqLimits::def();
  ASSERT_EQ(d.fields.size(), 39u);
  // Field numbers are 1-based declaration positions.
  auto number = [&](const char* n) { return d.fieldIndex(n) + 1; };
  EXPECT_EQ(number("LimitID"), 1);
  EXPECT_EQ(number("ReportTitle"), 4);
  EXPECT_EQ(number("ModifyDate"), 5);
  EXPECT_EQ(number("FPTo"), 17);
  EXPECT_EQ(number("JournalType"), 23);
  EXPECT_EQ(number("RefTo"), 29);
  EXPECT_EQ(number("GLAccount"), 33);
  EXPECT_EQ(number("Locked"), 36);
  EXPECT_EQ(number("Orientation"), 39);

  using T = FieldType;
  EXPECT_EQ(d.field("LimitID")->type, T::ULong);
  EXPECT_EQ(d.fields[static_cast<size_t>(d.autoField)].column, "LimitID");
  const FieldDef* fp = d.field("FPFrom");
  EXPECT_EQ(fp->type, T::Decimal);
  EXPECT_EQ(fp->length, 5);
  EXPECT_EQ(fp->places, 0);
  EXPECT_EQ(d.field("JournalTo")->length, 7);
  EXPECT_EQ(d.field("RefFrom")->length, 15);
  EXPECT_EQ(d.field("RefFrom")->places, 2);
  EXPECT_EQ(d.field("ClassFrom")->length, 30);
  EXPECT_EQ(d.field("JournalType")->length, 15);
  EXPECT_EQ(d.field("DateTo")->type, T::Date);
  EXPECT_EQ(d.field("SkipEquipment")->type, T::Byte);

  // Whole-number decimals refuse a fraction (never cut it off) and a sixth digit.
  EqLimits rec;
  std::string why;
  EXPECT_FALSE(fp->set(&rec, Value(std::string("12.7")), &why));
  EXPECT_TRUE(fp->set(&rec, Value(std::string("12.0")), &why));
  EXPECT_EQ(rec.FPFrom.cents(), 1200);
  EXPECT_TRUE(fp->set(&rec, Value(std::int64_t{99999}), &why));
  EXPECT_FALSE(fp->set(&rec, Value(std::int64_t{100000}), &why));
  EXPECT_EQ(rec.FPFrom.cents(), 9999900);
}

TEST(Records, FieldWidthsBoundTheValues) {
  std::string why;
  EqLogB e;
  const FileDef& d = EqLogB::def();
  EXPECT_TRUE(d.field("BatchID")->set(&e, Value(std::int64_t{65535}), &why));
  EXPECT_FALSE(d.field("BatchID")->set(&e, Value(std::int64_t{65536}), &why));
  EXPECT_EQ(e.BatchID, 65535);
  // 11 digits with 2 places: nine before the point.
  EXPECT_TRUE(d.field("Units")->set(&e, Value(std::string("999999999.99")), &why));
  EXPECT_FALSE(d.field("Units")->set(&e, Value(std::string("1000000000.00")), &why));
  EXPECT_EQ(e.Units.cents(), 99999999999);
  EXPECT_FALSE(d.field("Location")->set(&e, Value(std::string("ABCDEF")), &why));

  EqLog l;
  EXPECT_TRUE(EqLog::def().field("Units")->set(&l, Value(std::string("1000000000.00")), &why));

  EqBatch b;
  EXPECT_FALSE(EqBatch::def().field("Secure")->set(&b, Value(std::int64_t{256}), &why));
  EXPECT_TRUE(EqBatch::def().field("InUse")->set(&b, Value(std::string("ABC")), &why));
  EXPECT_EQ(b.InUse, "ABC");

  UserDef u;
  EXPECT_TRUE(UserDef::def().field("U15")->set(&u, Value(std::string(20, 'x')), &why));
  EXPECT_FALSE(UserDef::def().field("U15")->set(&u, Value(std::string(21, 'x')), &why));
}

TEST(Records, SuiteKeysGiveTheOrdersTheReportsWalk) {
  const FileDef& t = GlTrans::def();
  EXPECT_EQ(t.fields.size(), 46u);
  EXPECT_EQ(keyColumns(t, "KeySubsidiaryCode"),
            (std::vector<std::string>{"SubsidiaryCode", "TransDate"}));
  EXPECT_EQ(keyColumns(t, "KeyEquipmentID"),
            (std::vector<std::string>{"EquipmentID", "CostCategory", "TransDate"}));
  EXPECT_EQ(t.field("SubsidiaryCode")->length, 24);
  EXPECT_EQ(t.field("Description")->length, 60);
  EXPECT_EQ(t.field("PostingTime")->type, FieldType::Time);
  EXPECT_EQ(t.field("APInvoiceID")->type, FieldType::ULong);
  EXPECT_EQ(t.field("Amount")->places, 2);
  EXPECT_EQ(t.fields.back().column, "PRTransIID");

  const FileDef& f = GlFiscal::def();
  EXPECT_FALSE(f.key("KeyFiscalPeriodUp")->descending);
  EXPECT_TRUE(f.key("KeyFiscalPeriodDown")->descending);
  EXPECT_EQ(f.key("KeyFiscalPeriodDown")->fields, f.key("KeyFiscalPeriodUp")->fields);

  EXPECT_EQ(keyColumns(JcCost::def(), "KeyJobCodeType"),
            (std::vector<std::string>{"JobID", "CostCode", "CostType"}));
  EXPECT_EQ(keyColumns(EqCost::def(), "KeyEquipmentID"),
            (std::vector<std::string>{"EquipmentID", "CostCategory"}));
  EXPECT_TRUE(EqCost::def().key("KeyRecordID")->unique);
  EXPECT_EQ(keyColumns(GlDepr::def(), "KeyEquipmentID"),
            (std::vector<std::string>{"EquipmentID", "Date"}));
  EXPECT_EQ(keyColumns(EqPriorCM::def(), "KeyEquipmentCategoryYearPeriod"),
            (std::vector<std::string>{"EquipmentID", "CostCategory", "Year", "FiscalPeriod"}));
  EXPECT_EQ(keyColumns(LimList::def(), "KeyLimit").front(), "Tag");
  EXPECT_EQ(keyColumns(Images::def(), "KeyTypeStringID"),
            (std::vector<std::string>{"Type", "OwnerID", "Description"}));
  EXPECT_EQ(keyColumns(NetUser::def(), "KeyUserCompany"),
            (std::vector<std::string>{"UserID", "CompanyID"}));

  // The twelve control accounts and the current-earnings account are 12-character accounts.
  int accounts = 0;
  for (const FieldDef& fd : Systems::def().fields)
    if (fd.type == FieldType::String && fd.length == 12) ++accounts;
  EXPECT_EQ(accounts, 16);  // twelve control, current earnings, three defaults
}

TEST(Records, BuffersAreCreatedClearAndCopiedWhole) {
  std::string why;
  for (const FileDef* f : allFiles()) {
    SCOPED_TRACE(f->name);
    auto a = f->create();
    auto b = f->create();
    // Give every field a value of its type, copy, and read every field back.
    for (const FieldDef& fd : f->fields) {
      EXPECT_EQ(valueToText(fd.get(a.get())), clearText(fd.type)) << fd.name;
      Value v = fd.type == FieldType::String ? Value(std::string("A"))
                : fd.type == FieldType::Date ? Value(Date(80000))
                : fd.type == FieldType::Time ? Value(Time::fromHms(8, 30))
                                             : Value(std::int64_t{1});
      ASSERT_TRUE(fd.set(a.get(), v, &why)) << fd.name << ": " << why;
    }
    f->copy(b.get(), a.get());
    for (const FieldDef& fd : f->fields)
      EXPECT_EQ(valueToText(fd.get(b.get())), valueToText(fd.get(a.get()))) << fd.name;
  }
}

}  // namespace
}  // namespace koreq::data
