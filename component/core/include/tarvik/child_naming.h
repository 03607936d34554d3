#pragma once

// Names of the drawings the split writes: the drawing number made fit for a file name, the
// choice among several matching texts, names that fit the file system, and the order in which
// a child tries names so that it never replaces a file.

#include <QString>
#include <QStringList>
#include <vector>

#include "tarvik/records.h"

namespace tarvik {

// File-name form: every "/", "\", ":", "*", "?", double quote, "<" and ">" becomes its
// full-width form ("／", "＼", "：", "＊", "？", "＇", "＜", "＞"), then makeNameVisible; nothing
// else changes. Path form: the folder path is left as given, since every one of those characters
// is legal in a Linux path and "/" is its separator.
void validFileName(QString& s, bool isPath);

// Control characters (U+0000 to U+001F, U+007F) and the bidirectional controls (U+202A to
// U+202E, U+2066 to U+2069) become "_", and a leading "." becomes "．" (U+FF0E): a name shows in
// a listing as it is, never hides itself, never acts on the terminal that lists it and never
// breaks a line of a file list.
void makeNameVisible(QString& s);

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

// The longest file name, in bytes, that the file system of `folder` takes (255 when it cannot
// tell).
int fileNameLimit(const QString& folder);

// `base`, `suffix` and the drawing extension, with `base` cut at a character boundary so that
// the whole takes at most `limit` bytes in UTF-8 (the encoding of file names here). The start
// of `base`, the suffix and the extension are kept.
QString fittedFileName(const QString& base, const QString& suffix, int limit);

// The file names (with the drawing extension, each fitted to the limit) that the child of
// frame n tries, in order. With a drawing number: the number, then number-n, then number-n-2,
// number-n-3, ...; without one: the fallback name, then fallback-2, fallback-3, ... A long
// name keeps its start and its "-n" whole, so the names stay distinct however they are cut.
class ChildNames {
 public:
  // `number`: the drawing number, already made fit for a file name; "" for none, and then the
  // name comes from `sourceFileName`.
  ChildNames(const QString& number, const QString& sourceFileName, int n, int limit);
  QString next();

 private:
  QString base_;
  QString suffix_;  // of the first choice after the plain number, or of the fallback name
  bool numbered_;   // named by a drawing number
  long tried_ = 0;  // names handed out so far
  int limit_;
};

// The next name of `names` that nothing in `folder` (which ends in "/") holds: any directory
// entry counts as taken, a dangling symbolic link too; a path that cannot be looked at counts
// as free, so that the write there fails and is reported. Free when looked at: the write must
// still take it without replacing anything.
QString nextFreeName(const QString& folder, ChildNames& names);

}  // namespace tarvik
