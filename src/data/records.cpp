#include "data/records.h"

#include "data/access.h"

namespace koreq::data {

KOREQ_DEFINE_FILE(EqHeader, KOREQ_EQHEADER_FIELDS)
KOREQ_DEFINE_FILE(EqCode, KOREQ_EQCODE_FIELDS)
KOREQ_DEFINE_FILE(EqCost, KOREQ_EQCOST_FIELDS)
KOREQ_DEFINE_FILE(EqBatch, KOREQ_EQBATCH_FIELDS)
KOREQ_DEFINE_FILE(EqLogB, KOREQ_EQLOGB_FIELDS)
KOREQ_DEFINE_FILE(EqLog, KOREQ_EQLOG_FIELDS)
KOREQ_DEFINE_FILE(EqLimits, KOREQ_EQLIMITS_FIELDS)
KOREQ_DEFINE_FILE(EqPrior, KOREQ_EQPRIOR_FIELDS)
KOREQ_DEFINE_FILE(EqPriorM, KOREQ_EQPRIORM_FIELDS)
KOREQ_DEFINE_FILE(EqPriorC, KOREQ_EQPRIORC_FIELDS)
KOREQ_DEFINE_FILE(EqPriorCM, KOREQ_EQPRIORCM_FIELDS)
KOREQ_DEFINE_FILE(GlDepr, KOREQ_GLDEPR_FIELDS)
KOREQ_DEFINE_FILE(GlMaster, KOREQ_GLMASTER_FIELDS)
KOREQ_DEFINE_FILE(GlFiscal, KOREQ_GLFISCAL_FIELDS)
KOREQ_DEFINE_FILE(GlTrans, KOREQ_GLTRANS_FIELDS)
KOREQ_DEFINE_FILE(JcHeader, KOREQ_JCHEADER_FIELDS)
KOREQ_DEFINE_FILE(JcCost, KOREQ_JCCOST_FIELDS)
KOREQ_DEFINE_FILE(JcLimits, KOREQ_JCLIMITS_FIELDS)
KOREQ_DEFINE_FILE(PrEmp, KOREQ_PREMP_FIELDS)
KOREQ_DEFINE_FILE(PrCert, KOREQ_PRCERT_FIELDS)
KOREQ_DEFINE_FILE(UserFile, KOREQ_USERFILE_FIELDS)
KOREQ_DEFINE_FILE(UserLog, KOREQ_USERLOG_FIELDS)
KOREQ_DEFINE_FILE(NetUser, KOREQ_NETUSER_FIELDS)
KOREQ_DEFINE_FILE(UserDef, KOREQ_USERDEF_FIELDS)
KOREQ_DEFINE_FILE(DropList, KOREQ_DROPLIST_FIELDS)
KOREQ_DEFINE_FILE(CaseModeRecord, KOREQ_CASEMODE_FIELDS)
KOREQ_DEFINE_FILE(AutoEntryRecord, KOREQ_AUTOENTRY_FIELDS)
KOREQ_DEFINE_FILE(Images, KOREQ_IMAGES_FIELDS)
KOREQ_DEFINE_FILE(Notes, KOREQ_NOTES_FIELDS)
KOREQ_DEFINE_FILE(MemLimit, KOREQ_MEMLIMIT_FIELDS)
KOREQ_DEFINE_FILE(LimList, KOREQ_LIMLIST_FIELDS)
KOREQ_DEFINE_FILE(Systems, KOREQ_SYSTEMS_FIELDS)
KOREQ_DEFINE_FILE(Control, KOREQ_CONTROL_FIELDS)
KOREQ_DEFINE_FILE(ArInv, KOREQ_ARINV_FIELDS)
KOREQ_DEFINE_FILE(ApInv, KOREQ_APINV_FIELDS)
KOREQ_DEFINE_FILE(ArCust, KOREQ_ARCUST_FIELDS)
KOREQ_DEFINE_FILE(ApVendor, KOREQ_APVENDOR_FIELDS)

// The alias files: the same table and keys under their own names and buffers.
const FileDef& eqHeaderAliasDef() {
  using Self = EqHeader;
  static constexpr FileSpec kAlias{"EQHEADERALIAS", "EQHeaderAlias", "EQH1", "RecordID"};
  static const FileDef d =
      detail::declaredFile<EqHeader>({KOREQ_EQHEADER_FIELDS(KOREQ_FIELDDEF)}, &kAlias);
  return d;
}

const FileDef& eqLogAliasDef() {
  using Self = EqLog;
  static constexpr FileSpec kAlias{"EQLOGALIAS", "EQLogAlias", "EQL1", "RecordID"};
  static const FileDef d =
      detail::declaredFile<EqLog>({KOREQ_EQLOG_FIELDS(KOREQ_FIELDDEF)}, &kAlias);
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
