#include "plot/fonts.h"

#include <array>

#include "model/text_util.h"

namespace cadhost::plot {

std::string substituteFamily(std::string_view fontFile, std::string_view bigFont) {
  // Serif faces: the Song and Fangsong families and the Roman shape fonts; everything else
  // (simplex shape fonts, Hei, gbcbig, unknown names) is drawn sans.
  static const std::array<std::string_view, 12> serif{"宋",     "仿宋",     "楷",    "SONG",
                                                      "SIMSUN", "FANGSONG", "KAI",   "ROMAN",
                                                      "TIMES",  "MINGLIU",  "SERIF", "HZTXT"};
  const std::string names = detail::toUpper(std::string(fontFile) + "|" + std::string(bigFont));
  for (std::string_view s : serif)
    if (names.find(s) != std::string::npos) return kSerifFamily;
  return kSansFamily;
}

}  // namespace cadhost::plot
