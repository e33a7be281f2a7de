// Registration of the text service with COM and TSF, and its removal.
#pragma once

#include <objbase.h>
#include <windows.h>

namespace korvi {

// What registration works on. The defaults are the real machine; tests hand in a
// root they cannot write or a creator that refuses one manager, to walk the failure path.
// CoCreateInstance of an in-process server.
HRESULT CreateInProcServer(REFCLSID clsid, REFIID iid, void** out);

struct RegistrationTarget {
  HKEY classesRoot = HKEY_CLASSES_ROOT;
  // The module whose file is registered as the server and as the icon file.
  HMODULE module = nullptr;
  // Creates the TSF managers (CoCreateInstance, in-process).
  HRESULT (*createInstance)(REFCLSID clsid, REFIID iid, void** out) = CreateInProcServer;
};

// Writes the class key, the Tamil language profile and the two categories. On any
// failure everything is undone, the user is told, and the result is E_FAIL.
HRESULT RegisterServer(const RegistrationTarget& target);

// Removes every registration of the service; never fails.
HRESULT UnregisterServer(const RegistrationTarget& target);

// Deletes root\path with all its sub-keys. A missing key counts as deleted.
LONG DeleteKeyTree(HKEY root, const wchar_t* path);

// The failure message for the three part results; what the message box shows.
struct RegistrationFailureText {
  wchar_t text[250];
};
RegistrationFailureText FormatRegistrationFailure(bool server, bool profiles, bool categories);

}  // namespace korvi
