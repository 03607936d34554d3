#pragma once

// The layer table.

#include <string>
#include <string_view>

#include "cadhost/fwd.h"

namespace cadhost {

class Layer {
 public:
  Layer() = default;

  std::string name() const;
  bool freeze() const;
  void setFreeze(bool frozen);
  bool layerOn() const;
  void setLayerOn(bool on);
  bool lock() const;
  void setLock(bool locked);
  int color() const;  // ACI 1..255
  void setColor(int aci);

 private:
  friend class detail::DocumentCore;
  Layer(std::weak_ptr<detail::DocumentCore> doc, std::string name)
      : doc_(std::move(doc)), name_(std::move(name)) {}

  std::weak_ptr<detail::DocumentCore> doc_;
  std::string name_;
};

class Layers {
 public:
  Layers() = default;

  int count() const;
  Layer item(int i) const;
  Layer item(std::string_view name) const;  // HostError(NotFound) when missing
  Layer add(std::string_view name);         // the existing layer when the name exists

 private:
  friend class detail::DocumentCore;
  explicit Layers(std::weak_ptr<detail::DocumentCore> doc) : doc_(std::move(doc)) {}

  std::weak_ptr<detail::DocumentCore> doc_;
};

}  // namespace cadhost
