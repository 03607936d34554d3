// The binary record form of cell and block layout files.

#include "tarvik/record_codec.h"

#include <sheetcut/ansi_codepage.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace tarvik {

static_assert(std::endian::native == std::endian::little, "the record form is little-endian");

namespace {

// Arrays inside arrays of Variants are allowed this deep; deeper data is taken as damage.
constexpr int kMaxNesting = 16;
// The runtime's arrays have at most 60 dimensions.
constexpr std::uint16_t kMaxDimensions = 60;
// The most elements one value read from a record holds, its nested arrays included. A record's
// values are cell corners (points); an element costs far more in memory than its two or eight
// bytes in the file, so a file that declares millions of them is refused rather than expanded.
constexpr qsizetype kMaxElements = 65536;
// The most elements all values of one file hold together: two three-double corners for each of
// the most cells a cell file holds, three times over. Beyond it a file of many large values
// would cost far more memory than its size.
constexpr qsizetype kMaxFileElements = 65536 * 6 * 3;

std::string hex16(std::uint16_t v) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) s += digits[(v >> shift) & 0xF];
  return s;
}

// Bytes each element of an array of `type` takes at least in the file.
qsizetype minimumElementSize(Variant::Type type) {
  switch (type) {
    case Variant::kByte:
      return 1;
    case Variant::kLong:
    case Variant::kSingle:
    case Variant::kError:
      return 4;
    case Variant::kDouble:
    case Variant::kCurrency:
    case Variant::kDate:
      return 8;
    default:  // Integer, Boolean, String (its length), Variant (its type word)
      return 2;
  }
}

bool isArrayElementType(Variant::Type t) {
  switch (t) {
    case Variant::kInteger:
    case Variant::kLong:
    case Variant::kSingle:
    case Variant::kDouble:
    case Variant::kCurrency:
    case Variant::kDate:
    case Variant::kString:
    case Variant::kError:
    case Variant::kBoolean:
    case Variant::kVariant:
    case Variant::kByte:
      return true;
    default:
      return false;
  }
}

// Runs `read` and prefixes a format error with the field it was reading.
template <class F>
auto inField(const char* field, F&& read) {
  try {
    return read();
  } catch (const RecordFormatError& e) {
    throw RecordFormatError(e.number(), std::string("field ") + field + ": " + e.what());
  }
}

}  // namespace

// ---- Writing

void RecordWriter::putRaw(const void* bytes, std::size_t n) {
  out_.append(static_cast<const char*>(bytes), static_cast<qsizetype>(n));
}

void RecordWriter::putInt16(std::int16_t v) {
  putRaw(&v, sizeof v);
}

void RecordWriter::putUInt16(std::uint16_t v) {
  putRaw(&v, sizeof v);
}

void RecordWriter::putInt32(std::int32_t v) {
  putRaw(&v, sizeof v);
}

void RecordWriter::putDouble(double v) {
  putRaw(&v, sizeof v);
}

void RecordWriter::putText(const QString& s) {
  const std::string bytes = sheetcut::utf8ToAnsi(s.toStdString());
  if (bytes.size() > std::numeric_limits<std::uint16_t>::max()) {
    throw RecordFormatError(RecordFormatError::kBadValue,
                            "a text of " + std::to_string(bytes.size()) +
                                " bytes is longer than the 65535 bytes a record holds");
  }
  putUInt16(static_cast<std::uint16_t>(bytes.size()));
  putRaw(bytes.data(), bytes.size());
}

void RecordWriter::putScalarValue(const Variant& v) {
  switch (v.type()) {
    case Variant::kEmpty:
    case Variant::kNull:
      break;
    case Variant::kInteger:
    case Variant::kBoolean:
      putInt16(static_cast<std::int16_t>(v.rawInteger()));
      break;
    case Variant::kLong:
    case Variant::kError:
      putInt32(static_cast<std::int32_t>(v.rawInteger()));
      break;
    case Variant::kSingle: {
      const auto f = static_cast<float>(v.toDouble());
      putRaw(&f, sizeof f);
      break;
    }
    case Variant::kDouble:
    case Variant::kDate:
      putDouble(v.toDouble());
      break;
    case Variant::kCurrency: {
      const std::int64_t raw = v.rawInteger();
      putRaw(&raw, sizeof raw);
      break;
    }
    case Variant::kString:
      putText(v.toString());
      break;
    case Variant::kByte: {
      const auto b = static_cast<std::uint8_t>(v.rawInteger());
      putRaw(&b, 1);
      break;
    }
    default:
      throw RecordFormatError(RecordFormatError::kBadValue,
                              "a Variant of type " + hex16(v.type()) + " cannot be written");
  }
}

