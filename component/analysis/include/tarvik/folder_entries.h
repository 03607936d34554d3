#pragma once

// Listing a folder for a run over a folder tree (the folder batches and the folder reports).

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace tarvik {

// The entries of a folder, hidden and system ones included, in name order, so that a run over
// the same folder repeats.
inline QFileInfoList sortedEntries(const QDir& dir, QDir::Filters filters) {
  QFileInfoList list = dir.entryInfoList(filters | QDir::Hidden | QDir::System, QDir::NoSort);
  std::sort(list.begin(), list.end(),
            [](const QFileInfo& a, const QFileInfo& b) { return a.fileName() < b.fileName(); });
  return list;
}

}  // namespace tarvik
