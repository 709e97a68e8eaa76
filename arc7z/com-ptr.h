#pragma once
// Holds one reference to a reference-counted 7-Zip object.
#include <utility>

namespace arc7z {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes a new reference to `object`.
  explicit ComPtr(T* object) : object_(object) {
    if (object_ != nullptr) object_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.object_) {}
  ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~ComPtr() { reset(); }

  // Adopts a reference the caller already holds.
  static ComPtr adopt(T* object) {
    ComPtr p;
    p.object_ = object;
    return p;
  }

  void reset() {
    if (T* object = std::exchange(object_, nullptr)) object->Release();
  }
  // Gives the held reference away.
  T* detach() { return std::exchange(object_, nullptr); }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

}  // namespace arc7z
