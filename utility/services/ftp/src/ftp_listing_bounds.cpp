#include "mobrel/ftp_listing_bounds.h"

namespace mobrel::ftp {

bool ListingBounds::entry() {
  entrySinceProgress_ = true;
  if (refusal_.isEmpty() && ++entries_ > kMaxEntries) {
    refusal_ = QStringLiteral("holds more than %1 entries").arg(kMaxEntries);
  }
  return refusal_.isEmpty();
}

bool ListingBounds::progress(long long bytes) {
  if (entrySinceProgress_) {
    bytesAtEntry_ = bytes;
    entrySinceProgress_ = false;
  }
  if (!refusal_.isEmpty()) return false;
  if (bytes > kMaxBytes) {
    refusal_ = QStringLiteral("is longer than %1 MiB").arg(kMaxBytes >> 20);
  } else if (bytes - bytesAtEntry_ > kMaxLineBytes) {
    refusal_ = QStringLiteral("has a line longer than %1 KiB").arg(kMaxLineBytes >> 10);
  }
  return refusal_.isEmpty();
}

}  // namespace mobrel::ftp
