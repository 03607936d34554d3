#pragma once

// The words of one text entity in the coordinates of a named UCS.

#include <string>
#include <vector>

#include "recognition_state.h"

namespace tarvik {

// The words of `text` (splitTextWords without its empty element 0). They are measured with the
// world system current and the text levelled, then moved by the offset of the text's insertion
// point in the UCS `ucsName`, which is current again afterwards. With "" (the world system) the
// words stay as measured. A failed measurement gives no words.
std::vector<TextType> wordsInUcs(const CAD& cad, cadhost::Document& doc, const std::string& ucsName,
                                 const cadhost::Entity& text);

}  // namespace tarvik
