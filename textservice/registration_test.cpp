// Registration against Wine's real registry and TSF: through regsvr32, through the DLL's
// exports, and through the library code with a fault injected.
#include "textservice/registration.h"

#include <gtest/gtest.h>
#include <msctf.h>

#include <string>
#include <vector>

#include "testing/win/message_box_watcher.h"
#include "testing/win/registry_fixture.h"
#include "textservice/dll_fixture.h"
#include "textservice/guids.h"

namespace korvi {
namespace {

using testing::GetRegistryValue;
using testing::LoadedTextService;
using testing::RegistryKeyExists;
using testing::RegistryKeyGuard;
using testing::SeenMessageBox;
using testing::Utf16Bytes;

const std::wstring kClassKey = TextServiceClassKeyPath().text;
const std::wstring kTipKey =
    std::wstring(L"Software\\Microsoft\\CTF\\TIP\\") + FormatGuid(kTextServiceClsid).text;
const std::wstring kProfileKey =
    kTipKey + L"\\LanguageProfile\\0x00000449\\" + FormatGuid(kLanguageProfileGuid).text;

std::wstring CategoryKey(const GUID& category) {
  return kTipKey + L"\\Category\\Category\\" + FormatGuid(category).text + L"\\" +
         FormatGuid(kTextServiceClsid).text;
}

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s)
    c = static_cast<wchar_t>(towlower(c));
  return s;
}

// Whether Wine's TSF lists our profile for Tamil.
bool ProfileEnumerated() {
  ITfInputProcessorProfiles* profiles = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TF_InputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ITfInputProcessorProfiles,
                              reinterpret_cast<void**>(&profiles)))) {
    return false;
  }
  bool found = false;
  IEnumTfLanguageProfiles* list = nullptr;
  if (SUCCEEDED(profiles->EnumLanguageProfiles(0x0449, &list)) && list) {
    TF_LANGUAGEPROFILE profile;
    ULONG fetched = 0;
    while (list->Next(1, &profile, &fetched) == S_OK && fetched == 1) {
      if (IsEqualCLSID(profile.clsid, kTextServiceClsid) &&
          IsEqualGUID(profile.guidProfile, kLanguageProfileGuid) && profile.langid == 0x0449) {
        found = true;
      }
    }
    list->Release();
  }
  profiles->Release();
  return found;
}

bool NothingRegistered() {
  return !RegistryKeyExists(HKEY_CLASSES_ROOT, kClassKey) &&
         !RegistryKeyExists(HKEY_LOCAL_MACHINE, kTipKey) && !ProfileEnumerated();
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(dll_.loaded());
  }
  void TearDown() override {
    dll_.DllUnregisterServer();
    EXPECT_TRUE(NothingRegistered());
    EXPECT_EQ(dll_.DllCanUnloadNow(), S_OK);
    CoUninitialize();
  }

  // Everything that a successful registration of the DLL writes.
  void ExpectRegistered() {
    EXPECT_EQ(GetRegistryValue(HKEY_CLASSES_ROOT, kClassKey, nullptr)->data,
              Utf16Bytes(L"Velona Korvi"));
    const std::wstring server = kClassKey + L"\\InProcServer32";
    auto path = GetRegistryValue(HKEY_CLASSES_ROOT, server, nullptr);
    ASSERT_TRUE(path);
    EXPECT_EQ(path->type, DWORD{REG_SZ});
    EXPECT_EQ(Lower(reinterpret_cast<const wchar_t*>(path->data.data())),
              Lower(LoadedTextService::Path()));
    EXPECT_EQ(path->data.size() % 2, 0u);
    EXPECT_EQ(path->data[path->data.size() - 2], 0);  // the NUL is counted
    EXPECT_EQ(*GetRegistryValue(HKEY_CLASSES_ROOT, server, L"ThreadingModel"),
              (testing::RegistryValue{REG_SZ, Utf16Bytes(L"Apartment")}));

    EXPECT_TRUE(ProfileEnumerated());
    auto description = GetRegistryValue(HKEY_LOCAL_MACHINE, kProfileKey, L"Description");
    ASSERT_TRUE(description);
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(description->data.data()), L"Velona Korvi");
    auto icon = GetRegistryValue(HKEY_LOCAL_MACHINE, kProfileKey, L"IconFile");
    ASSERT_TRUE(icon);
    EXPECT_EQ(Lower(reinterpret_cast<const wchar_t*>(icon->data.data())),
              Lower(LoadedTextService::Path()));
    auto iconIndex = GetRegistryValue(HKEY_LOCAL_MACHINE, kProfileKey, L"IconIndex");
    ASSERT_TRUE(iconIndex);
    EXPECT_EQ(iconIndex->data, (std::vector<uint8_t>{0, 0, 0, 0}));

    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, CategoryKey(GUID_TFCAT_TIP_KEYBOARD)));
    EXPECT_TRUE(
        RegistryKeyExists(HKEY_LOCAL_MACHINE, CategoryKey(GUID_TFCAT_DISPLAYATTRIBUTEPROVIDER)));
  }

  LoadedTextService dll_;
  testing::MessageBoxWatcher boxes_;
};

