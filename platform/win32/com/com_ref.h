#pragma once

#include <unknwn.h>

#include <utility>

namespace velko::win32 {

// An owning reference to a COM interface: released when it goes.
template <typename T>
class ComRef {
  public:
    ComRef() = default;
    // Takes over a reference the caller already owns.
    static ComRef adopt(T* raw) {
        ComRef ref;
        ref.raw_ = raw;
        return ref;
    }
    // Adds a reference of its own.
    static ComRef share(T* raw) {
        if (raw != nullptr) raw->AddRef();
        return adopt(raw);
    }

    ComRef(const ComRef& other) : raw_(other.raw_) {
        if (raw_ != nullptr) raw_->AddRef();
    }
    ComRef(ComRef&& other) noexcept : raw_(std::exchange(other.raw_, nullptr)) {}
    ComRef& operator=(ComRef other) noexcept {
        std::swap(raw_, other.raw_);
        return *this;
    }
    ~ComRef() {
        if (raw_ != nullptr) raw_->Release();
    }

    T* get() const { return raw_; }
    T* operator->() const { return raw_; }
    T& operator*() const { return *raw_; }
    explicit operator bool() const { return raw_ != nullptr; }
    // For out parameters: releases what it holds and hands out the slot.
    T** put() {
        *this = ComRef();
        return &raw_;
    }
    // Hands the reference to the caller.
    T* detach() { return std::exchange(raw_, nullptr); }

  private:
    T* raw_ = nullptr;
};

}  // namespace velko::win32
