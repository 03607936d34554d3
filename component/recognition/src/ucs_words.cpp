#include "ucs_words.h"

#include "tarvik/recognition/text_words.h"

namespace tarvik {

std::vector<TextType> wordsInUcs(const CAD& cad, cadhost::Document& doc, const std::string& ucsName,
                                 const cadhost::Entity& text) {
  const bool named = !ucsName.empty();
  if (named) attemptStep([&] { doc.sendCommand(kWorldUcsCommand); });
  std::vector<TextType> words;
  cadhost::Point3 ip;
  {
    TextLevelled levelled(text);
    ip = levelled.insertionPoint();
    if (!attemptStep([&] { words = splitTextWords(cad, doc, text); })) words.clear();
  }
  if (!words.empty()) words.erase(words.begin());
  if (!named) return words;
  activateUcs(doc, ucsName);
  double dx = 0, dy = 0;
  attemptStep([&] {
    const cadhost::Point3 u = doc.utility().translateCoordinates(ip, cadhost::CoordSys::World,
                                                                 cadhost::CoordSys::User, false);
    dx = u.x - ip.x;
    dy = u.y - ip.y;
  });
  for (TextType& w : words) {
    w.XL += dx;
    w.XR += dx;
    w.Y += dy;
  }
  return words;
}

}  // namespace tarvik
