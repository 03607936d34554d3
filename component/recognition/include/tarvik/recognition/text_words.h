#pragma once

// The words of one text entity, measured in drawing units: the text's string is cut at its
// spaces, and each word's right end is the width of the text up to that word, its left end
// that less the word's own width, both measured on one temporary single-line text of the same
// string, height and style and scaled by the ratio of the real and the temporary text's widths
// (so width factors and multi-line layouts carry over). Element 0 of the result is an empty
// record; words follow from element 1 in text order.

#include <cadhost/document.h>
#include <cadhost/entity.h>

#include <vector>

#include "tarvik/records.h"

namespace tarvik {

class CAD;

// Host failures raise cadhost::HostError. The temporary text is made only when the string
// holds a word and a space, and is deleted on every path. A text without width gives no words.
std::vector<TextType> splitTextWords(const CAD& cad, cadhost::Document doc,
                                     const cadhost::Entity& text);

// Rotates a text about its insertion point to lie along the X axis for the life of the guard,
// then turns it back. Host failures leave the text as it is.
class TextLevelled {
 public:
  explicit TextLevelled(cadhost::Entity text);
  ~TextLevelled();
  TextLevelled(const TextLevelled&) = delete;
  TextLevelled& operator=(const TextLevelled&) = delete;
  const cadhost::Point3& insertionPoint() const { return ip_; }

 private:
  cadhost::Entity text_;
  cadhost::Point3 ip_;
  double rotation_ = 0;
  bool turned_ = false;
};

}  // namespace tarvik
