#pragma once

// A procedure's local variables seen by name ("LOC:Secure", "ShowActive"): controls bind to
// them and filters read them as bound names. The variables stay ordinary C++ members of the
// procedure; this table only knows how to read and write them.

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "ui/model/control.h"

namespace koreq::ui {

class Locals {
 public:
  // Binds `var` under `name` (case-insensitive). The variable must outlive the table.
  template <typename T>
  void bind(std::string name, T& var);

  const Binding* find(std::string_view name) const;
  // Monostate for an unknown name.
  data::Value get(std::string_view name) const;
  // False (with the reason) for an unknown name or a value that does not fit.
  bool set(std::string_view name, const data::Value& v, std::string* why = nullptr);
  const std::vector<Binding>& all() const { return vars_; }

 private:
  void add(Binding b);
  std::vector<Binding> vars_;
};

namespace detail {
template <typename T>
struct IsStrType : std::false_type {};
template <std::size_t N>
struct IsStrType<Str<N>> : std::true_type {};
}  // namespace detail

template <typename T>
void Locals::bind(std::string name, T& var) {
  Binding b;
  b.name = std::move(name);
  T* p = &var;
  if constexpr (detail::IsStrType<T>::value) {
    b.type = data::FieldType::String;
    b.length = static_cast<int>(T::kLength);
    b.get = [p] { return data::Value(p->str()); };
    b.set = [p](const data::Value& v, std::string* why) {
      std::string s;
      if (!data::detail::toText(v, &s, why)) return false;
      if (charCount(clip(s)) > T::kLength) {
        if (why) *why = "text longer than " + std::to_string(T::kLength) + " characters";
        return false;
      }
      *p = s;
      return true;
    };
  } else if constexpr (std::is_same_v<T, std::string>) {
    b.type = data::FieldType::String;
    b.get = [p] { return data::Value(*p); };
    b.set = [p](const data::Value& v, std::string* why) {
      std::string s;
      if (!data::detail::toText(v, &s, why)) return false;
      *p = clipped(s);
      return true;
    };
  } else if constexpr (std::is_same_v<T, Decimal>) {
    b.type = data::FieldType::Decimal;
    b.get = [p] { return data::Value(*p); };
    b.set = [p](const data::Value& v, std::string* why) {
      return data::detail::toDecimal(v, p, why);
    };
  } else if constexpr (std::is_same_v<T, Date>) {
    b.type = data::FieldType::Date;
    b.get = [p] { return data::Value(*p); };
    b.set = [p](const data::Value& v, std::string* why) { return data::detail::toDate(v, p, why); };
  } else if constexpr (std::is_same_v<T, Time>) {
    b.type = data::FieldType::Time;
    b.get = [p] { return data::Value(*p); };
    b.set = [p](const data::Value& v, std::string* why) { return data::detail::toTime(v, p, why); };
  } else if constexpr (std::is_same_v<T, bool>) {
    b.type = data::FieldType::Byte;
    b.get = [p] { return data::Value(std::int64_t{*p ? 1 : 0}); };
    b.set = [p](const data::Value& v, std::string* why) {
      std::int64_t n = 0;
      if (!data::detail::toInteger(v, &n, why)) return false;
      *p = n != 0;
      return true;
    };
  } else {
    static_assert(std::is_integral_v<T>, "locals are texts, numbers, decimals, dates or times");
    b.type = std::is_same_v<T, std::uint8_t> ? data::FieldType::Byte : data::FieldType::Long;
    b.get = [p] { return data::Value(static_cast<std::int64_t>(*p)); };
    b.set = [p](const data::Value& v, std::string* why) {
      std::int64_t n = 0;
      if (!data::detail::toInteger(v, &n, why)) return false;
      if (n < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
          (n > 0 && static_cast<std::uint64_t>(n) >
                        static_cast<std::uint64_t>(std::numeric_limits<T>::max()))) {
        if (why) *why = "number out of range";
        return false;
      }
      *p = static_cast<T>(n);
      return true;
    };
  }
  add(std::move(b));
}

}  // namespace koreq::ui
