// The GIF writer: Qt's reader gives back the pictures we drew.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>

#include "gif_writer.h"
#include "sheetcut_app/program_pictures.h"

using namespace sheetcut::app;

namespace {

QImage decode(const QByteArray& gif) {
  QBuffer buffer;
  buffer.setData(gif);
  QImageReader reader(&buffer, "gif");
  return reader.read().convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

TEST(GifWriter, StatusPicturesReadBackPixelForPixel) {
  for (StatusPicture kind : kStatusPictures) {
    const QImage drawn = drawStatusPicture(kind, 16);
    const QImage read = decode(encodeGif(drawn));
    ASSERT_EQ(read.size(), drawn.size());
    int opaque = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        const QRgb in = drawn.pixel(x, y), out = read.pixel(x, y);
        ASSERT_EQ(qAlpha(in) >= 128, qAlpha(out) == 255) << x << "," << y;
        if (qAlpha(in) < 128) continue;
        ++opaque;
        const int a = qAlpha(in);
        EXPECT_EQ(qRed(out), (qRed(in) * a + 255 * (255 - a)) / 255);
      }
    }
    EXPECT_GT(opaque, 100);
  }
}

TEST(GifWriter, LongRunsWidenTheCodesAndResetTheTable) {
  // 255 colours in a pattern that fills the code table several times over.
  QImage image(300, 200, QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const int c = (x * 7 + y * 13 + (x * y) % 11) % 255;
      image.setPixel(x, y, qRgb(c, 255 - c, (c * 3) % 256));
    }
  }
  const QImage read = decode(encodeGif(image));
  ASSERT_EQ(read.size(), image.size());
  EXPECT_EQ(read, image.convertToFormat(QImage::Format_ARGB32));

  image.setPixel(0, 0, qRgb(1, 2, 3));  // the 256th colour leaves no room for transparency
  EXPECT_THROW(encodeGif(image), std::invalid_argument);
}
