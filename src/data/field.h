#pragma once

// Field and file definitions: one table per file, declared once with an X-macro, giving the
// same field by C++ member (rec.EquipmentID) and by name ("EQH:EquipmentID") for filters,
// SQL columns, JSON and report dictionaries.

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <variant>
#include <vector>

#include "runtime/date.h"
#include "runtime/decimal.h"
#include "runtime/text.h"

namespace koreq::data {

class ErrorObject;
class FileAccess;
class FileDef;
class Store;

enum class FieldType { Long, ULong, Short, UShort, Byte, String, Decimal, Date, Time };

// A field's value seen by name. Whole numbers of every width are int64; Decimal fields hold a
// Decimal (whole-number decimals such as Decimal(5,0) too); texts are clipped.
using Value = std::variant<std::monostate, std::int64_t, Decimal, std::string, Date, Time>;

std::string valueToText(const Value& v);

struct FieldDef;
// A field's stored form as the user would read it ("99999999999999.99", "abc", "-5").
std::string storedText(const FieldDef& f, std::int64_t number, std::string_view text);

struct FieldDef {
  std::string name;    // with prefix: "EQH:EquipmentID"
  std::string column;  // without prefix: "EquipmentID"
  FieldType type;
  int length = 0;  // String: characters; Decimal: digits
  int places = 0;  // Decimal: 2, or 0 for whole-number decimals
  Value (*get)(const void* rec) = nullptr;
  // Converts and stores; on a value that does not fit, returns false with a reason and leaves
  // the field as it was.
  bool (*set)(void* rec, const Value& v, std::string* why) = nullptr;
  // Sets the field from its stored form: the whole number of a numeric field (cents, day
  // number, time value) or the text of a text field. No Value is made and nothing is checked:
  // what the store holds was checked when it was written.
  void (*load)(void* rec, std::int64_t number, std::string_view text) = nullptr;
  // The field's stored form, the other way: a text field's text (a view into the record,
  // clipped) or a numeric field's whole number.
  void (*save)(const void* rec, std::int64_t* number, std::string_view* text) = nullptr;
  // Whether a stored form (as save() gives it) is a value the field can hold: within its range,
  // digits and length, a date that exists, a text without NUL. Every write and read asks it, so
  // a value the field cannot hold is never stored nor read as another.
  bool (*fits)(std::int64_t number, std::string_view text, std::string* why) = nullptr;

  bool isNumeric() const { return type != FieldType::String; }
};

struct KeyDef {
  std::string name;         // with prefix: "EQH:KeyEquipmentID"
  std::vector<int> fields;  // field indices, most significant first
  bool unique = false;
  bool descending = false;  // every component descending ("newest first")
};

class FileDef {
 public:
  std::string name;    // "EQHEADER"
  std::string label;   // "EQHeader", as error texts name the file
  std::string prefix;  // "EQH"
  std::string table;   // SQL table; an alias file shares its base file's table
  std::vector<FieldDef> fields;
  std::vector<KeyDef> keys;
  int autoField = -1;  // field numbered by prime(), or -1

  // Record buffers of this file are created and copied through these (type-erased).
  std::function<std::shared_ptr<void>()> create;
  std::function<void(void* dst, const void* src)> copy;
  // Makes the typed access object of this file's record (Access<R>), so that a context can
  // hand out the one access object of a file under its record type.
  std::unique_ptr<FileAccess> (*makeAccess)(Store&, ErrorObject&, const FileDef&) = nullptr;

  int fieldIndex(std::string_view name) const;  // with or without prefix; -1 when unknown
  // Makes fieldIndex() a table look-up; called once the fields have their names.
  void indexFieldNames();
  const FieldDef* field(std::string_view name) const;
  const KeyDef* key(std::string_view name) const;  // with or without prefix
  const KeyDef& primaryKey() const;                // the first key

