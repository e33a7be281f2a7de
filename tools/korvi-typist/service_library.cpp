#include "tools/korvi-typist/service_library.h"

namespace korvi::typist {

LookupServerStandIn::LookupServerStandIn() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KorviTypistLookupServer";
  RegisterClassW(&wc);
  window_ = CreateWindowExW(0, wc.lpszClassName, L"Korvi10WinSvcFormHidden", 0, 0, 0, 0, 0, nullptr,
                            nullptr, wc.hInstance, nullptr);
}

LookupServerStandIn::~LookupServerStandIn() {
  if (window_)
    DestroyWindow(window_);
}

IClassFactory* TextServiceLibrary::Load() {
  module_ = LoadLibraryW(path_.c_str());
  if (!module_)
    return nullptr;
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
  // {836FD769-192B-428C-9B38-4E804C92D7E1}, the service's CLSID; the tools reach the DLL only
  // through its exports, as COM would.
  const CLSID clsid = {
      0x836fd769, 0x192b, 0x428c, {0x9b, 0x38, 0x4e, 0x80, 0x4c, 0x92, 0xd7, 0xe1}};
  IClassFactory* factory = nullptr;
  if (!get || FAILED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
    return nullptr;
  return factory;
}

void TextServiceLibrary::Unload() {
  if (module_)
    FreeLibrary(module_);
  module_ = nullptr;
}

std::wstring DefaultDllPath() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring self(path, n < MAX_PATH ? n : 0);
  const size_t slash = self.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? L"" : self.substr(0, slash + 1)) + L"Korvi10TxtSvc.dll";
}

}  // namespace korvi::typist
