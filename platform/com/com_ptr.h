// Owning interface pointer: holds one reference and releases it when it goes.
#pragma once

#include <utility>

#include "com/unknown.h"

namespace quorbel::com {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference on pointer.
  explicit ComPtr(Interface* pointer) : pointer_(pointer) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.pointer_) {}
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(const ComPtr& other) {
    ComPtr(other).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).Swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    Reset();
    return *this;
  }

  // Adopts a reference the caller already holds (an out parameter's result).
  static ComPtr Attach(Interface* pointer) {
    ComPtr result;
    result.pointer_ = pointer;
    return result;
  }
  // Gives the reference up to the caller.
  Interface* Detach() { return std::exchange(pointer_, nullptr); }

  void Reset() {
    if (Interface* old = std::exchange(pointer_, nullptr)) old->Release();
  }
  void Swap(ComPtr& other) noexcept { std::swap(pointer_, other.pointer_); }

  // For out parameters: releases what is held and returns the slot.
  Interface** Receive() {
    Reset();
    return &pointer_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  // QueryInterface for Other; empty when the object does not have it.
  template <typename Other>
  ComPtr<Other> As() const {
    ComPtr<Other> result;
    if (pointer_ != nullptr) pointer_->QueryInterface(Other::kIid, result.ReceiveVoid());
    return result;
  }

  // Copies into an out parameter with a new reference.
  HRESULT CopyTo(Interface** out) const {
    if (out == nullptr) return E_POINTER;
    *out = pointer_;
    if (pointer_ != nullptr) pointer_->AddRef();
    return S_OK;
  }

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace quorbel::com
