#include "gif_writer.h"

#include <QHash>
#include <stdexcept>
#include <vector>

namespace sheetcut::app {

namespace {

constexpr int kMinCodeSize = 8;  // the palette always has 256 entries
constexpr int kClearCode = 1 << kMinCodeSize;
constexpr int kEndCode = kClearCode + 1;
constexpr int kMaxCode = 4095;

void put16(QByteArray& out, int value) {
  out.append(char(value & 0xff));
  out.append(char((value >> 8) & 0xff));
}

// Packs variable-width codes, least significant bit first, into data sub-blocks.
class CodeWriter {
 public:
  void write(int code, int width) {
    bits_ |= quint32(code) << count_;
    count_ += width;
    while (count_ >= 8) {
      bytes_.append(char(bits_ & 0xff));
      bits_ >>= 8;
      count_ -= 8;
    }
  }
  QByteArray blocks() {
    if (count_ > 0) bytes_.append(char(bits_ & 0xff));
    QByteArray out;
    for (qsizetype at = 0; at < bytes_.size(); at += 255) {
      const QByteArray block = bytes_.mid(at, 255);
      out.append(char(block.size()));
      out.append(block);
    }
    out.append('\0');
    return out;
  }

 private:
  quint32 bits_ = 0;
  int count_ = 0;
  QByteArray bytes_;
};

QByteArray lzw(const std::vector<quint8>& indexes) {
  CodeWriter out;
  int codeSize = kMinCodeSize + 1;
  out.write(kClearCode, codeSize);
  QHash<int, int> table;  // (prefix code << 8 | next index) -> code
  int lastCode = kEndCode;
  int prefix = indexes.front();
  for (std::size_t i = 1; i < indexes.size(); ++i) {
    const int key = (prefix << 8) | indexes[i];
    const auto found = table.constFind(key);
    if (found != table.constEnd()) {
      prefix = found.value();
      continue;
    }
    out.write(prefix, codeSize);
    table.insert(key, ++lastCode);
    if (lastCode >= (1 << codeSize)) ++codeSize;
    if (lastCode == kMaxCode) {
      out.write(kClearCode, codeSize);
      table.clear();
      lastCode = kEndCode;
      codeSize = kMinCodeSize + 1;
    }
    prefix = indexes[i];
  }
  out.write(prefix, codeSize);
  out.write(kEndCode, codeSize);
  return out.blocks();
}

}  // namespace

QByteArray encodeGif(const QImage& source, QRgb background) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) throw std::invalid_argument("empty image");
  // Index 0 is the transparent colour.
  std::vector<QRgb> palette{qRgb(255, 255, 255)};
  QHash<QRgb, int> indexOf;
  std::vector<quint8> indexes;
  indexes.reserve(std::size_t(image.width()) * std::size_t(image.height()));
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = line[x];
      const int alpha = qAlpha(pixel);
      if (alpha < 128) {
        indexes.push_back(0);
        continue;
      }
      const auto over = [alpha](int fg, int bg) { return (fg * alpha + bg * (255 - alpha)) / 255; };
      const QRgb colour =
          qRgb(over(qRed(pixel), qRed(background)), over(qGreen(pixel), qGreen(background)),
               over(qBlue(pixel), qBlue(background)));
      auto found = indexOf.constFind(colour);
      if (found == indexOf.constEnd()) {
        if (palette.size() == 256) throw std::invalid_argument("more than 255 colours");
        found = indexOf.insert(colour, int(palette.size()));
        palette.push_back(colour);
      }
      indexes.push_back(quint8(found.value()));
    }
  }
  palette.resize(256, qRgb(0, 0, 0));

  QByteArray gif("GIF89a");
  put16(gif, image.width());
  put16(gif, image.height());
  gif.append(char(0xF7));  // a global table of 256 colours, 8 bits each
  gif.append('\0');        // background colour index
  gif.append('\0');        // no aspect ratio
  for (QRgb colour : palette) {
    gif.append(char(qRed(colour)));
    gif.append(char(qGreen(colour)));
    gif.append(char(qBlue(colour)));
  }
  gif.append("\x21\xF9\x04\x01", 4);  // graphic control: index 0 is transparent
  put16(gif, 0);
  gif.append('\0');
  gif.append('\0');
  gif.append(char(0x2C));  // the image, at 0,0, not interlaced, no local table
  put16(gif, 0);
  put16(gif, 0);
  put16(gif, image.width());
  put16(gif, image.height());
  gif.append('\0');
  gif.append(char(kMinCodeSize));
  gif.append(lzw(indexes));
  gif.append(char(0x3B));
  return gif;
}

}  // namespace sheetcut::app
