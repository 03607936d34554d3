#pragma once

// A small GIF89a writer for the program's status pictures (Qt reads GIF but cannot write it).

#include <QByteArray>
#include <QImage>

namespace sheetcut::app {

// The image as a GIF with one transparent colour: pixels less than half opaque become
// transparent, the others are laid over `background` and kept exactly. Throws
// std::invalid_argument when more than 255 colours remain.
QByteArray encodeGif(const QImage& image, QRgb background = qRgb(255, 255, 255));

}  // namespace sheetcut::app
