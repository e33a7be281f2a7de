// What korvi-typist and the key-path benchmark need to run the real DLL: the DLL itself, loaded by
// path and reached through its class factory, and a stand-in of the lookup server's window.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <string>

namespace korvi::typist {

// The lookup server's hidden window, so that the service's start-up finds it and starts nothing.
class LookupServerStandIn {
 public:
  LookupServerStandIn();
  ~LookupServerStandIn();
  LookupServerStandIn(const LookupServerStandIn&) = delete;
  LookupServerStandIn& operator=(const LookupServerStandIn&) = delete;

  bool ok() const { return window_ != nullptr; }

 private:
  HWND window_ = nullptr;
};

// Korvi10TxtSvc.dll, loaded when asked and let go again, so that a caller can start each document
// from the library's load state.
class TextServiceLibrary {
 public:
  explicit TextServiceLibrary(std::wstring path) : path_(std::move(path)) {}
  ~TextServiceLibrary() { Unload(); }
  TextServiceLibrary(const TextServiceLibrary&) = delete;
  TextServiceLibrary& operator=(const TextServiceLibrary&) = delete;

  // Loads the library and returns a reference to the service's class factory; null on failure.
  IClassFactory* Load();
  void Unload();
  HMODULE module() const { return module_; }

 private:
  std::wstring path_;
  HMODULE module_ = nullptr;
};

// Korvi10TxtSvc.dll beside the running program.
std::wstring DefaultDllPath();

}  // namespace korvi::typist