 private:
  // Upper-cased names with and without prefix, to their field.
  std::unordered_map<std::string, int> byName_;
  std::size_t indexed_ = 0;  // fields in byName_; another count means it is out of date
};

// All files, in a fixed order.
const std::vector<const FileDef*>& allFiles();
const FileDef* findFile(std::string_view name);  // "EQHEADER", case-insensitive

namespace detail {

template <typename T>
struct MemberTraits;
template <typename C, typename M>
struct MemberTraits<M C::*> {
  using Class = C;
  using Member = M;
};

template <typename T>
struct IsStr : std::false_type {};
template <std::size_t N>
struct IsStr<Str<N>> : std::true_type {};

// Whether a text is a plain number (sign, digits, one point), however large.
bool numericText(std::string_view s);
// How many non-zero decimal places a number text has beyond `places`.
int extraPlaces(std::string_view s, int places);
std::string rangeText(std::int64_t lo, std::int64_t hi);
std::string digitsRangeText(int digits, int places);
bool toInteger(const Value& v, std::int64_t* out, std::string* why);
bool toDecimal(const Value& v, Decimal* out, std::string* why);
bool toDate(const Value& v, Date* out, std::string* why);
bool toTime(const Value& v, Time* out, std::string* why);
bool toText(const Value& v, std::string* out, std::string* why);

// Defined in data/access.h, which every file that declares records includes.
template <typename R>
std::unique_ptr<FileAccess> makeAccessFor(Store& store, ErrorObject& errors, const FileDef& def);

template <auto M>
Value getField(const void* rec) {
  using Tr = MemberTraits<decltype(M)>;
  const auto& f = static_cast<const typename Tr::Class*>(rec)->*M;
  using T = typename Tr::Member;
  if constexpr (IsStr<T>::value) {
    return f.str();
  } else if constexpr (std::is_same_v<T, Decimal> || std::is_same_v<T, Date> ||
                       std::is_same_v<T, Time>) {
    return f;
  } else {
    return static_cast<std::int64_t>(f);
  }
}

// Max > 0 narrows a whole-number field below its type's range (flags hold 0 or 1).
template <auto M, int Digits, int Places, int Max>
bool setField(void* rec, const Value& v, std::string* why) {
  using Tr = MemberTraits<decltype(M)>;
  auto& f = static_cast<typename Tr::Class*>(rec)->*M;
  using T = typename Tr::Member;
  if constexpr (IsStr<T>::value) {
    std::string s;
    if (!toText(v, &s, why)) return false;
    if (s.find('\0') != std::string::npos) {
      if (why) *why = "a text cannot hold a NUL character";
      return false;
    }
    if (charCount(clip(s)) > T::kLength) {
      if (why) *why = "text longer than " + std::to_string(T::kLength) + " characters";
      return false;
    }
    f = s;
    return true;
  } else if constexpr (std::is_same_v<T, Decimal>) {
    Decimal d;
    const std::string* text = std::get_if<std::string>(&v);
    if (!toDecimal(v, &d, why)) {
      if (text && numericText(*text) && why) *why = digitsRangeText(Digits, Places);
      return false;
    }
    // A text with more places than the field holds is refused, never rounded.
    if (text && extraPlaces(*text, Places) > 0) {
      if (why)
        *why = Places == 0
                   ? "a whole number is needed, not '" + *text + "'"
                   : "more than " + std::to_string(Places) + " decimal places: '" + *text + "'";
      return false;
    }
    if constexpr (Places == 0) d = Decimal(d.toLong());
    // fitsDigits counts the two places every Decimal carries; a whole-number field's digits
    // all lie before the point.
    if (!d.fitsDigits(Places == 0 ? Digits + 2 : Digits)) {
      if (why) *why = digitsRangeText(Digits, Places);
      return false;
    }
    f = d;
    return true;
  } else if constexpr (std::is_same_v<T, Date>) {
    return toDate(v, &f, why);
  } else if constexpr (std::is_same_v<T, Time>) {
    return toTime(v, &f, why);
  } else {
    std::int64_t n;
    constexpr std::int64_t lo0 = static_cast<std::int64_t>(std::numeric_limits<T>::min());
    constexpr std::int64_t hi0 =
        Max > 0 ? Max : static_cast<std::int64_t>(std::numeric_limits<T>::max());
    if (!toInteger(v, &n, why)) {
      const std::string* text = std::get_if<std::string>(&v);
      if (text && numericText(*text) && extraPlaces(*text, 0) == 0 && why)
        *why = rangeText(lo0, hi0);
      return false;
    }
    constexpr std::int64_t lo = static_cast<std::int64_t>(std::numeric_limits<T>::min());
    constexpr std::int64_t hi =
        Max > 0 ? Max : static_cast<std::int64_t>(std::numeric_limits<T>::max());
    if (n < lo || n > hi) {
      if (why)
        *why = Max == 1 ? "a flag holds 0 or 1, not " + std::to_string(n) : rangeText(lo, hi);
      return false;
    }
    f = static_cast<T>(n);
    return true;
  }
}

template <auto M>
void loadField(void* rec, std::int64_t number, std::string_view text) {
  using Tr = MemberTraits<decltype(M)>;
  auto& f = static_cast<typename Tr::Class*>(rec)->*M;
  using T = typename Tr::Member;
  if constexpr (IsStr<T>::value) {
    f = text;
  } else if constexpr (std::is_same_v<T, Decimal>) {
    f = Decimal::fromCents(number);
  } else if constexpr (std::is_same_v<T, Date> || std::is_same_v<T, Time>) {
    f = T(static_cast<std::int32_t>(number));
  } else {
    f = static_cast<T>(number);
  }
}

template <auto M>
void saveField(const void* rec, std::int64_t* number, std::string_view* text) {
  using Tr = MemberTraits<decltype(M)>;
  const auto& f = static_cast<const typename Tr::Class*>(rec)->*M;
  using T = typename Tr::Member;
  if constexpr (IsStr<T>::value) {
    *text = f.str();
  } else if constexpr (std::is_same_v<T, Decimal>) {
    *number = f.cents();
  } else if constexpr (std::is_same_v<T, Date>) {
    *number = f.day();
  } else if constexpr (std::is_same_v<T, Time>) {
    *number = f.value();
  } else {
    *number = static_cast<std::int64_t>(f);
  }
}

bool textFits(std::string_view text, std::size_t length, std::string* why);
bool decimalFits(std::int64_t cents, int digits, int places, std::string* why);
bool dateFits(std::int64_t day, std::string* why);
bool timeFits(std::int64_t value, std::string* why);

template <auto M, int Digits, int Places, int Max>
bool fitsField(std::int64_t number, std::string_view text, std::string* why) {
  using Tr = MemberTraits<decltype(M)>;
  using T = typename Tr::Member;
  if constexpr (IsStr<T>::value) {
    return textFits(text, T::kLength, why);
  } else if constexpr (std::is_same_v<T, Decimal>) {
    return decimalFits(number, Digits, Places, why);
  } else if constexpr (std::is_same_v<T, Date>) {
    return dateFits(number, why);
  } else if constexpr (std::is_same_v<T, Time>) {
    return timeFits(number, why);
  } else {
    constexpr std::int64_t lo = static_cast<std::int64_t>(std::numeric_limits<T>::min());
    constexpr std::int64_t hi =
        Max > 0 ? Max : static_cast<std::int64_t>(std::numeric_limits<T>::max());
    if (number >= lo && number <= hi) return true;
    if (why) *why = rangeText(lo, hi);
    return false;
  }
}

template <auto M, int Digits, int Places, int Max>
FieldDef makeField(const char* column, FieldType type, int length) {
  FieldDef d;
  d.column = column;
  d.type = type;
  d.length = length;
  d.places = Places;
  d.get = &getField<M>;
  d.set = &setField<M, Digits, Places, Max>;
  d.load = &loadField<M>;
  d.save = &saveField<M>;
  d.fits = &fitsField<M, Digits, Places, Max>;
  return d;
}

// Builds a FileDef for record type R.
template <typename R>
FileDef makeFile(const char* name, const char* label, const char* prefix,
                 std::vector<FieldDef> fields) {
  FileDef d;
  d.name = name;
  d.label = label;
  d.prefix = prefix;
  d.table = lower(name);
  for (auto& f : fields) f.name = std::string(prefix) + ":" + f.column;
  d.fields = std::move(fields);
  d.indexFieldNames();
  d.create = [] { return std::static_pointer_cast<void>(std::make_shared<R>()); };
  d.copy = [](void* dst, const void* src) { *static_cast<R*>(dst) = *static_cast<const R*>(src); };
  d.makeAccess = &makeAccessFor<R>;
  return d;
}

void addKey(FileDef& d, const char* name, std::initializer_list<const char*> columns, bool unique,
            bool descending = false);

}  // namespace detail

// A file as its record declares it beside its fields: names, numbering and keys.
struct KeySpec {
  const char* name;                      // "KeyEquipmentID"
  std::array<const char*, 4> columns{};  // most significant first; the rest null
  bool unique = false;
  bool descending = false;
};
struct FileSpec {
  const char* name;                 // "EQHEADER"
  const char* label;                // "EQHeader"
  const char* prefix;               // "EQH"
  const char* autoField = nullptr;  // the auto-numbered field, if any
};

namespace detail {

// The FileDef of record type R from its declaration (R::kFile, R::kKeys); an alias file gives
// its own names and shares R's table.
template <typename R>
FileDef declaredFile(std::vector<FieldDef> fields, const FileSpec* alias = nullptr) {
  const FileSpec& s = alias ? *alias : R::kFile;
  FileDef d = makeFile<R>(s.name, s.label, s.prefix, std::move(fields));
  if (alias) d.table = lower(R::kFile.name);
  for (const KeySpec& k : R::kKeys) {
    KeyDef key;
    key.name = d.prefix + ":" + k.name;
    key.unique = k.unique;
    key.descending = k.descending;
    for (const char* c : k.columns) {
      if (!c) break;
      const int i = d.fieldIndex(c);
      if (i < 0) throw std::logic_error("key " + key.name + " names unknown field " + c);
      key.fields.push_back(i);
    }
    d.keys.push_back(std::move(key));
  }
  if (s.autoField) d.autoField = d.fieldIndex(s.autoField);
  return d;
}

}  // namespace detail
}  // namespace koreq::data

