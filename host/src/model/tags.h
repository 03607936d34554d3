#pragma once

// Typed reading and patching of single tags of a model::Object.

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "model/drawing.h"

namespace cadhost::model {

// The entity or object type: the value of a leading (0, TYPE) tag, or "".
inline std::string_view typeOf(const Object& o) {
  return !o.tags.empty() && o.tags.front().code == 0 ? std::string_view(o.tags.front().value)
                                                     : std::string_view();
}

// The nth (0-based) tag with this code, or nullptr.
inline const Tag* findTag(const Tags& tags, int code, int nth = 0) {
  for (const Tag& t : tags)
    if (t.code == code && nth-- == 0) return &t;
  return nullptr;
}
inline Tag* findTag(Tags& tags, int code, int nth = 0) {
  for (Tag& t : tags)
    if (t.code == code && nth-- == 0) return &t;
  return nullptr;
}

// The handle (group 5, or 105 for DIMSTYLE entries), or "".
inline std::string_view handleOf(const Object& o) {
  if (const Tag* t = findTag(o.tags, 5)) return t->value;
  if (const Tag* t = findTag(o.tags, 105)) return t->value;
  return {};
}

// Parses a DXF number text (leading and trailing blanks allowed). nullopt when it is not one.
inline std::optional<double> parseDouble(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

inline double tagDouble(const Tags& tags, int code, double fallback = 0.0, int nth = 0) {
  const Tag* t = findTag(tags, code, nth);
  if (!t) return fallback;
  return parseDouble(t->value).value_or(fallback);
}

inline long long tagInt(const Tags& tags, int code, long long fallback = 0, int nth = 0) {
  const Tag* t = findTag(tags, code, nth);
  if (!t) return fallback;
  auto v = parseDouble(t->value);
  // A value no integer can hold (huge, infinite, not a number) counts as missing.
  if (!v || !(std::fabs(*v) < 9.0e18)) return fallback;
  return static_cast<long long>(*v);
}

// Shortest text that reads back as the same double ("C" locale).
inline std::string formatDouble(double v) {
  char buf[64];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
  if (ec != std::errc()) return "0";
  std::string s(buf, p);
  // DXF readers expect a decimal number; keep integers recognisable as reals.
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

// Sets the nth tag with this code, or appends the tag when there is none.
inline void setTag(Tags& tags, int code, std::string value, int nth = 0) {
  if (Tag* t = findTag(tags, code, nth)) {
    t->value = std::move(value);
  } else {
    tags.push_back(Tag{static_cast<std::int16_t>(code), std::move(value)});
  }
}

// The header variable of this name ("$HANDSEED"), or nullptr.
inline const HeaderVar* findHeaderVar(const Drawing& d, std::string_view name) {
  for (const HeaderVar& v : d.header)
    if (v.name == name) return &v;
  return nullptr;
}
inline HeaderVar* findHeaderVar(Drawing& d, std::string_view name) {
  for (HeaderVar& v : d.header)
    if (v.name == name) return &v;
  return nullptr;
}

}  // namespace cadhost::model
