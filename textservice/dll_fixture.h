// The real Korvi10TxtSvc.dll, loaded for a test through LoadLibrary, with its four exports.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <string>

namespace korvi::testing {

class LoadedTextService {
 public:
  // Loads the DLL that this build made (KORVI_TEXTSERVICE_DLL).
  LoadedTextService();
  ~LoadedTextService();
  LoadedTextService(const LoadedTextService&) = delete;
  LoadedTextService& operator=(const LoadedTextService&) = delete;

  bool loaded() const { return module_ != nullptr; }
  // Unloads the library and loads it afresh, as a new process would find it.
  bool Reload();
  HMODULE module() const { return module_; }
  // The Windows path of the DLL.
  static std::wstring Path();

  HRESULT (*DllGetClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT (*DllCanUnloadNow)() = nullptr;
  HRESULT (*DllRegisterServer)() = nullptr;
  HRESULT (*DllUnregisterServer)() = nullptr;

  // The class factory of the text service; null on failure.
  IClassFactory* Factory();

 private:
  void Load();
  HMODULE module_ = nullptr;
};

}  // namespace korvi::testing
