// The DLL's class factory and unload protocol, loaded with LoadLibrary as COM loads it.
#include <gtest/gtest.h>
#include <msctf.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/win/message_box_watcher.h"
#include "testing/win/recording_window.h"
#include "textservice/dll_fixture.h"
#include "textservice/guids.h"

namespace korvi {
namespace {

using testing::LoadedTextService;

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(dll_.loaded());
    ASSERT_EQ(dll_.DllCanUnloadNow(), S_OK);
  }
  void TearDown() override {
    EXPECT_EQ(dll_.DllCanUnloadNow(), S_OK);
    CoUninitialize();
  }

  // The service starts the lookup server unless its window is there.
  testing::RecordingWindow lookupServer_{L"KorviTestLookupServer", L"Korvi10WinSvcFormHidden"};
  testing::MessageBoxWatcher boxes_;
  LoadedTextService dll_;
};

TEST_F(ServerTest, FactoryKeepsTheLibraryInUseUntilReleased) {
  for (REFIID iid : {IID_IClassFactory, IID_IUnknown}) {
    IUnknown* factory = nullptr;
    ASSERT_EQ(dll_.DllGetClassObject(kTextServiceClsid, iid, reinterpret_cast<void**>(&factory)),
              S_OK);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(dll_.DllCanUnloadNow(), S_FALSE);
    factory->Release();
    EXPECT_EQ(dll_.DllCanUnloadNow(), S_OK);
  }
}

TEST_F(ServerTest, OtherClassesAndInterfacesAreNotAvailable) {
  struct Case {
    const CLSID* clsid;
    const IID* iid;
  };
  for (const Case& c : {Case{&CLSID_TF_CategoryMgr, &IID_IClassFactory},
                        Case{&kTextServiceClsid, &IID_ITfTextInputProcessor},
                        Case{&kTextServiceClsid, &IID_IDispatch}}) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(dll_.DllGetClassObject(*c.clsid, *c.iid, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(dll_.DllCanUnloadNow(), S_OK);
  }
  // No out pointer: an error, not a write through null.
  EXPECT_EQ(dll_.DllGetClassObject(kTextServiceClsid, IID_IClassFactory, nullptr), E_INVALIDARG);
}

TEST_F(ServerTest, LockServerHoldsTheLibraryAfterTheFactoryIsReleased) {
  IClassFactory* factory = dll_.Factory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(dll_.DllCanUnloadNow(), S_FALSE);
  // A locked library hands out the same factory again.
  IClassFactory* again = dll_.Factory();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->LockServer(FALSE), S_OK);
  EXPECT_EQ(dll_.DllCanUnloadNow(), S_FALSE);
  again->Release();
  EXPECT_EQ(dll_.DllCanUnloadNow(), S_OK);
}

TEST_F(ServerTest, FactoryAnswersOnlyItsOwnInterfaces) {
  IClassFactory* factory = dll_.Factory();
  ASSERT_NE(factory, nullptr);
  IUnknown* unknown = nullptr;
  EXPECT_EQ(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  ASSERT_NE(unknown, nullptr);
  unknown->Release();
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->QueryInterface(IID_IPersist, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  factory->Release();
}

TEST_F(ServerTest, CreateInstanceHandsOutTheServiceAndRefusesWhatItCannotDo) {
  IClassFactory* factory = dll_.Factory();
  ASSERT_NE(factory, nullptr);

  ITfTextInputProcessor* service = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITfTextInputProcessor,
                                    reinterpret_cast<void**>(&service)),
            S_OK);
  ASSERT_NE(service, nullptr);
  // The caller holds the only reference.
  service->AddRef();
  EXPECT_EQ(service->Release(), 1u);

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(service, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_INVALIDARG);

  service->Release();
  factory->Release();
  EXPECT_TRUE(boxes_.Take().empty());
}

// The module's own PE directories, read from its image in memory.
class ImageDirectories {
 public:
  explicit ImageDirectories(HMODULE module) : base_(reinterpret_cast<const BYTE*>(module)) {
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base_);
    nt_ = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base_ + dos->e_lfanew);
  }
  std::vector<std::string> ImportedDlls() const {
    std::vector<std::string> names;
    const auto& dir = nt_->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto d = At<IMAGE_IMPORT_DESCRIPTOR>(dir.VirtualAddress); d->Name != 0; ++d) {
      std::string name = At<char>(d->Name);
      for (char& c : name)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
      names.push_back(name);
    }
    return names;
  }
  std::vector<std::string> ExportedNames() const {
    std::vector<std::string> names;
    const auto& dir = nt_->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto exports = At<IMAGE_EXPORT_DIRECTORY>(dir.VirtualAddress);
    auto nameRvas = At<DWORD>(exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
      names.push_back(At<char>(nameRvas[i]));
    EXPECT_EQ(exports->NumberOfFunctions, exports->NumberOfNames);  // nothing by ordinal only
    return names;
  }

 private:
  template <typename T>
  const T* At(DWORD rva) const {
    return reinterpret_cast<const T*>(base_ + rva);
  }
  const BYTE* base_;
  const IMAGE_NT_HEADERS64* nt_;
};

TEST_F(ServerTest, ExportsTheFourFunctionsAndImportsOnlySystemLibraries) {
  ImageDirectories image(dll_.module());
  EXPECT_EQ(image.ExportedNames(),
            (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                      "DllUnregisterServer"}));
  const std::vector<std::string> system = {"advapi32.dll", "kernel32.dll", "msvcrt.dll",
                                           "ole32.dll",    "oleaut32.dll", "shell32.dll",
                                           "user32.dll"};
  for (const std::string& name : image.ImportedDlls()) {
    EXPECT_NE(std::find(system.begin(), system.end(), name), system.end()) << name;
  }
}

TEST_F(ServerTest, CarriesTheIconAndAVersion) {
  HICON icon = static_cast<HICON>(
      LoadImageW(dll_.module(), MAKEINTRESOURCEW(101), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
  ASSERT_NE(icon, nullptr);
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP bitmap = {};
  ASSERT_TRUE(GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap));
  EXPECT_EQ(bitmap.bmWidth, 32);
  EXPECT_EQ(bitmap.bmHeight, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);

  // The icon resource holds exactly one image: 32 by 32 with 16 colours.
  HRSRC group = FindResourceW(dll_.module(), MAKEINTRESOURCEW(101), RT_GROUP_ICON);
  ASSERT_NE(group, nullptr);
  auto dir = static_cast<const BYTE*>(LockResource(LoadResource(dll_.module(), group)));
  ASSERT_NE(dir, nullptr);
  const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
  EXPECT_EQ(count, 1);
  const BYTE* entry = dir + 6;  // width, height, colour count, reserved, planes, bit count, ...
  EXPECT_EQ(entry[0], 32);
  EXPECT_EQ(entry[1], 32);
  EXPECT_EQ(entry[2], 16);
  EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), 4);

  EXPECT_NE(FindResourceW(dll_.module(), MAKEINTRESOURCEW(1), RT_VERSION), nullptr);
}

}  // namespace
}  // namespace korvi
