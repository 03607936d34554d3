#include "mobrel/version.h"

namespace mobrel {

const char* libraryVersion() {
  return MOBREL_VERSION;
}

}  // namespace mobrel
