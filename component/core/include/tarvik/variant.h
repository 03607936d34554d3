#pragma once

// Variant: a value of the untyped kind that cell records carry in their corner fields. It is
// Empty, Null, a number of one of the runtime's numeric types, a text, or an array (of one or
// more dimensions) of numbers, texts or Variants. The type word is the one the template files
// store, so a value read from a file is written back unchanged.

#include <QSharedData>
#include <QSharedDataPointer>
#include <QString>
#include <cstdint>
#include <vector>

#include "tarvik/records.h"

namespace tarvik {

// Error number of a value that is not of the kind an operation needs.
inline constexpr long kTypeMismatchError = 13;

class Variant {
 public:
  // Type words. An array is kArray | element type (kArray | kDouble for a point).
  enum Type : std::uint16_t {
    kEmpty = 0,
    kNull = 1,
    kInteger = 2,   // 16-bit
    kLong = 3,      // 32-bit
    kSingle = 4,    // 32-bit float
    kDouble = 5,    // 64-bit float
    kCurrency = 6,  // 64-bit integer, ten-thousandths
    kDate = 7,      // 64-bit float, days
    kString = 8,
    kError = 10,    // 32-bit code
    kBoolean = 11,  // 16-bit, -1 true
    kVariant = 12,  // only as an array's element type
    kByte = 17,
    kArray = 0x2000,
  };

  // One dimension of an array: its element count and lower bound.
  struct Bound {
    std::int32_t count = 0;
    std::int32_t lower = 0;
    bool operator==(const Bound&) const = default;
  };

  Variant() = default;  // Empty

  static Variant null();
  static Variant fromDouble(double value);
  static Variant fromInteger(std::int16_t value);
  static Variant fromLong(std::int32_t value);
  static Variant fromBool(bool value);
  static Variant fromString(const QString& value);
  // A scalar of the numeric type `type` holding `value` (converted as the type stores it;
  // Currency from its raw ten-thousandths). sheetcut::Error for a type that is not numeric.
  static Variant scalar(Type type, double value);
  static Variant fromCurrencyRaw(std::int64_t raw);
  // A point: a one-dimensional array of doubles, lower bound 0.
  static Variant point(double x, double y, double z);
  static Variant point(const Point3d& p) { return point(p[0], p[1], p[2]); }
  static Variant doubles(const std::vector<double>& values, std::int32_t lower = 0);
  // A one-dimensional array of Variants.
  static Variant variants(std::vector<Variant> values, std::int32_t lower = 0);
  // An array of `elementType` with the given dimensions; `items` holds every element in file
  // order (their product in number), each of `elementType` unless that is kVariant.
  // sheetcut::Error when the shape or an element does not fit.
  static Variant array(Type elementType, std::vector<Bound> bounds, std::vector<Variant> items);

  Type type() const { return type_; }
  bool isEmpty() const { return type_ == kEmpty; }
  bool isArray() const { return (type_ & kArray) != 0; }
  bool isNumeric() const;
  Type elementType() const { return static_cast<Type>(type_ & ~kArray); }
  const std::vector<Bound>& bounds() const;
  const std::vector<Variant>& items() const;

  // The value of a numeric scalar (Currency in units, Boolean -1 or 0). sheetcut::Error
  // (type mismatch) for anything else.
  double toDouble() const;
  // The raw stored integer of Integer, Long, Error, Boolean, Byte and Currency scalars.
  std::int64_t rawInteger() const;
  // The text of a String; "" for Empty. sheetcut::Error (type mismatch) for anything else.
  QString toString() const;

  // Element `index` of a one-dimensional array, counted from its lower bound, as a number:
  // P1(0), P1(1) of a point. sheetcut::Error: type mismatch when this is not an array or the
  // element is not a number, subscript out of range outside the bounds.
  double coordinate(std::int64_t index) const;
  // Stores `value` into element `index`, converted to the array's element type (a Double for
  // an array of Variants). Same errors as coordinate(), overflow for an integer type.
  void setCoordinate(std::int64_t index, double value);
  // x, y and z (0 when the array has two elements). Same errors as coordinate().
  Point3d toPoint() const;

  bool operator==(const Variant& other) const;

 private:
  std::size_t elementPosition(std::int64_t index) const;

  // What only texts and arrays have, kept out of line so that a number or an empty value takes
  // 24 bytes: a cell file holds millions of them at most a few bytes each. Copies share it
  // until one of them is changed.
  struct Extra : QSharedData {
    QString text;
    std::vector<Bound> bounds;
    std::vector<Variant> items;
  };

  Type type_ = kEmpty;
  union {
    std::int64_t integer_ = 0;  // integer-like scalars
    double real_;               // Single, Double, Date
  };
  QSharedDataPointer<Extra> extra_;  // null unless a String or an array
};

}  // namespace tarvik