TEST_F(RegistrationTest, ExportsRegisterEverythingAndUnregisterRemovesIt) {
  ASSERT_TRUE(NothingRegistered());
  EXPECT_EQ(dll_.DllRegisterServer(), S_OK);
  ExpectRegistered();
  EXPECT_EQ(dll_.DllUnregisterServer(), S_OK);
  EXPECT_TRUE(NothingRegistered());
  // Unregistering again, with nothing registered, is quiet success.
  EXPECT_EQ(dll_.DllUnregisterServer(), S_OK);
  EXPECT_TRUE(boxes_.Take().empty());
}

TEST_F(RegistrationTest, SecondRegistrationOverwritesTheValues) {
  ASSERT_EQ(dll_.DllRegisterServer(), S_OK);
  ASSERT_TRUE(testing::SetRegistryValue(HKEY_CLASSES_ROOT, kClassKey + L"\\InProcServer32",
                                        L"ThreadingModel", REG_SZ, Utf16Bytes(L"Both")));
  ASSERT_TRUE(testing::SetRegistryValue(HKEY_CLASSES_ROOT, kClassKey, nullptr, REG_SZ,
                                        Utf16Bytes(L"stale")));
  EXPECT_EQ(dll_.DllRegisterServer(), S_OK);
  ExpectRegistered();
}

TEST_F(RegistrationTest, Regsvr32RegistersAndRemoves) {
  auto run = [](const std::wstring& arguments) {
    std::wstring command =
        L"regsvr32.exe " + arguments + L" \"" + LoadedTextService::Path() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      return DWORD{0xFFFFFFFF};
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
  };
  EXPECT_EQ(run(L"/s"), 0u);
  ExpectRegistered();
  EXPECT_EQ(run(L"/u /s"), 0u);
  EXPECT_TRUE(NothingRegistered());
}

// The library code with one part made to fail: the user is told which, and nothing of
// the service stays registered.
class RegistrationFailureTest : public RegistrationTest {
 protected:
  RegistrationTarget Target() {
    RegistrationTarget target;
    target.module = dll_.module();
    return target;
  }
};

HRESULT RefuseCategoryManager(REFCLSID clsid, REFIID iid, void** out) {
  if (IsEqualCLSID(clsid, CLSID_TF_CategoryMgr)) {
    *out = nullptr;
    return REGDB_E_CLASSNOTREG;
  }
  return CreateInProcServer(clsid, iid, out);
}

HRESULT RefuseProfileManager(REFCLSID clsid, REFIID iid, void** out) {
  if (IsEqualCLSID(clsid, CLSID_TF_InputProcessorProfiles)) {
    *out = nullptr;
    return REGDB_E_CLASSNOTREG;
  }
  return CreateInProcServer(clsid, iid, out);
}

