#include "sheetcut/error.h"

#include <utility>

namespace sheetcut {

Error::Error(long number, std::string description, std::string source)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

}  // namespace sheetcut
