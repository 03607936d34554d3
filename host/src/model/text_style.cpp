#include "cadhost/text_style.h"

#include <cmath>
#include <filesystem>

#include "model/document_core.h"
#include "model/tag_edit.h"
#include "model/tags.h"
#include "model/text_util.h"

namespace cadhost {

using detail::DocumentCore;
using model::Object;
using model::Tag;
using model::Tags;

namespace {

// Big fonts every installation of the host knows; more come from the configured font folder.
constexpr const char* kKnownBigFonts[] = {"gbcbig.shx",   "hztxt.shx",   "bigfont.shx",
                                          "chineset.shx", "extfont.shx", "extfont2.shx",
                                          "gbhzfs.shx",   "hzfs.shx",    "hztxto.shx"};

bool knownBigFont(const DocumentCore& doc, const std::string& file) {
  for (const char* known : kKnownBigFonts)
    if (detail::equalsNoCase(file, known)) return true;
  auto app = doc.app.lock();
  if (!app || app->config.fontFolder.empty()) return false;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(app->config.fontFolder, ec))
    if (entry.is_regular_file(ec) && detail::equalsNoCase(entry.path().filename().string(), file))
      return true;
  return false;
}

struct StyleEntry {
  std::shared_ptr<DocumentCore> doc;
  Object* entry;
};

StyleEntry entryOf(const std::weak_ptr<DocumentCore>& doc, const std::string& name) {
  auto core = DocumentCore::lock(doc);
  return {core, &core->checkedEntry("STYLE", name)};
}

// For changing: the entry is journalled first.
Object& changing(const StyleEntry& s, const std::string& name) {
  return s.doc->beforeEntryChange("STYLE", name);
}

std::string text(const Object& e, int code) {
  const Tag* t = model::findTag(e.tags, code);
  return t ? t->value.str() : std::string();
}

// The font description is kept where the drawing format keeps it: in the style's "ACAD" xdata,
// a typeface (1000) and packed flags (1071: pitch and family in bits 0-7, character set in bits
// 8-15, italic bit 24, bold bit 25).
constexpr long long kItalic = 1LL << 24, kBold = 1LL << 25;

std::size_t acadXdata(const Tags& tags) {
  for (std::size_t i = 0; i < tags.size(); ++i)
    if (tags[i].code == 1001 && tags[i].value == "ACAD") return i;
  return tags.size();
}

}  // namespace

std::string TextStyle::name() const {
  return text(*entryOf(doc_, name_).entry, 2);
}

std::string TextStyle::fontFile() const {
  return text(*entryOf(doc_, name_).entry, 3);
}

void TextStyle::setFontFile(std::string_view file) {
  StyleEntry s = entryOf(doc_, name_);
  detail::setOrInsert(changing(s, name_).tags, 3, std::string(file), {42, 71, 50, 41, 40, 70});
}

std::string TextStyle::bigFontFile() const {
  return text(*entryOf(doc_, name_).entry, 4);
}

void TextStyle::setBigFontFile(std::string_view file) {
  StyleEntry s = entryOf(doc_, name_);
  std::string f(file);
  if (!f.empty()) {
    std::string check = f;
    if (detail::baseNameOf(check) == detail::fileNameOf(check)) check += ".shx";
    if (!knownBigFont(*s.doc, detail::fileNameOf(check)))
      throw HostError(HostError::Refused, "the big font \"" + f + "\" is not available");
  }
  detail::setOrInsert(changing(s, name_).tags, 4, f, {3, 42, 71});
}

double TextStyle::width() const {
  return model::tagDouble(entryOf(doc_, name_).entry->tags, 41, 1.0);
}

void TextStyle::setWidth(double factor) {
  if (!std::isfinite(factor) || factor < 0.01 || factor > 100)
    throw HostError(HostError::Refused, "the width factor must lie between 0.01 and 100");
  StyleEntry s = entryOf(doc_, name_);
  detail::setOrInsert(changing(s, name_).tags, 41, detail::formatNumber(factor), {40, 70});
}