void RecordWriter::putVariant(const Variant& v) {
  putUInt16(v.type());
  if (!v.isArray()) {
    putScalarValue(v);
    return;
  }
  putUInt16(static_cast<std::uint16_t>(v.bounds().size()));
  for (const Variant::Bound& b : v.bounds()) {
    putInt32(b.count);
    putInt32(b.lower);
  }
  const bool ofVariants = v.elementType() == Variant::kVariant;
  for (const Variant& item : v.items()) {
    if (ofVariants) {
      putVariant(item);
    } else {
      putScalarValue(item);
    }
  }
}

void RecordWriter::putCell(const CellType& cell) {
  inField("name", [&] { putText(cell.name); });
  inField("P1", [&] { putVariant(cell.P1); });
  inField("P2", [&] { putVariant(cell.P2); });
  putInt16(cell.T);
  inField("s", [&] { putText(cell.s); });
}

void RecordWriter::putTextRecord(const TextType& text) {
  putDouble(text.XL);
  putDouble(text.XR);
  putDouble(text.H);
  putDouble(text.Y);
  inField("s", [&] { putText(text.s); });
}

// ---- Reading

const char* RecordReader::take(qsizetype n, const char* what) {
  if (n < 0 || n > remaining()) {
    throw RecordFormatError(RecordFormatError::kPastEnd,
                            std::string("the data ends inside ") + what + " at byte " +
                                std::to_string(pos_) + " (" + std::to_string(n) +
                                " bytes needed, " + std::to_string(remaining()) + " left)");
  }
  const char* p = data_.data() + pos_;
  pos_ += n;
  return p;
}

std::int16_t RecordReader::getInt16() {
  std::int16_t v;
  std::memcpy(&v, take(sizeof v, "a 16-bit number"), sizeof v);
  return v;
}

std::uint16_t RecordReader::getUInt16() {
  std::uint16_t v;
  std::memcpy(&v, take(sizeof v, "a 16-bit number"), sizeof v);
  return v;
}

std::int32_t RecordReader::getInt32() {
  std::int32_t v;
  std::memcpy(&v, take(sizeof v, "a 32-bit number"), sizeof v);
  return v;
}

double RecordReader::getDouble() {
  double v;
  std::memcpy(&v, take(sizeof v, "a double"), sizeof v);
  return v;
}

