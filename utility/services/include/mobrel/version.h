#pragma once

namespace mobrel {

// The version of the utility library, "major.minor.build".
const char* libraryVersion();

}  // namespace mobrel
