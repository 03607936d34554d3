// The Variant of cell records: construction, shape checks and numeric access.

#include "tarvik/variant.h"

#include <sheetcut/error.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace tarvik {

namespace {

[[noreturn]] void typeMismatch(const std::string& what) {
  throw sheetcut::Error(kTypeMismatchError, "Type mismatch: " + what, "Variant");
}

bool isIntegerType(Variant::Type t) {
  return t == Variant::kInteger || t == Variant::kLong || t == Variant::kError ||
         t == Variant::kBoolean || t == Variant::kByte || t == Variant::kCurrency;
}

bool isRealType(Variant::Type t) {
  return t == Variant::kSingle || t == Variant::kDouble || t == Variant::kDate;
}

// The value an integer type stores for `value`: rounded half to even, as the runtime converts,
// with its range checked.
std::int64_t toIntegerOf(Variant::Type t, double value) {
  double lo = 0, hi = 0;
  switch (t) {
    case Variant::kInteger:
    case Variant::kBoolean:
      lo = std::numeric_limits<std::int16_t>::min();
      hi = std::numeric_limits<std::int16_t>::max();
      break;
    case Variant::kLong:
    case Variant::kError:
      lo = std::numeric_limits<std::int32_t>::min();
      hi = std::numeric_limits<std::int32_t>::max();
      break;
    case Variant::kByte:
      hi = 255;
      break;
    default:  // Currency: ten-thousandths in 64 bits
      lo = -9.2e14;
      hi = 9.2e14;
      value *= 10000;
      break;
  }
  const double r = std::nearbyint(value);
  if (!(r >= lo && r <= hi)) {
    throw sheetcut::Error(sheetcut::errnum::kOverflow, "Overflow: " + std::to_string(value),
                          "Variant");
  }
  return static_cast<std::int64_t>(r);
}

}  // namespace

Variant Variant::null() {
  Variant v;
  v.type_ = kNull;
  return v;
}

Variant Variant::fromDouble(double value) {
  return scalar(kDouble, value);
}

Variant Variant::fromInteger(std::int16_t value) {
  return scalar(kInteger, value);
}

Variant Variant::fromLong(std::int32_t value) {
  return scalar(kLong, value);
}

Variant Variant::fromBool(bool value) {
  return scalar(kBoolean, value ? -1 : 0);
}

Variant Variant::fromString(const QString& value) {
  Variant v;
  v.type_ = kString;
  v.extra_ = new Extra;
  v.extra_->text = value;
  return v;
}

Variant Variant::fromCurrencyRaw(std::int64_t raw) {
  Variant v;
  v.type_ = kCurrency;
  v.integer_ = raw;
  return v;
}

Variant Variant::scalar(Type type, double value) {
  Variant v;
  v.type_ = type;
  if (isRealType(type)) {
    v.real_ = type == kSingle ? static_cast<double>(static_cast<float>(value)) : value;
  } else if (isIntegerType(type)) {
    v.integer_ = toIntegerOf(type, value);
  } else {
    typeMismatch("type " + std::to_string(type) + " is not a number type");
  }
  return v;
}

Variant Variant::point(double x, double y, double z) {
  return doubles({x, y, z});
}

Variant Variant::doubles(const std::vector<double>& values, std::int32_t lower) {
  std::vector<Variant> items;
  items.reserve(values.size());
  for (double d : values) items.push_back(fromDouble(d));
  return array(kDouble, {Bound{static_cast<std::int32_t>(values.size()), lower}}, std::move(items));
}

Variant Variant::variants(std::vector<Variant> values, std::int32_t lower) {
  const auto n = static_cast<std::int32_t>(values.size());
  return array(kVariant, {Bound{n, lower}}, std::move(values));
}

Variant Variant::array(Type elementType, std::vector<Bound> bounds, std::vector<Variant> items) {
  const bool typed = isRealType(elementType) || isIntegerType(elementType) ||
                     elementType == kString || elementType == kVariant;
  if (!typed) typeMismatch("no array of element type " + std::to_string(elementType));
  if (bounds.empty()) typeMismatch("an array needs at least one dimension");
  std::size_t total = 1;
  for (const Bound& b : bounds) {
    if (b.count < 0) typeMismatch("negative element count");
    total *= static_cast<std::size_t>(b.count);
  }
  if (total != items.size()) typeMismatch("element count does not match the dimensions");
  if (elementType != kVariant) {
    for (const Variant& item : items) {
      if (item.type_ != elementType) typeMismatch("element of another type");
    }
  }
  Variant v;
  v.type_ = static_cast<Type>(kArray | elementType);
  v.extra_ = new Extra;
  v.extra_->bounds = std::move(bounds);
  v.extra_->items = std::move(items);
  return v;
}

const std::vector<Variant::Bound>& Variant::bounds() const {
  static const std::vector<Bound> none;
  return isArray() ? extra_->bounds : none;
}

const std::vector<Variant>& Variant::items() const {
  static const std::vector<Variant> none;
  return isArray() ? extra_->items : none;
}

std::int64_t Variant::rawInteger() const {
  return isIntegerType(type_) ? integer_ : 0;
}

bool Variant::isNumeric() const {
  return isRealType(type_) || isIntegerType(type_);
}

double Variant::toDouble() const {
  if (isRealType(type_)) return real_;
  if (type_ == kCurrency) return static_cast<double>(integer_) / 10000.0;
  if (isIntegerType(type_)) return static_cast<double>(integer_);
  typeMismatch("type " + std::to_string(type_) + " is not a number");
}

QString Variant::toString() const {
  if (type_ == kString) return extra_->text;
  if (type_ == kEmpty) return {};
  typeMismatch("type " + std::to_string(type_) + " is not a text");
}

std::size_t Variant::elementPosition(std::int64_t index) const {
  if (!isArray() || bounds().size() != 1) typeMismatch("not a one-dimensional array");
  const Bound& b = bounds().front();
  const std::int64_t offset = index - b.lower;
  if (offset < 0 || offset >= b.count) {
    throw sheetcut::Error(sheetcut::errnum::kSubscriptOutOfRange,
                          "Subscript out of range: " + std::to_string(index), "Variant");
  }
  return static_cast<std::size_t>(offset);
}

double Variant::coordinate(std::int64_t index) const {
  return items()[elementPosition(index)].toDouble();
}

void Variant::setCoordinate(std::int64_t index, double value) {
  const std::size_t position = elementPosition(index);
  Variant& item = extra_->items[position];  // a shared array is copied first
  item = elementType() == kVariant ? fromDouble(value) : scalar(elementType(), value);
}

Point3d Variant::toPoint() const {
  const std::vector<Bound>& b = bounds();
  const std::int64_t lower = b.size() == 1 ? b.front().lower : 0;
  const bool hasZ = b.size() == 1 && b.front().count > 2;
  return {coordinate(lower), coordinate(lower + 1), hasZ ? coordinate(lower + 2) : 0.0};
}

bool Variant::operator==(const Variant& other) const {
  if (type_ != other.type_) return false;
  if (isArray()) return bounds() == other.bounds() && items() == other.items();
  if (type_ == kString) return extra_->text == other.extra_->text;
  if (isRealType(type_)) {
    // Bit-exact, so that a value read from a file compares equal to itself (NaN included).
    return std::memcmp(&real_, &other.real_, sizeof real_) == 0;
  }
  return integer_ == other.integer_;
}

}  // namespace tarvik
