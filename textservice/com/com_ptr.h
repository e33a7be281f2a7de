// ComPtr<T>: an owning COM interface pointer. It holds one reference and releases it when it goes,
// so no code of the text service counts references by hand.
//
//   ComPtr<ITfSource> source;
//   if (SUCCEEDED(threadMgr->QueryInterface(IID_ITfSource, source.PutVoid()))) { ... }
//   auto info = ComPtr<ITfDisplayAttributeInfo>::Adopt(new CSomething());  // takes the initial 1
//   return info.CopyTo(out);                                                // AddRef for the
//   caller
#pragma once

#include <unknwn.h>

#include <type_traits>
#include <utility>

namespace korvi {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Shares p: adds a reference.
  explicit ComPtr(T* p) : p_(p) {
    if (p_)
      p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(other.Detach()) {}
  // From a pointer to a derived class (a concrete object to one of its interfaces).
  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get())) {}
  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  ComPtr(ComPtr<U>&& other) noexcept : p_(other.Detach()) {}
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

  // Takes over a reference that the caller already owns (a fresh object's count of 1, or an out
  // parameter filled by someone else) without adding one.
  static ComPtr Adopt(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // Releases the current pointer and gives the slot for an out parameter.
  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr))
      p->Release();
  }
  // Gives up ownership without releasing.
  T* Detach() { return std::exchange(p_, nullptr); }
  void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

  // Hands a new reference to an out parameter; E_INVALIDARG for a null one.
  template <typename U>
  HRESULT CopyTo(U** out) const {
    if (!out)
      return E_INVALIDARG;
    *out = p_;
    if (p_)
      p_->AddRef();
    return S_OK;
  }

  // QueryInterface into another smart pointer; the target is cleared first.
  template <typename U>
  HRESULT As(REFIID iid, ComPtr<U>* target) const {
    if (!target)
      return E_INVALIDARG;
    if (!p_) {
      target->Reset();
      return E_POINTER;
    }
    return p_->QueryInterface(iid, target->PutVoid());
  }
  template <typename U>
  HRESULT As(ComPtr<U>* target) const {
    return As(__uuidof(U), target);
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
  friend bool operator!=(const ComPtr& a, const ComPtr& b) { return a.p_ != b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }
  friend bool operator!=(const ComPtr& a, std::nullptr_t) { return a.p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

}  // namespace korvi
