#include "model/system_variables.h"

#include <cmath>
#include <optional>

#include "cadhost/host_error.h"
#include "model/document_core.h"
#include "model/geometry_cache.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost::detail {

using model::Tag;

namespace {

[[noreturn]] void refuse(std::string_view name, std::string_view why) {
  throw HostError(HostError::Refused,
                  "system variable " + std::string(name) + ": " + std::string(why));
}

std::string headerText(const DocumentCore& doc, const char* var, int code, const char* fallback) {
  if (const model::HeaderVar* v = doc.header(var))
    if (const Tag* t = model::findTag(v->tags, code)) return t->value;
  return fallback;
}

double headerDouble(const DocumentCore& doc, const char* var, int code, double fallback) {
  if (const model::HeaderVar* v = doc.header(var)) return model::tagDouble(v->tags, code, fallback);
  return fallback;
}

// A 0 / 1 header variable; anything but 0 counts as 1, a missing one too.
std::int32_t headerFlag(const DocumentCore& doc, const char* var, int code) {
  return headerDouble(doc, var, code, 1) == 0 ? 0 : 1;
}

Point3 headerPoint(const DocumentCore& doc, const char* var) {
  Point3 p;
  if (const model::HeaderVar* v = doc.header(var)) {
    p.x = model::tagDouble(v->tags, 10);
    p.y = model::tagDouble(v->tags, 20);
    p.z = model::tagDouble(v->tags, 30);
  }
  return p;
}

std::string textValue(std::string_view name, const Value& value) {
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  refuse(name, "a text value is required");
}

double numberValue(std::string_view name, const Value& value) {
  if (const auto* d = std::get_if<double>(&value)) {
    if (std::isfinite(*d)) return *d;
  } else if (const auto* i = std::get_if<std::int32_t>(&value)) {
    return *i;
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    if (auto v = model::parseDouble(*s); v && std::isfinite(*v)) return *v;
  }
  refuse(name, "a number is required");
}

// The 62 value of a colour text: "BYLAYER" 256, "BYBLOCK" 0, "1" ... "255".
std::optional<int> colorNumber(const Value& value) {
  if (const auto* i = std::get_if<std::int32_t>(&value)) {
    if (*i >= 0 && *i <= 256) return *i;
    return std::nullopt;
  }
  const auto* s = std::get_if<std::string>(&value);
  if (!s) return std::nullopt;
  if (equalsNoCase(*s, "BYLAYER")) return 256;
  if (equalsNoCase(*s, "BYBLOCK")) return 0;
  if (s->empty() || s->size() > 3 || s->find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  int n = std::stoi(*s);
  if (n < 1 || n > 255) return std::nullopt;
  return n;
}

std::string colorText(int n) {
  if (n == 256) return "BYLAYER";
  if (n == 0) return "BYBLOCK";
  return std::to_string(n);
}

// The canonical spelling of a table entry's name, or nullopt when missing.
std::optional<std::string> entryName(const DocumentCore& doc, const char* table,
                                     std::string_view name) {
  const model::Object* e = doc.tableEntry(table, name);
  if (!e) return std::nullopt;
  return model::findTag(e->tags, 2)->value;
}

int userIndex(std::string_view upper) {
  if (upper.size() == 6 && upper.substr(0, 5) == "USERS" && upper[5] >= '1' && upper[5] <= '5')
    return upper[5] - '1';
  return -1;
}

}  // namespace

void modelExtents(DocumentCore& doc, Point3& min, Point3& max) {
  geom::Box box = doc.geometry().visibleExtents();
  if (box.isEmpty()) {
    min = Point3{1e20, 1e20, 1e20};
    max = Point3{-1e20, -1e20, -1e20};
  } else {
    min = box.min;
    max = box.max;
  }
}

Value getSystemVariable(DocumentCore& doc, std::string_view name) {
  const std::string n = toUpper(name);
  if (n == "EXTMIN" || n == "EXTMAX") {
    Point3 mn, mx;
    modelExtents(doc, mn, mx);
    return n == "EXTMIN" ? mn : mx;
  }
  if (n == "TEXTSIZE") return headerDouble(doc, "$TEXTSIZE", 40, 2.5);
  if (n == "PLINEWID") return headerDouble(doc, "$PLINEWID", 40, 0.0);
  if (n == "CLAYER") return headerText(doc, "$CLAYER", 8, "0");
  if (n == "TEXTSTYLE") return headerText(doc, "$TEXTSTYLE", 7, "Standard");
  if (n == "CELTYPE") return headerText(doc, "$CELTYPE", 6, "ByLayer");
  if (n == "CECOLOR") {
    auto v = model::parseDouble(headerText(doc, "$CECOLOR", 62, "256"));
    return colorText(v && *v >= 0 && *v <= 256 ? static_cast<int>(*v) : 256);
  }
  if (int u = userIndex(n); u >= 0) return doc.userVars[u];
  if (n == "PSTYLEMODE") return headerFlag(doc, "$PSTYLEMODE", 290);
  if (n == "TILEMODE") return headerFlag(doc, "$TILEMODE", 70);
  if (n == "BACKGROUNDPLOT") return static_cast<std::int32_t>(doc.backgroundPlot);
  if (n == "UCSNAME") return doc.currentUcs;
  if (n == "ACADVER") return doc.dwg.version;
  if (n == "INSBASE") return headerPoint(doc, "$INSBASE");
  if (n == "DWGNAME") return doc.path.empty() ? doc.untitledName : fileNameOf(doc.path);
  throw HostError(HostError::NotFound, "unknown system variable " + std::string(name));
}

void setSystemVariable(DocumentCore& doc, std::string_view name, const Value& value) {
  const std::string n = toUpper(name);
  if (n == "TEXTSIZE" || n == "PLINEWID") {
    double v = numberValue(name, value);
    if (v < 0 || (n == "TEXTSIZE" && v == 0)) refuse(name, "the value is out of range");
    doc.setHeader("$" + n, {Tag{40, model::formatDouble(v)}});
  } else if (n == "CLAYER") {
    auto layer = entryName(doc, "LAYER", textValue(name, value));
    if (!layer) refuse(name, "there is no layer \"" + textValue(name, value) + "\"");
    doc.setHeader("$CLAYER", {Tag{8, *layer}});
  } else if (n == "TEXTSTYLE") {
    auto style = entryName(doc, "STYLE", textValue(name, value));
    if (!style) refuse(name, "there is no text style \"" + textValue(name, value) + "\"");
    doc.setHeader("$TEXTSTYLE", {Tag{7, *style}});
  } else if (n == "CECOLOR") {
    auto color = colorNumber(value);
    if (!color) refuse(name, "the value is not a colour");
    doc.setHeader("$CECOLOR", {Tag{62, std::to_string(*color)}});
  } else if (n == "CELTYPE") {
    const std::string lt = textValue(name, value);
    std::string canonical;
    if (equalsNoCase(lt, "BYLAYER")) {
      canonical = "ByLayer";
    } else if (equalsNoCase(lt, "BYBLOCK")) {
      canonical = "ByBlock";
    } else if (auto entry = entryName(doc, "LTYPE", lt)) {
      canonical = *entry;
    } else if (equalsNoCase(lt, "Continuous")) {
      // "Continuous" always exists: a drawing that lacks its entry gets one.
      doc.beforeTableChange("LTYPE");
      model::Tags tags;
      if (doc.hasSubclassMarkers()) tags.push_back(Tag{100, "AcDbLinetypeTableRecord"});
      tags.insert(tags.end(), {Tag{2, "Continuous"}, Tag{70, "0"}, Tag{3, "Solid line"},
                               Tag{72, "65"}, Tag{73, "0"}, Tag{40, "0.0"}});
      doc.addTableEntry("LTYPE", std::move(tags));
      canonical = "Continuous";
    } else {
      refuse(name, "there is no line type \"" + lt + "\"");
    }
    doc.setHeader("$CELTYPE", {Tag{6, canonical}});
  } else if (int u = userIndex(n); u >= 0) {
    std::string text = textValue(name, value);
    doc.undo.record([&doc, u, old = doc.userVars[u]] { doc.userVars[u] = old; });
    doc.userVars[u] = std::move(text);
  } else if (n == "BACKGROUNDPLOT") {
    const double number = numberValue(name, value);
    if (number < 0 || number > 3) refuse(name, "the value is out of range");
    const int v = static_cast<int>(number);
    doc.undo.record([&doc, old = doc.backgroundPlot] { doc.backgroundPlot = old; });
    doc.backgroundPlot = v;
  } else if (n == "EXTMIN" || n == "EXTMAX" || n == "PSTYLEMODE" || n == "TILEMODE" ||
             n == "UCSNAME" || n == "ACADVER" || n == "INSBASE" || n == "DWGNAME") {
    refuse(name, "the variable is read-only");
  } else {
    throw HostError(HostError::NotFound, "unknown system variable " + std::string(name));
  }
}

}  // namespace cadhost::detail
