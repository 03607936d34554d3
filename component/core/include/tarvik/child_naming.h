#pragma once

// Names of the drawings the split writes: the drawing number made fit for a file name, the
// choice among several matching texts, and a target path that never replaces a file.

#include <QString>
#include <QStringList>
#include <vector>

#include "tarvik/records.h"

namespace tarvik {

// File-name form: every "/", "\", ":", "*", "?", double quote, "<" and ">" becomes its
// full-width form ("／", "＼", "：", "＊", "？", "＇", "＜", "＞"); nothing else changes. Path
// form: the folder path is left as given, since every one of those characters is legal in a
// Linux path and "/" is its separator.
void validFileName(QString& s, bool isPath);

// 0: every character is a digit 0-9 (also for ""); 2: a double-byte character occurs (a code
// point above U+00FF, or one that takes two bytes in the ANSI code page); 1: otherwise.
int strType(const QString& s);

// Of several candidate texts at `points` in a frame from `minPoint` to `maxPoint`, the index of
// the one strictly nearest (in the X-Y plane) to a corner, corners tried lower-left,
// upper-right, upper-left, lower-right; ties keep the earlier text and corner. -1 when no
// distance is below 1e20 (no points, or none that can be measured).
int nearestToCorner(const std::vector<Point3d>& points, const Point3d& minPoint,
                    const Point3d& maxPoint);

// The name of frame `n` when no drawing number was found: the source's file name in capitals
// with every upper-case drawing extension replaced by "-" and n, or, when it has none, the
// name followed by "-" and n (so that every unnamed frame gets a name of its own).
QString fallbackChildName(const QString& sourceFileName, int n);

// The first of `choices` (file names without the drawing extension) whose path in `folder`
// (which ends in "/") does not exist, else the last choice followed by "-2", "-3", ... until
// one is free: so no file is ever replaced. Any directory entry counts as taken, a dangling
// symbolic link too; a path that cannot be looked at (too long) counts as free, so that the
// write there fails and is reported. sheetcut::Error when the folder or a choice holds a NUL.
QString freeChildPath(const QString& folder, const QStringList& choices);

}  // namespace tarvik
