#pragma once

#include <QString>

namespace mobrel::ftp {

// Limits on one folder listing. libcurl keeps every entry the filter accepts until the
// listing has ended, and each line until its end arrives, so a server that lists without end,
// or sends a line without end, would fill the memory. Honest listings stay far below them: a
// listing of 200,000 entries is about 14 MB.
class ListingBounds {
 public:
  static constexpr long long kMaxBytes = 32LL << 20;
  static constexpr long kMaxEntries = 500000;
  static constexpr long long kMaxLineBytes = 64LL << 10;

  // One more entry has been read; false once the listing holds too many.
  bool entry();
  // The listing has brought `bytes` in all so far; false once it, or its last line, is too
  // long. Entries between two calls mark where a line ended as of the later call, so a line
  // is taken as too long only when that many bytes came without one.
  bool progress(long long bytes);
  // Why the listing was refused, to follow "the listing of ..."; "" while it was not.
  const QString& refusal() const { return refusal_; }

 private:
  long entries_ = 0;
  bool entrySinceProgress_ = false;
  long long bytesAtEntry_ = 0;
  QString refusal_;
};

}  // namespace mobrel::ftp
