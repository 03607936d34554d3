#pragma once

#include <stdexcept>
#include <string>

namespace cadhost {

// Every failure of the host is a HostError with a code and a message that names what failed
// (the file and, for a bad DXF, the line).
class HostError : public std::runtime_error {
 public:
  enum Code { NotFound, Exists, NoDocument, Dead, Refused, Io, Unsupported, Cancelled, BadFile };

  HostError(Code code, const std::string& message) : std::runtime_error(message), code_(code) {}
  Code code() const { return code_; }

 private:
  Code code_;
};

}  // namespace cadhost
