// Result<T>: a value or the message of the fault that prevented it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace quillet::pe {

// The fault that stopped a parse, phrased for a failure line of the report.
struct Error {
  std::string message;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // Only valid when ok(); checked by std::get, which throws otherwise.
  const T& value() const& { return std::get<0>(state_); }
  T& value() & { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  const T& operator*() const& { return value(); }
  T& operator*() & { return value(); }
  const T* operator->() const { return &value(); }
  T* operator->() { return &value(); }

  // Only valid when !ok().
  const std::string& error() const { return std::get<1>(state_).message; }

 private:
  std::variant<T, Error> state_;
};

// "0x1a2b": offsets and values in messages are written the way a hex dump shows them.
inline std::string Hex(uint64_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + digits;
}

}  // namespace quillet::pe