std::wstring FailureText(int server, int profiles, int categories) {
  return L"Text Service registration failed:\nServer: " + std::to_wstring(server) + L" Profiles: " +
         std::to_wstring(profiles) + L" Categories: " + std::to_wstring(categories) +
         L"\nPlease ensure that you have admin privileges.\n"
         L"For help, visit https://www.velonasystems.com/korvi/help";
}

TEST_F(RegistrationFailureTest, UnwritableClassKeyReportsServerAndUndoesTheRest) {
  // A volatile key takes no lasting sub-keys: the class key cannot be created under it,
  // as under a HKEY_CLASSES_ROOT that the user may not write.
  const std::wstring rootPath = L"Software\\KorviRegistrationTest";
  RegistryKeyGuard guard(HKEY_CURRENT_USER, rootPath);
  HKEY volatileRoot = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, rootPath.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &volatileRoot, nullptr),
            ERROR_SUCCESS);
  RegistrationTarget target = Target();
  target.classesRoot = volatileRoot;

  EXPECT_EQ(RegisterServer(target), E_FAIL);

  EXPECT_EQ(boxes_.Take(),
            (std::vector<SeenMessageBox>{{L"Korvi Text Service", FailureText(0, 1, 1)}}));
  EXPECT_TRUE(NothingRegistered());
  EXPECT_FALSE(RegistryKeyExists(volatileRoot, kClassKey));
  RegCloseKey(volatileRoot);
}

TEST_F(RegistrationFailureTest, FailingManagersAreNamedAndEverythingIsUndone) {
  struct Case {
    HRESULT (*create)(REFCLSID, REFIID, void**);
    int profiles;
    int categories;
  };
  // Wine's category manager files categories under the registered processor, so without
  // the profiles manager the categories fail too.
  for (const Case& c : {Case{RefuseCategoryManager, 1, 0}, Case{RefuseProfileManager, 0, 0}}) {
    RegistrationTarget target = Target();
    target.createInstance = c.create;
    EXPECT_EQ(RegisterServer(target), E_FAIL);
    EXPECT_EQ(boxes_.Take(),
              (std::vector<SeenMessageBox>{
                  {L"Korvi Text Service", FailureText(1, c.profiles, c.categories)}}));
    // The class key that did get written is gone again, and so is what TSF holds.
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(ProfileEnumerated());
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, CategoryKey(GUID_TFCAT_TIP_KEYBOARD)));
  }
}

TEST(DeleteKeyTreeTest, DeletesNestedKeysAndTakesAMissingKeyAsDone) {
  const std::wstring root = L"Software\\KorviDeleteTreeTest";
  RegistryKeyGuard guard(HKEY_CURRENT_USER, root);
  for (const wchar_t* leaf : {L"\\a\\b\\c", L"\\a\\d", L"\\e"}) {
    ASSERT_TRUE(
        testing::SetRegistryValue(HKEY_CURRENT_USER, root + leaf, L"v", REG_SZ, Utf16Bytes(L"x")));
  }
  EXPECT_EQ(DeleteKeyTree(HKEY_CURRENT_USER, root.c_str()), ERROR_SUCCESS);
  EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, root));
  EXPECT_EQ(DeleteKeyTree(HKEY_CURRENT_USER, root.c_str()), ERROR_SUCCESS);
}

TEST(GuidTextTest, RegistryFormIsUpperCaseWithBraces) {
  EXPECT_STREQ(FormatGuid(kTextServiceClsid).text, L"{836FD769-192B-428C-9B38-4E804C92D7E1}");
  EXPECT_STREQ(TextServiceClassKeyPath().text, L"CLSID\\{836FD769-192B-428C-9B38-4E804C92D7E1}");
}

}  // namespace
}  // namespace korvi
