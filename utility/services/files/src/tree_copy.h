#pragma once

#include <filesystem>

namespace mobrel {

// Copies a file, a symbolic link (as a link) or a folder with everything in it onto `target`;
// an existing folder is merged into. With followLink, a `source` that is a link to a regular
// file stands for that file, whose data is copied (as cp does); a link that leads nowhere
// answers ENOENT and one to a pipe, device or socket EINVAL, copying nothing; a link to a folder
// and links inside folders stay links. Each file is written to a temporary file beside its target
// and renamed into place only once it is whole, so a failure (a full disk) leaves the target as it
// was and no partial file behind; a target that is a named pipe, device or socket (or a link to
// one) is refused with EINVAL and stays. Answers 0, or the error number of the failure.
long copyTree(const std::filesystem::path& source, const std::filesystem::path& target,
              bool followLink);

}  // namespace mobrel
