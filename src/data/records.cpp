#include "data/records.h"

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

const std::vector<const FileDef*>& allFiles() {
  static const std::vector<const FileDef*> files = {
      &EqHeader::def(), &eqHeaderAliasDef(), &EqCode::def(),
  };
  return files;
}

}  // namespace koreq::data
