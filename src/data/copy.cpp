#include "data/copy.h"

#include <memory>
#include <set>

namespace koreq::data {

namespace {

// Totals of many 15-digit amounts overflow 64 bits: they are summed in 128.
std::string centsText(__int128 cents) {
  const bool negative = cents < 0;
  unsigned __int128 v = negative ? -static_cast<unsigned __int128>(cents) : cents;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  } while (v > 0);
  while (digits.size() < 3) digits.insert(digits.begin(), '0');
  digits.insert(digits.end() - 2, '.');
  return (negative ? "-" : "") + digits;
}

// Reads a file's rows into one buffer, counting them and summing its money, and hands each
// row on.
class TotallingSink final : public RowSink {
 public:
  TotallingSink(const FileDef& f, std::function<void(const void*)> each)
      : f_(f), buffer_(f.create()), each_(std::move(each)) {
    for (std::size_t i = 0; i < f.fields.size(); ++i)
      if (f.fields[i].type == FieldType::Decimal) money_.push_back(i);
    sums_.assign(money_.size(), 0);
  }
  void* buffer() override { return buffer_.get(); }
  bool take(std::int64_t) override {
    ++records_;
    for (const FieldDef& fd : f_.fields) {
      std::int64_t n = 0;
      std::string_view t;
      fd.save(buffer_.get(), &n, &t);
      if (fd.isNumeric()) {
        for (int i = 0; i < 8; ++i) mix(static_cast<unsigned char>(n >> (8 * i)));
      } else {
        // The length first: "ab","c" and "a","bc" differ.
        for (int i = 0; i < 4; ++i) mix(static_cast<unsigned char>(t.size() >> (8 * i)));
        for (char c : t) mix(static_cast<unsigned char>(c));
      }
    }
    for (std::size_t m = 0; m < money_.size(); ++m) {
      std::int64_t cents = 0;
      std::string_view unused;
      f_.fields[money_[m]].save(buffer_.get(), &cents, &unused);
      sums_[m] += cents;
    }
    if (each_) each_(buffer_.get());
    return true;
  }
  FileTotals totals() const {
    FileTotals t{f_.table, records_, {}, hash_};
    for (std::size_t m = 0; m < money_.size(); ++m)
      t.money.emplace_back(f_.fields[money_[m]].column, centsText(sums_[m]));
    return t;
  }

 private:
  const FileDef& f_;
  std::shared_ptr<void> buffer_;
  std::function<void(const void*)> each_;
  std::vector<std::size_t> money_;
  std::vector<__int128> sums_;
  std::int64_t records_ = 0;
  std::uint64_t hash_ = 1469598103934665603ull;  // FNV-1a

  void mix(unsigned char c) { hash_ = (hash_ ^ c) * 1099511628211ull; }
};

std::vector<const FileDef*> tablesOf(const std::vector<const FileDef*>& files) {
  std::vector<const FileDef*> out;
  std::set<std::string> seen;
  for (const FileDef* f : files)
    if (seen.insert(f->table).second) out.push_back(f);
  return out;
}

}  // namespace

std::vector<FileTotals> companyTotals(Store& store, const std::vector<const FileDef*>& files) {
  std::vector<FileTotals> out;
  for (const FileDef* f : tablesOf(files)) {
    TotallingSink sink(*f, nullptr);
    store.readInRowOrder(*f, sink);
    out.push_back(sink.totals());
  }
  return out;
}

std::vector<FileTotals> copyCompany(Store& from, Store& to,
                                    const std::vector<const FileDef*>& files) {
  std::vector<FileTotals> totals;
  Transaction tx(to);
  if (!tx.begun()) throw StoreError(kNoTransaction, refusedText(to));
  to.ensureSchema(files);
  for (const FileDef* f : tablesOf(files)) {
    TotallingSink sink(*f, [&](const void* rec) { to.insertRecord(*f, rec); });
    from.readInRowOrder(*f, sink);
    totals.push_back(sink.totals());
  }
  for (const auto& [name, next] : from.numberCounters()) to.setNumberCounter(name, next);
  for (const auto& [kind, id] : from.blobIds()) {
    auto bytes = from.getBlob(kind, id);
    if (bytes) to.putBlob(kind, id, *bytes);
  }
  tx.commit();
  return totals;
}

std::vector<std::string> totalsDiffer(const std::vector<FileTotals>& source,
                                      const std::vector<FileTotals>& copy) {
  std::vector<std::string> lines;
  for (const FileTotals& s : source) {
    const FileTotals* c = nullptr;
    for (const FileTotals& t : copy)
      if (t.table == s.table) c = &t;
    if (!c) {
      lines.push_back(s.table + ": missing from the copy");
      continue;
    }
    if (c->records != s.records)
      lines.push_back(s.table + ": " + std::to_string(s.records) + " records, the copy has " +
                      std::to_string(c->records));
    for (std::size_t m = 0; m < s.money.size() && m < c->money.size(); ++m)
      if (s.money[m] != c->money[m])
        lines.push_back(s.table + ": " + s.money[m].first + " totals " + s.money[m].second +
                        ", in the copy " + c->money[m].second);
    if (c->records == s.records && c->checksum != s.checksum)
      lines.push_back(s.table + ": the records' contents differ in the copy");
  }
  return lines;
}

}  // namespace koreq::data
