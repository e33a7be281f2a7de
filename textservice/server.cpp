// The library's entry points: process attach and detach, and the four exports.
#include <windows.h>

#include "textservice/class_factory.h"
#include "textservice/module.h"
#include "textservice/registration.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return korvi::ModuleAttach(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      korvi::ModuleDetach();
      return TRUE;
    default:
      return TRUE;
  }
}

STDAPI DllCanUnloadNow() {
  return korvi::ModuleCanUnload() ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return korvi::GetTextServiceClassObject(clsid, iid, out);
}

STDAPI DllRegisterServer() {
  korvi::RegistrationTarget target;
  target.module = korvi::ModuleHandle();
  return korvi::RegisterServer(target);
}

STDAPI DllUnregisterServer() {
  korvi::RegistrationTarget target;
  target.module = korvi::ModuleHandle();
  return korvi::UnregisterServer(target);
}

}  // extern "C"
