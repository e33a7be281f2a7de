// ComObject<CountPolicy, Interfaces...>: QueryInterface, AddRef and Release for a class that
// implements one or more COM interfaces.
//
//   class CDisplayAttributeInfo final
//       : public ComObject<ModuleObjectCounted, ITfDisplayAttributeInfo> { ... };
//   auto info = MakeComObject<CDisplayAttributeInfo>(args...);   // ComPtr holding the count of 1
//
// - The reference count starts at 1, held by whoever called new; it is atomic.
// - QueryInterface answers IID_IUnknown with the first interface, and each interface's IID with
//   that interface. An interface that derives from another one (ITfLangBarItemButton from
//   ITfLangBarItem) answers for its base only if ComInterfaceIds is specialised for it.
//   A null out pointer gives E_INVALIDARG; a miss clears the out pointer and gives E_NOINTERFACE.
// - CountPolicy::ObjectCreated() runs in the constructor and CountPolicy::ObjectDestroyed() in the
//   destructor. The library uses ModuleObjectCounted (textservice/module.h) so that every live
//   object keeps the library loaded; test doubles use NotCounted and leave that count alone.
#pragma once

#include <unknwn.h>

#include <atomic>
#include <new>
#include <utility>

#include "textservice/com/com_ptr.h"

namespace korvi {

// Count policy of objects that do not belong to the library (test doubles, model hosts).
struct NotCounted {
  static void ObjectCreated() {}
  static void ObjectDestroyed() {}
};

// Which interface identifiers an implemented interface answers for. Specialise it to add the IIDs
// of base interfaces:
//   template <> struct ComInterfaceIds<ITfLangBarItemButton> {
//     static bool Matches(REFIID iid) {
//       return IsEqualIID(iid, IID_ITfLangBarItemButton) || IsEqualIID(iid, IID_ITfLangBarItem);
//     }
//   };
template <typename Interface>
struct ComInterfaceIds {
  static bool Matches(REFIID iid) { return IsEqualIID(iid, __uuidof(Interface)); }
};

template <typename CountPolicy, typename First, typename... Rest>
class ComObject : public First, public Rest... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out)
      return E_INVALIDARG;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = static_cast<IUnknown*>(static_cast<First*>(this));
    } else {
      (TryInterface<First>(iid, out) || ... || TryInterface<Rest>(iid, out));
    }
    if (!*out)
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }

  STDMETHODIMP_(ULONG) AddRef() override { return ++refCount_; }

  STDMETHODIMP_(ULONG) Release() override {
    const ULONG count = --refCount_;
    if (count == 0)
      delete this;
    return count;
  }

 protected:
  ComObject() { CountPolicy::ObjectCreated(); }
  virtual ~ComObject() { CountPolicy::ObjectDestroyed(); }

 private:
  template <typename Interface>
  bool TryInterface(REFIID iid, void** out) {
    if (!ComInterfaceIds<Interface>::Matches(iid))
      return false;
    *out = static_cast<Interface*>(this);
    return true;
  }

  std::atomic<ULONG> refCount_{1};
};

// Creates T with new (nothrow) and hands back the initial reference; null when memory ran out.
template <typename T, typename... Args>
ComPtr<T> MakeComObject(Args&&... args) {
  return ComPtr<T>::Adopt(new (std::nothrow) T(std::forward<Args>(args)...));
}

}  // namespace korvi
