#pragma once

// Where the leading parts of a text end in its UTF-8 form, for measuring them on the host.

#include <QString>
#include <cstddef>
#include <vector>

namespace tarvik {

// Element i is the byte length of s.left(i).toStdString() for every i from 0 to s.size() that
// does not split a surrogate pair (inside a pair it is the length before the pair). An unpaired
// surrogate takes one byte, as toStdString writes it.
std::vector<std::size_t> utf8Offsets(const QString& s);

}  // namespace tarvik