// C++ member types by field type. String and Decimal take their length (digits for Decimal).
#define KOREQ_CTYPE_Long(n) std::int32_t
#define KOREQ_CTYPE_ULong(n) std::uint32_t
#define KOREQ_CTYPE_Short(n) std::int16_t
#define KOREQ_CTYPE_UShort(n) std::uint16_t
#define KOREQ_CTYPE_Byte(n) std::uint8_t
#define KOREQ_CTYPE_Flag(n) std::uint8_t
#define KOREQ_CTYPE_String(n) ::koreq::Str<n>
#define KOREQ_CTYPE_Decimal(n) ::koreq::Decimal
#define KOREQ_CTYPE_Decimal0(n) ::koreq::Decimal
#define KOREQ_CTYPE_Date(n) ::koreq::Date
#define KOREQ_CTYPE_Time(n) ::koreq::Time

#define KOREQ_FTYPE_Long Long
#define KOREQ_FTYPE_ULong ULong
#define KOREQ_FTYPE_Short Short
#define KOREQ_FTYPE_UShort UShort
#define KOREQ_FTYPE_Byte Byte
#define KOREQ_FTYPE_Flag Byte
#define KOREQ_FTYPE_String String
#define KOREQ_FTYPE_Decimal Decimal
#define KOREQ_FTYPE_Decimal0 Decimal
#define KOREQ_FTYPE_Date Date
#define KOREQ_FTYPE_Time Time