FontDesc TextStyle::getFont() const {
  const Tags& tags = entryOf(doc_, name_).entry->tags;
  FontDesc f;
  std::size_t x = acadXdata(tags);
  for (std::size_t i = x + 1; i < tags.size() && tags[i].code != 1001; ++i) {
    if (tags[i].code == 1000 && f.typeface.empty()) f.typeface = tags[i].value;
    if (tags[i].code == 1071) {
      long long v = model::parseDouble(tags[i].value).value_or(0);
      f.pitchAndFamily = static_cast<int>(v & 0xFF);
      f.charset = static_cast<int>((v >> 8) & 0xFF);
      f.italic = (v & kItalic) != 0;
      f.bold = (v & kBold) != 0;
    }
  }
  return f;
}

void TextStyle::setFont(const FontDesc& font) {
  StyleEntry s = entryOf(doc_, name_);
  // Xdata names a registered application: "ACAD" must be in the APPID table.
  if (!font.typeface.empty() && !s.doc->tableEntry("APPID", "ACAD")) {
    Tags tags;
    if (s.doc->hasSubclassMarkers()) tags.push_back(Tag{100, "AcDbRegAppTableRecord"});
    tags.insert(tags.end(), {Tag{2, "ACAD"}, Tag{70, "0"}});
    s.doc->appendTableEntry("APPID", std::move(tags));
  }
  Object& e = changing(s, name_);
  std::size_t x = acadXdata(e.tags);
  std::size_t end = x;
  if (x < e.tags.size())
    for (end = x + 1; end < e.tags.size() && e.tags[end].code != 1001;) ++end;
  e.tags.erase(e.tags.begin() + static_cast<std::ptrdiff_t>(x),
               e.tags.begin() + static_cast<std::ptrdiff_t>(end));
  if (!font.typeface.empty()) {
    long long flags = (font.pitchAndFamily & 0xFF) | ((font.charset & 0xFF) << 8) |
                      (font.italic ? kItalic : 0) | (font.bold ? kBold : 0);
    Tags xdata = {Tag{1001, "ACAD"}, Tag{1000, font.typeface}, Tag{1071, std::to_string(flags)}};
    e.tags.insert(e.tags.begin() + static_cast<std::ptrdiff_t>(x), xdata.begin(), xdata.end());
    // A TrueType typeface replaces a shape font; TrueType styles have no big font.
    std::string file = text(e, 3);
    if (detail::toUpper(file).find(".TTF") == std::string::npos) {
      detail::setOrInsert(e.tags, 3, font.typeface + ".ttf", {42, 71, 50, 41, 40, 70});
      detail::setOrInsert(e.tags, 4, "", {3});
    }
  }
}

// ---- TextStyles

int TextStyles::count() const {
  return DocumentCore::lock(doc_)->tableCount("STYLE");
}

TextStyle TextStyles::item(int i) const {
  auto c = DocumentCore::lock(doc_);
  return c->styleProxy(c->tableEntryName("STYLE", i, "text style"));
}

TextStyle TextStyles::item(std::string_view name) const {
  auto c = DocumentCore::lock(doc_);
  return c->styleProxy(text(c->checkedEntry("STYLE", name), 2));
}

TextStyle TextStyles::add(std::string_view name) {
  auto c = DocumentCore::lock(doc_);
  if (const Object* e = c->tableEntry("STYLE", name)) return c->styleProxy(text(*e, 2));
  if (name.empty() || name.find_first_of("<>/\\\":;?*|,=`") != std::string_view::npos)
    throw HostError(HostError::Refused, "\"" + std::string(name) + "\" is not a style name");
  Tags tags;
  if (c->hasSubclassMarkers()) tags.push_back(Tag{100, "AcDbTextStyleTableRecord"});
  tags.insert(tags.end(),
              {Tag{2, std::string(name)}, Tag{70, "0"}, Tag{40, "0.0"}, Tag{41, "1.0"},
               Tag{50, "0.0"}, Tag{71, "0"}, Tag{42, "2.5"}, Tag{3, "txt"}, Tag{4, ""}});
  c->appendTableEntry("STYLE", std::move(tags));
  return c->styleProxy(std::string(name));
}

}  // namespace cadhost
