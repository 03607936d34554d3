#pragma once

// Points a pointer at a value while the scope lives, and back at what it pointed to before.

namespace tarvik {

template <class T>
class PointerScope {
 public:
  PointerScope(T*& slot, T* value) : slot_(slot), previous_(slot) { slot_ = value; }
  ~PointerScope() { slot_ = previous_; }
  PointerScope(const PointerScope&) = delete;
  PointerScope& operator=(const PointerScope&) = delete;

 private:
  T*& slot_;
  T* previous_;
};

}  // namespace tarvik
