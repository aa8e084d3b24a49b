#include "data/sql_common.h"

namespace koreq::data::sql {

namespace {
const char* const kEndedBySelf = "the database ended the transaction by itself";
}

std::string quoted(const std::string& ident) {
  return "\"" + ident + "\"";
}

std::string selectList(const FileDef& f, const std::vector<int>* fields) {
  std::string cols = "_rowid";
  if (fields)
    for (int i : *fields) cols += ", " + quoted(f.fields[static_cast<std::size_t>(i)].column);
  else
    for (const auto& fd : f.fields) cols += ", " + quoted(fd.column);
  return cols;
}

std::string insertSql(const FileDef& f) {
  std::string cols, marks;
  for (const auto& fd : f.fields) {
    cols += (cols.empty() ? "" : ", ") + quoted(fd.column);
    marks += marks.empty() ? "?" : ", ?";
  }
  return "INSERT INTO " + quoted(f.table) + "(" + cols + ") VALUES(" + marks + ")";
}

std::string updateSql(const FileDef& f) {
  std::string sets;
  for (const auto& fd : f.fields) sets += (sets.empty() ? "" : ", ") + quoted(fd.column) + " = ?";
  return "UPDATE " + quoted(f.table) + " SET " + sets + " WHERE _rowid = ?";
}

std::string createIndexSql(const FileDef& f, const KeyDef& k) {
  const std::string keyName = k.name.substr(k.name.find(':') + 1);
  std::string cols;
  for (int i : k.fields) cols += (cols.empty() ? "" : ", ") + quoted(f.fields[i].column);
  return std::string("CREATE ") + (k.unique ? "UNIQUE " : "") + "INDEX IF NOT EXISTS " +
         quoted(f.table + "_" + keyName) + " ON " + quoted(f.table) + "(" + cols + ")";
}

Value keyValue(const FieldDef& f, const Value& v) {
  std::string why;
  switch (f.type) {
    case FieldType::String: {
      std::string s;
      detail::toText(v, &s, &why);
      return clipped(s);
    }
    case FieldType::Decimal: {
      if (std::holds_alternative<Decimal>(v)) return v;
      Decimal d;
      if (!detail::toDecimal(v, &d, &why)) throw StoreError(kBadValue, f.name + ": " + why);
      return d;
    }
    case FieldType::Date: {
      Date d;
      if (!detail::toDate(v, &d, &why)) throw StoreError(kBadValue, f.name + ": " + why);
      return d;
    }
    case FieldType::Time: {
      Time t;
      if (!detail::toTime(v, &t, &why)) throw StoreError(kBadValue, f.name + ": " + why);
      return t;
    }
    default: {
      if (std::holds_alternative<std::int64_t>(v)) return v;
      std::int64_t n;
      if (!detail::toInteger(v, &n, &why)) throw StoreError(kBadValue, f.name + ": " + why);
      return n;
    }
  }
}

RangeSql rangeSql(const FileDef& f, const ScanSpec& range, const char* rowPrefix) {
  const KeyDef& key = range.key ? *range.key : f.primaryKey();
  const bool up = range.backward == key.descending;  // reading order ascending in SQL terms
  const char* dir = up ? " ASC" : " DESC";
  const std::string row = rowPrefix;
  std::vector<std::string> where;
  const std::size_t e = std::min(range.equal.size(), key.fields.size());
  auto column = [&](std::size_t i) {
    return quoted(f.fields[static_cast<std::size_t>(key.fields[i])].column);
  };
  for (std::size_t i = 0; i < e; ++i) where.push_back(column(i) + " = ?");
  auto tuple = [&](std::size_t from, std::size_t n, bool withRowid, bool orEqual) {
    std::string cols;
    for (std::size_t i = from; i < from + n; ++i) cols += (cols.empty() ? "" : ", ") + column(i);
    if (withRowid) cols += (cols.empty() ? "" : ", ") + std::string("_rowid");
    std::string marks;
    for (std::size_t i = 0; i < n + (withRowid ? 1 : 0); ++i) marks += marks.empty() ? "?" : ", ?";
    const char* op = up ? (orEqual ? " >= " : " > ") : (orEqual ? " <= " : " < ");
    return row + "(" + cols + ")" + op + row + "(" + marks + ")";
  };
  if (range.after) {
    where.push_back(tuple(e, key.fields.size() - e, true, false));
  } else {
    const std::size_t n = std::min(range.start.size(), key.fields.size() - e);
    if (n > 0) where.push_back(tuple(e, n, false, true));
  }
  RangeSql out;
  for (int i : key.fields)
    out.order += (out.order.empty() ? "" : ", ") +
                 quoted(f.fields[static_cast<std::size_t>(i)].column) + dir;
  out.order += ", _rowid" + std::string(dir);
  for (const auto& c : where) out.where += (out.where.empty() ? " WHERE " : " AND ") + c;
  return out;
}

void WriterState::beforeWrite(bool engineEnded) {
  if (readOnly) throw StoreError(kDriverError, "The company is open for reading only");
  if (!inTx) return;
  if (failed.empty() && engineEnded) failed = kEndedBySelf;
  if (!failed.empty()) throw StoreError(kDriverError, "The change was abandoned (" + failed + ")");
}

std::string WriterState::abandonedWhy(bool engineEnded) {
  if (failed.empty() && engineEnded) failed = kEndedBySelf;
  return failed;
}

std::int64_t numberOfItsOwn(Store& store, const FileDef& f, int field) {
  Transaction tx(store);
  if (!tx.begun()) throw StoreError(kNoTransaction, refusedText(store));
  const std::int64_t n = store.nextNumber(f, field);
  tx.commit();
  return n;
}

namespace {
[[noreturn]] void throwUnfit(const FileDef& f, const FieldDef& field, const std::string& value,
                             const std::string& why) {
  throw StoreError(kBadValue, f.label + ": " + field.name + " cannot hold " + value + " (" + why +
                                  "); nothing was written");
}
}  // namespace

void checkRecord(const FileDef& f, const void* rec) {
  std::string why;
  for (const FieldDef& fd : f.fields) {
    std::int64_t n = 0;
    std::string_view t;
    fd.save(rec, &n, &t);
    if (!fd.fits(n, t, &why)) throwUnfit(f, fd, storedText(fd, n, t), why);
  }
}

void checkValues(const FileDef& f, const std::vector<Value>& values) {
  std::string why;
  for (std::size_t i = 0; i < f.fields.size() && i < values.size(); ++i) {
    const FieldDef& fd = f.fields[i];
    const Value v = keyValue(fd, values[i]);
    std::int64_t n = 0;
    std::string t;
    if (auto p = std::get_if<std::int64_t>(&v))
      n = *p;
    else if (auto d = std::get_if<Decimal>(&v))
      n = d->cents();
    else if (auto dt = std::get_if<Date>(&v))
      n = dt->day();
    else if (auto tm = std::get_if<Time>(&v))
      n = tm->value();
    else if (auto s = std::get_if<std::string>(&v))
      t = *s;
    if (!fd.fits(n, t, &why)) throwUnfit(f, fd, storedText(fd, n, t), why);
  }
}

std::string unreadableText(const FileDef& f, std::int64_t rowId, const FieldDef& field,
                           const std::string& value, const std::string& why) {
  return f.label + " record " + std::to_string(rowId) + ": " + field.name + " holds '" + value +
         "', which the field cannot hold (" + why + ")";
}

void throwUnreadable(const FileDef& f, std::int64_t rowId, const FieldDef& field,
                     const std::string& value, const std::string& why) {
  throw StoreError(kBadValue, unreadableText(f, rowId, field, value, why));
}

void throwNotSaved(const std::string& why) {
  throw StoreError(kDriverError, "The change could not be saved (" + why + "); nothing was saved");
}

void throwAbandoned(const std::string& why) {
  throw StoreError(kDriverError, "The change was abandoned (" + why + "); nothing was saved");
}

}  // namespace koreq::data::sql
