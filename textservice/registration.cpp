#include "textservice/registration.h"

#include <msctf.h>
#include <olectl.h>

#include <cwchar>

#include "textservice/guids.h"

namespace korvi {
namespace {

constexpr LANGID kTamilLangId = 0x0449;
constexpr wchar_t kDescription[] = L"Velona Korvi";
constexpr ULONG kDescriptionLength = 12;
constexpr DWORD kMaxPath = 260;

// Both registration and unregistration walk this one table, so they cannot drift apart.
const GUID* const kCategories[] = {&GUID_TFCAT_TIP_KEYBOARD, &GUID_TFCAT_DISPLAYATTRIBUTEPROVIDER};

// The full path of the module's file; false when it is missing or does not fit.
bool ModulePath(HMODULE module, wchar_t (&path)[kMaxPath], DWORD* length) {
  DWORD n = GetModuleFileNameW(module, path, kMaxPath);
  if (n == 0 || n >= kMaxPath) {
    path[0] = L'\0';
    return false;
  }
  *length = n;
  return true;
}

LONG SetString(HKEY key, const wchar_t* name, const wchar_t* value) {
  DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
}

bool RegisterClassKey(const RegistrationTarget& target) {
  HKEY classKey = nullptr;
  if (RegCreateKeyExW(target.classesRoot, TextServiceClassKeyPath().text, 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &classKey,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = SetString(classKey, nullptr, kDescription) == ERROR_SUCCESS;
  HKEY serverKey = nullptr;
  if (RegCreateKeyExW(classKey, L"InProcServer32", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                      nullptr, &serverKey, nullptr) == ERROR_SUCCESS) {
    wchar_t path[kMaxPath];
    DWORD length = 0;
    ok = ModulePath(target.module, path, &length) && ok;
    ok = SetString(serverKey, nullptr, path) == ERROR_SUCCESS && ok;
    ok = SetString(serverKey, L"ThreadingModel", L"Apartment") == ERROR_SUCCESS && ok;
    RegCloseKey(serverKey);
  } else {
    ok = false;
  }
  RegCloseKey(classKey);
  return ok;
}

bool RegisterProfile(const RegistrationTarget& target) {
  ITfInputProcessorProfiles* profiles = nullptr;
  if (FAILED(target.createInstance(CLSID_TF_InputProcessorProfiles, IID_ITfInputProcessorProfiles,
                                   reinterpret_cast<void**>(&profiles))) ||
      profiles == nullptr) {
    return false;
  }
  bool ok = false;
  if (SUCCEEDED(profiles->Register(kTextServiceClsid))) {
    // The wide path straight from the system: a path widened from the ANSI code page
    // is corrupted when it holds characters outside that code page.
    wchar_t iconFile[kMaxPath];
    DWORD length = 0;
    if (ModulePath(target.module, iconFile, &length)) {
      ok = SUCCEEDED(profiles->AddLanguageProfile(kTextServiceClsid, kTamilLangId,
                                                  kLanguageProfileGuid, kDescription,
                                                  kDescriptionLength, iconFile, length, 0));
    }
  }
  profiles->Release();
  return ok;
}

bool RegisterCategories(const RegistrationTarget& target) {
  ITfCategoryMgr* categories = nullptr;
  if (FAILED(target.createInstance(CLSID_TF_CategoryMgr, IID_ITfCategoryMgr,
                                   reinterpret_cast<void**>(&categories))) ||
      categories == nullptr) {
    return false;
  }
  bool ok = true;
  for (const GUID* category : kCategories) {
    ok = SUCCEEDED(categories->RegisterCategory(kTextServiceClsid, *category, kTextServiceClsid)) &&
         ok;
  }
  categories->Release();
  return ok;
}

}  // namespace

HRESULT CreateInProcServer(REFCLSID clsid, REFIID iid, void** out) {
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
}

RegistrationFailureText FormatRegistrationFailure(bool server, bool profiles, bool categories) {
  RegistrationFailureText out{};
  swprintf(out.text, 250,
           L"Text Service registration failed:\n"
           L"Server: %d Profiles: %d Categories: %d\n"
           L"Please ensure that you have admin privileges.\n"
           L"For help, visit https://www.velonasystems.com/korvi/help",
           server ? 1 : 0, profiles ? 1 : 0, categories ? 1 : 0);
  return out;
}

HRESULT RegisterServer(const RegistrationTarget& target) {
  // The three parts run whatever the earlier ones gave, so the message can name each.
  bool server = RegisterClassKey(target);
  bool profiles = RegisterProfile(target);
  bool categories = RegisterCategories(target);
  if (server && profiles && categories) {
    return S_OK;
  }
  UnregisterServer(target);
  MessageBoxW(nullptr, FormatRegistrationFailure(server, profiles, categories).text,
              L"Korvi Text Service", MB_OK);
  return E_FAIL;
}

HRESULT UnregisterServer(const RegistrationTarget& target) {
  ITfInputProcessorProfiles* profiles = nullptr;
  if (SUCCEEDED(target.createInstance(CLSID_TF_InputProcessorProfiles,
                                      IID_ITfInputProcessorProfiles,
                                      reinterpret_cast<void**>(&profiles))) &&
      profiles != nullptr) {
    profiles->Unregister(kTextServiceClsid);
    profiles->Release();
  }
  ITfCategoryMgr* categories = nullptr;
  if (SUCCEEDED(target.createInstance(CLSID_TF_CategoryMgr, IID_ITfCategoryMgr,
                                      reinterpret_cast<void**>(&categories))) &&
      categories != nullptr) {
    for (const GUID* category : kCategories) {
      categories->UnregisterCategory(kTextServiceClsid, *category, kTextServiceClsid);
    }
    categories->Release();
  }
  DeleteKeyTree(target.classesRoot, TextServiceClassKeyPath().text);
  return S_OK;
}

LONG DeleteKeyTree(HKEY root, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyW(root, path, &key) != ERROR_SUCCESS) {
    return ERROR_SUCCESS;  // nothing to delete
  }
  LONG childResult = ERROR_SUCCESS;
  for (;;) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (RegEnumKeyExW(key, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    childResult = DeleteKeyTree(key, name);
    if (childResult != ERROR_SUCCESS) {
      break;
    }
  }
  RegCloseKey(key);
  if (childResult != ERROR_SUCCESS) {
    return childResult;
  }
  return RegDeleteKeyW(root, path);
}

}  // namespace korvi
