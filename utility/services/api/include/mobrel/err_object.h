#pragma once

#include <QString>

namespace sheetcut {
class Error;
}

namespace mobrel {

// A caller's error object as API::ShowErr takes it: a number (0 = no error), a description,
// and Clear, which sets it back to no error.
struct ErrObject {
  long Number = 0;
  QString Description;

  ErrObject() = default;
  ErrObject(long number, QString description)
      : Number(number), Description(std::move(description)) {}
  // The error a library member raised.
  explicit ErrObject(const sheetcut::Error& error);

  void Clear() {
    Number = 0;
    Description.clear();
  }
};

}  // namespace mobrel
