#pragma once

#include <stdexcept>
#include <string>

namespace sheetcut {

// The one exception type that the product libraries raise to their callers: an error number
// and a description (UTF-8), plus the name of the routine that raised it when known.
class Error : public std::runtime_error {
 public:
  Error(long number, std::string description, std::string source = {});

  long number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& source() const { return source_; }

 private:
  long number_;
  std::string description_;
  std::string source_;
};

// Error numbers the libraries use where the runtime they replace had fixed ones.
namespace errnum {
inline constexpr long kGeneric = 1;
inline constexpr long kOverflow = 6;
inline constexpr long kSubscriptOutOfRange = 9;
inline constexpr long kDivisionByZero = 11;
inline constexpr long kFileNotFound = 53;
inline constexpr long kPathNotFound = 76;
}  // namespace errnum

}  // namespace sheetcut
