#pragma once

// Reading the template list file ("db.xml" of the template folder).

#include <QString>
#include <vector>

#include "tarvik/records.h"

namespace tarvik {

// Reads `path` into `list` (entry 0 unused) and `count`. Only a regular file is read. Returns
// false with an empty list (count 0) when the file is missing, is not a regular file, cannot
// be read or parsed, or names too many templates. Otherwise `list` gets count + 1 entries,
// filled in file order up to the first template element that lacks its name attribute or its
// two child nodes; the entries from there on stay empty (returns false too then). `reason`,
// when given, receives why the file could not be read, or "" on success.
bool readTemplateListFile(const QString& path, std::vector<BlkTYpe>& list, int& count,
                          QString* reason = nullptr);

// The category code of a category text: "1", "0", "2", or "3" for a text not known.
QString templateCategoryCode(const QString& text);

}  // namespace tarvik
