#pragma once

#include <string>

namespace sheetcut::detail {

// Gives the open file `to` the extended attributes of the file `from`, as far as this process
// may set them. The access control lists go last: they set the permission bits too, which
// could take away the write permission that user attributes need. A file without an access
// control list gets none: the list `to` took from its folder's default list would give the
// users it names access that the replaced file did not give them. Answers 0 or errno.
int copyExtendedAttributes(const std::string& from, int to);

}  // namespace sheetcut::detail
