#pragma once

// The text style table.

#include <string>
#include <string_view>

#include "cadhost/fwd.h"

namespace cadhost {

struct FontDesc {
  std::string typeface;
  bool bold = false;
  bool italic = false;
  int charset = 0;
  int pitchAndFamily = 0;
};

class TextStyle {
 public:
  TextStyle() = default;

  std::string name() const;
  std::string fontFile() const;
  void setFontFile(std::string_view file);
  std::string bigFontFile() const;  // "" when none
  // HostError(Refused) when the file is not a big font the host knows.
  void setBigFontFile(std::string_view file);
  double width() const;
  void setWidth(double factor);
  FontDesc getFont() const;
  void setFont(const FontDesc& font);

 private:
  friend class detail::DocumentCore;
  TextStyle(std::weak_ptr<detail::DocumentCore> doc, std::string name)
      : doc_(std::move(doc)), name_(std::move(name)) {}

  std::weak_ptr<detail::DocumentCore> doc_;
  std::string name_;
};

class TextStyles {
 public:
  TextStyles() = default;

  int count() const;
  TextStyle item(int i) const;
  TextStyle item(std::string_view name) const;  // HostError(NotFound) when missing
  TextStyle add(std::string_view name);         // the existing style when the name exists

 private:
  friend class detail::DocumentCore;
  explicit TextStyles(std::weak_ptr<detail::DocumentCore> doc) : doc_(std::move(doc)) {}

  std::weak_ptr<detail::DocumentCore> doc_;
};

}  // namespace cadhost