QString RecordReader::getText() {
  const std::uint16_t n = getUInt16();
  const char* bytes = take(n, "a text");
  if (!keep_ || n == 0) return {};
  // ASCII reads the same in every ANSI code page; only other bytes need converting.
  if (std::all_of(bytes, bytes + n, [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return QString::fromLatin1(bytes, n);
  }
  return QString::fromStdString(sheetcut::ansiToUtf8(std::string_view(bytes, n)));
}

Variant RecordReader::getVariant() {
  elements_ = 0;
  return getVariantAt(0);
}

Variant RecordReader::getVariantAt(int depth) {
  const qsizetype start = pos_;
  const std::uint16_t type = getUInt16();
  if ((type & Variant::kArray) != 0) {
    const auto elementType = static_cast<Variant::Type>(type & ~Variant::kArray);
    if (!isArrayElementType(elementType)) {
      throw RecordFormatError(
          RecordFormatError::kBadValue,
          "unknown Variant type " + hex16(type) + " at byte " + std::to_string(start));
    }
    if (depth >= kMaxNesting) {
      throw RecordFormatError(RecordFormatError::kBadValue,
                              "arrays nested too deep at byte " + std::to_string(start));
    }
    return getArray(elementType, depth);
  }
  if (type == Variant::kVariant || !(type <= Variant::kString || type == Variant::kError ||
                                     type == Variant::kBoolean || type == Variant::kByte)) {
    throw RecordFormatError(RecordFormatError::kBadValue, "unknown Variant type " + hex16(type) +
                                                              " at byte " + std::to_string(start));
  }
  return getScalarValue(static_cast<Variant::Type>(type));
}

Variant RecordReader::getScalarValue(Variant::Type type) {
  switch (type) {
    case Variant::kEmpty:
      return {};
    case Variant::kNull:
      return Variant::null();
    case Variant::kInteger:
    case Variant::kBoolean:
      return Variant::scalar(type, getInt16());
    case Variant::kLong:
    case Variant::kError:
      return Variant::scalar(type, getInt32());
    case Variant::kSingle: {
      float f;
      std::memcpy(&f, take(sizeof f, "a single"), sizeof f);
      return Variant::scalar(type, f);
    }
    case Variant::kDouble:
    case Variant::kDate:
      return Variant::scalar(type, getDouble());
    case Variant::kCurrency: {
      std::int64_t raw;
      std::memcpy(&raw, take(sizeof raw, "a currency value"), sizeof raw);
      return Variant::fromCurrencyRaw(raw);
    }
    case Variant::kString:
      return Variant::fromString(getText());
    case Variant::kByte:
      return Variant::scalar(type, static_cast<std::uint8_t>(*take(1, "a byte")));
    default:
      throw RecordFormatError(RecordFormatError::kBadValue, "unknown Variant type " + hex16(type));
  }
}

Variant RecordReader::getArray(Variant::Type elementType, int depth) {
  const std::uint16_t dimensions = getUInt16();
  if (dimensions == 0 || dimensions > kMaxDimensions) {
    throw RecordFormatError(RecordFormatError::kBadValue,
                            "an array of " + std::to_string(dimensions) + " dimensions at byte " +
                                std::to_string(pos_ - 2));
  }
  std::vector<Variant::Bound> bounds;
  qsizetype total = 1;
  const qsizetype minimum = minimumElementSize(elementType);
  for (std::uint16_t d = 0; d < dimensions; ++d) {
    Variant::Bound b;
    b.count = getInt32();
    b.lower = getInt32();
    if (b.count < 0) {
      throw RecordFormatError(RecordFormatError::kBadValue,
                              "a negative array size at byte " + std::to_string(pos_ - 8));
    }
    bounds.push_back(b);
    // The elements must fit in what is left before anything is allocated for them.
    if (b.count != 0 && total > remaining() / minimum / b.count) {
      throw RecordFormatError(
          RecordFormatError::kPastEnd,
          "an array's elements run past the end of the data at byte " + std::to_string(pos_));
    }
    total *= b.count;
  }
  if (total * minimum > remaining()) {
    throw RecordFormatError(
        RecordFormatError::kPastEnd,
        "an array's elements run past the end of the data at byte " + std::to_string(pos_));
  }
  elements_ += total;
  if (elements_ > kMaxElements) {
    throw RecordFormatError(RecordFormatError::kBadValue,
                            "an array of " + std::to_string(total) + " elements at byte " +
                                std::to_string(pos_) + ": a value holds at most " +
                                std::to_string(kMaxElements));
  }
  fileElements_ += total;
  if (fileElements_ > kMaxFileElements) {
    throw RecordFormatError(RecordFormatError::kBadValue,
                            "an array of " + std::to_string(total) + " elements at byte " +
                                std::to_string(pos_) + ": the values of one file hold at most " +
                                std::to_string(kMaxFileElements) + " elements together");
  }
  std::vector<Variant> items;
  if (keep_) items.reserve(static_cast<std::size_t>(total));
  for (qsizetype i = 0; i < total; ++i) {
    Variant item =
        elementType == Variant::kVariant ? getVariantAt(depth + 1) : getScalarValue(elementType);
    if (keep_) items.push_back(std::move(item));
  }
  if (!keep_) return {};
  return Variant::array(elementType, std::move(bounds), std::move(items));
}

void RecordReader::skipCell() {
  keep_ = false;
  struct Restore {
    bool& keep;
    ~Restore() { keep = true; }
  } restore{keep_};
  (void)getCell();
}

CellType RecordReader::getCell() {
  CellType cell;
  cell.name = inField("name", [&] { return getText(); });
  cell.P1 = inField("P1", [&] { return getVariant(); });
  cell.P2 = inField("P2", [&] { return getVariant(); });
  cell.T = inField("T", [&] { return getInt16(); });
  cell.s = inField("s", [&] { return getText(); });
  return cell;
}

TextType RecordReader::getTextRecord() {
  TextType text;
  text.XL = inField("XL", [&] { return getDouble(); });
  text.XR = inField("XR", [&] { return getDouble(); });
  text.H = inField("H", [&] { return getDouble(); });
  text.Y = inField("Y", [&] { return getDouble(); });
  text.s = inField("s", [&] { return getText(); });
  return text;
}

}  // namespace tarvik
