#include "textservice/class_factory.h"

#include <atomic>
#include <new>

#include "textservice/guids.h"
#include "textservice/module.h"
#include "textservice/text_service.h"

namespace korvi {
namespace {

// The table's one entry. Written only inside the module lock; read outside it for the
// first, unlocked look.
std::atomic<CClassFactory*> g_factory{nullptr};

// Runs inside the module lock whenever a release takes the object count below 0. The
// count is looked at again: a DllGetClassObject that raised it meanwhile (inside the
// same lock) is handing this factory out, so it stays.
void FreeClassFactory() {
  if (ModuleObjectCount() < 0)
    delete g_factory.exchange(nullptr);
}

}  // namespace

STDMETHODIMP CClassFactory::QueryInterface(REFIID iid, void** out) {
  if (!out)
    return E_INVALIDARG;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *out = static_cast<IClassFactory*>(this);
    ModuleAddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() {
  return static_cast<ULONG>(ModuleAddRef() + 1);
}

STDMETHODIMP_(ULONG) CClassFactory::Release() {
  // This object may be gone when ModuleRelease returns (the idle hook frees it).
  return static_cast<ULONG>(ModuleRelease() + 1);
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  return create_(outer, iid, out);
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock) {
  if (lock) {
    ModuleAddRef();
  } else {
    ModuleRelease();
  }
  return S_OK;
}

HRESULT GetTextServiceClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  const bool wantsFactory = IsEqualIID(iid, IID_IClassFactory) || IsEqualIID(iid, IID_IUnknown);
  if (!wantsFactory || !IsEqualCLSID(clsid, kTextServiceClsid)) {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  // The count is raised inside the lock, before the factory leaves it: a release on
  // another thread that takes the count below 0 frees the factory inside the same lock,
  // so it cannot free the one being handed out here.
  ModuleLock lock;
  CClassFactory* factory = g_factory.load();
  if (!factory) {
    factory = new (std::nothrow) CClassFactory(&kTextServiceClsid, &CTextService::CreateInstance);
    if (!factory)
      return E_OUTOFMEMORY;
    g_factory = factory;
    SetModuleIdleHook(&FreeClassFactory);
  }
  ModuleAddRef();
  *out = static_cast<IClassFactory*>(factory);
  return S_OK;
}

bool ClassFactoryExists() {
  return g_factory.load() != nullptr;
}

}  // namespace korvi
