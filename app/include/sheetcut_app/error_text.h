#pragma once

// The number and description of whatever a library call raised, for the program's messages.

#include <QString>
#include <exception>

namespace sheetcut::app {

struct ErrorText {
  long number = 0;
  QString description;
};

// sheetcut::Error keeps its number; any other exception is number 1 with its text.
ErrorText errorText(std::exception_ptr error);

}  // namespace sheetcut::app