#define KOREQ_PLACES_Long 0
#define KOREQ_PLACES_ULong 0
#define KOREQ_PLACES_Short 0
#define KOREQ_PLACES_UShort 0
#define KOREQ_PLACES_Byte 0
#define KOREQ_PLACES_Flag 0
#define KOREQ_PLACES_String 0
#define KOREQ_PLACES_Decimal 2
#define KOREQ_PLACES_Decimal0 0
#define KOREQ_PLACES_Date 0
#define KOREQ_PLACES_Time 0

// The largest value of a field below its type's own range (0: the type's range).
#define KOREQ_MAX_Long 0
#define KOREQ_MAX_ULong 0
#define KOREQ_MAX_Short 0
#define KOREQ_MAX_UShort 0
#define KOREQ_MAX_Byte 0
#define KOREQ_MAX_Flag 1
#define KOREQ_MAX_String 0
#define KOREQ_MAX_Decimal 0
#define KOREQ_MAX_Decimal0 0
#define KOREQ_MAX_Date 0
#define KOREQ_MAX_Time 0

// In a record struct: one member per field.
#define KOREQ_MEMBER(type, name, len) KOREQ_CTYPE_##type(len) name{};
// In a record's def(): one FieldDef per field (needs `using Self = <record>;`).
#define KOREQ_FIELDDEF(type, name, len)                                                        \
  ::koreq::data::detail::makeField<&Self::name, (len), KOREQ_PLACES_##type, KOREQ_MAX_##type>( \
      #name, ::koreq::data::FieldType::KOREQ_FTYPE_##type, (len)),

// Declares a record struct of a file from its field list macro, its FileSpec and its keys
// (KeySpecs): everything about the file in one place.
#define KOREQ_FILE_RECORD(Struct, FIELDS, NAME, LABEL, PREFIX, AUTO, ...)      \
  struct Struct {                                                              \
    FIELDS(KOREQ_MEMBER)                                                       \
    static constexpr ::koreq::data::FileSpec kFile{NAME, LABEL, PREFIX, AUTO}; \
    static constexpr ::koreq::data::KeySpec kKeys[] = {__VA_ARGS__};           \
    static const ::koreq::data::FileDef& def();                                \
  };
// The def() of a record declared with KOREQ_FILE_RECORD.
#define KOREQ_DEFINE_FILE(Struct, FIELDS)                                      \
  const ::koreq::data::FileDef& Struct::def() {                                \
    using Self = Struct;                                                       \
    static const ::koreq::data::FileDef d =                                    \
        ::koreq::data::detail::declaredFile<Struct>({FIELDS(KOREQ_FIELDDEF)}); \
    return d;                                                                  \
  }

// Declares a record struct from its field list macro.
#define KOREQ_RECORD(Struct, FIELDS)            \
  struct Struct {                               \
    FIELDS(KOREQ_MEMBER)                        \
    static const ::koreq::data::FileDef& def(); \
  };
