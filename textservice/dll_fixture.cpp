#include "textservice/dll_fixture.h"

#include "testing/win/standin_program.h"
#include "textservice/guids.h"

namespace korvi::testing {
namespace {

template <typename F>
void Bind(HMODULE module, const char* name, F* slot) {
  *slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::wstring LoadedTextService::Path() {
  return HostPathToWindows(KORVI_TEXTSERVICE_DLL);
}

LoadedTextService::LoadedTextService() {
  Load();
}

bool LoadedTextService::Reload() {
  if (module_)
    FreeLibrary(module_);
  module_ = nullptr;
  if (GetModuleHandleW(L"Korvi10TxtSvc.dll"))
    return false;  // still loaded elsewhere
  Load();
  return loaded();
}

void LoadedTextService::Load() {
  module_ = LoadLibraryW(Path().c_str());
  if (!module_)
    return;
  Bind(module_, "DllGetClassObject", &DllGetClassObject);
  Bind(module_, "DllCanUnloadNow", &DllCanUnloadNow);
  Bind(module_, "DllRegisterServer", &DllRegisterServer);
  Bind(module_, "DllUnregisterServer", &DllUnregisterServer);
}

LoadedTextService::~LoadedTextService() {
  if (module_)
    FreeLibrary(module_);
}

IClassFactory* LoadedTextService::Factory() {
  IClassFactory* factory = nullptr;
  if (!DllGetClassObject || FAILED(DllGetClassObject(kTextServiceClsid, IID_IClassFactory,
                                                     reinterpret_cast<void**>(&factory)))) {
    return nullptr;
  }
  return factory;
}

}  // namespace korvi::testing
