// The class factory of the text service and the library's handing out of it.
#pragma once

#include <objbase.h>
#include <windows.h>

namespace korvi {

using CreateInstanceFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

// A class factory without a reference count of its own: its references are counted in
// the module object count, and the table entry that holds it is freed when that count
// falls below 0.
class CClassFactory final : public IClassFactory {
 public:
  CClassFactory(const CLSID* clsid, CreateInstanceFunction create)
      : clsid_(clsid), create_(create) {}
  virtual ~CClassFactory() = default;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  STDMETHODIMP LockServer(BOOL lock) override;

  const CLSID& clsid() const { return *clsid_; }

 private:
  const CLSID* clsid_;
  CreateInstanceFunction create_;
};

// DllGetClassObject's work: the factory for the service's CLSID, its count raised before
// it is handed out.
HRESULT GetTextServiceClassObject(REFCLSID clsid, REFIID iid, void** out);

// Whether the factory table holds a factory now (tests of its lifetime).
bool ClassFactoryExists();

}  // namespace korvi
