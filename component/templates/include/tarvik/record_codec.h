#pragma once

// The binary record form of the template files: fields back to back in declaration order,
// little-endian, no padding. A text is a 16-bit byte count and that many bytes in the ANSI code
// page (sheetcut::ansiCodePage, CP936 unless set otherwise). A Variant is its 16-bit type word
// and its value; an array Variant carries, after the type word, the number of dimensions
// (16 bits), per dimension the element count and lower bound (32 bits each), then the
// elements: bare values for a typed array, Variants for an array of Variants.

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "tarvik/cell_records.h"
#include "tarvik/records.h"

namespace tarvik {

// The bytes do not hold the record being read, or a value cannot be written in the form.
class RecordFormatError : public std::runtime_error {
 public:
  // Runtime error numbers: input past the end of the data, or a value of the wrong kind.
  static constexpr long kPastEnd = 62;
  static constexpr long kBadValue = kTypeMismatchError;

  RecordFormatError(long number, const std::string& what)
      : std::runtime_error(what), number_(number) {}
  long number() const { return number_; }

 private:
  long number_;
};

class RecordWriter {
 public:
  void putInt16(std::int16_t v);
  void putUInt16(std::uint16_t v);
  void putInt32(std::int32_t v);
  void putDouble(double v);
  // RecordFormatError when the text takes more than 65535 bytes in the code page.
  void putText(const QString& s);
  void putVariant(const Variant& v);
  void putCell(const CellType& cell);
  void putTextRecord(const TextType& text);

  const QByteArray& data() const { return out_; }

 private:
  void putRaw(const void* bytes, std::size_t n);
  void putScalarValue(const Variant& v);

  QByteArray out_;
};

// Reads from a byte buffer it does not own; every read checks the bytes left and throws
// RecordFormatError instead of reading past the end.
class RecordReader {
 public:
  explicit RecordReader(QByteArrayView data) : data_(data) {}

  bool atEnd() const { return pos_ >= data_.size(); }
  qsizetype position() const { return pos_; }
  qsizetype remaining() const { return data_.size() - pos_; }

  std::int16_t getInt16();
  std::uint16_t getUInt16();
  std::int32_t getInt32();
  double getDouble();
  QString getText();
  Variant getVariant();
  CellType getCell();
  // Reads past one cell record, checking it as getCell does but keeping nothing.
  void skipCell();
  TextType getTextRecord();

 private:
  const char* take(qsizetype n, const char* what);
  Variant getVariantAt(int depth);
  Variant getScalarValue(Variant::Type type);
  Variant getArray(Variant::Type elementType, int depth);

  QByteArrayView data_;
  qsizetype pos_ = 0;
  qsizetype elements_ = 0;      // array elements of the value being read
  qsizetype fileElements_ = 0;  // array elements of every value read so far
  bool keep_ = true;            // false while skipping: values are checked, not built
};

}  // namespace tarvik
