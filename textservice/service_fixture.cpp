#include "textservice/service_fixture.h"

#include "testing/win/child_process.h"
#include "testing/win/file_bytes.h"
#include "textservice/companion.h"
#include "textservice/display_attributes.h"
#include "tools/keynotation/key_notation.h"

namespace korvi::testing {
namespace {

TfGuidAtom AtomOf(const GUID& guid) {
  ITfCategoryMgr* categories = nullptr;
  TfGuidAtom atom = TF_INVALID_GUIDATOM;
  if (SUCCEEDED(CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_ITfCategoryMgr, reinterpret_cast<void**>(&categories)))) {
    categories->RegisterGUID(guid, &atom);
    categories->Release();
  }
  return atom;
}

}  // namespace

std::vector<TypedKey> ParseKeys(const std::wstring& keys) {
  std::vector<TypedKey> out;
  std::string narrow;
  for (wchar_t c : keys) {
    EXPECT_LT(c, 0x80) << "key strings are ASCII";
    narrow += static_cast<char>(c);
  }
  std::vector<notation::Key> parsed;
  std::string error;
  EXPECT_TRUE(notation::ParseKeys(narrow, parsed, error)) << error;
  for (const notation::Key& key : parsed) {
    out.push_back({key.virtualKey, key.shift ? unsigned{tsfmodel::kShift} : 0u});
  }
  return out;
}

ChildRun RunThisProgram(const std::wstring& filter, const std::wstring& extraArguments) {
  wchar_t self[MAX_PATH];
  if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0)
    return {};
  const ChildProcessRun run =
      RunChildProcess(L"\"" + std::wstring(self) + L"\" --gtest_also_run_disabled_tests" +
                      L" --gtest_filter=" + filter + L" " + extraArguments);
  return {run.exitCode, run.output};
}

bool CommandLineMentions(const std::wstring& text) {
  std::wstring line = GetCommandLineW();
  std::wstring wanted = text;
  for (wchar_t& c : line)
    c = static_cast<wchar_t>(towupper(c));
  for (wchar_t& c : wanted)
    c = static_cast<wchar_t>(towupper(c));
  return line.find(wanted) != std::wstring::npos;
}

void ServiceTest::SetUp() {
  wchar_t temp[2048];
  const DWORD length = GetEnvironmentVariableW(L"TEMP", temp, 2048);
  savedTemp_ = length > 0 && length < 2048 ? temp : L"";
  temp_ = savedTemp_ + L"\\korvi-service-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(temp_.c_str(), nullptr);
  SetEnvironmentVariableW(L"TEMP", temp_.c_str());
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  ASSERT_TRUE(dll_.loaded());
  factory_ = dll_.Factory();
  ASSERT_NE(factory_, nullptr);
}

void ServiceTest::StopHost() {
  host_.reset();
}

void ServiceTest::TearDown() {
  StopHost();
  if (factory_)
    factory_->Release();
  factory_ = nullptr;
  EXPECT_EQ(dll_.DllCanUnloadNow(), S_OK) << "a reference on the library leaked";
  EXPECT_EQ(boxes_.Take(), std::vector<SeenMessageBox>{}) << "unexpected message box";
  CoUninitialize();
  DeleteFileW((temp_ + L"\\" + kLookupFileName).c_str());
  RemoveDirectoryW(temp_.c_str());
  SetEnvironmentVariableW(L"TEMP", savedTemp_.c_str());
}

std::vector<uint8_t> ServiceTest::LookupFileBytes() const {
  return ReadFileBytes(temp_ + L"\\" + kLookupFileName);
}

std::vector<uint8_t> ServiceTest::LookupBytesFor(const std::wstring& word) {
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (wchar_t c : word + L"{~}" + word) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

int ServiceTest::TakeLookupMessages() {
  RecordingWindow::PumpMessages();
  int count = 0;
  for (const RecordedMessage& m : lookupServer_.Messages({WM_COMMAND})) {
    if (m.posted && m.wParam == LookupMessage() && m.lParam == 0)
      ++count;
  }
  lookupServer_.Clear();
  return count;
}

void ServiceTest::StoreLayout(const wchar_t* text) {
  ASSERT_TRUE(SetRegistryValue(HKEY_CURRENT_USER, L"Software\\Velona Systems\\Velona10\\ini",
                               L"imemode", REG_SZ, Utf16Bytes(text)));
}

void ServiceTest::Start(bool withDocument) {
  host_.emplace();
  if (withDocument)
    host_->PushDocument(L"");
  ASSERT_EQ(host_->ActivateFromFactory(factory_), S_OK);
}

ITfTextInputProcessor* ServiceTest::CreateService() {
  ITfTextInputProcessor* service = nullptr;
  EXPECT_EQ(factory_->CreateInstance(nullptr, IID_ITfTextInputProcessor,
                                     reinterpret_cast<void**>(&service)),
            S_OK);
  return service;
}

void ServiceTest::Type(const std::wstring& keys, unsigned extraModifiers) {
  for (const TypedKey& key : ParseKeys(keys))
    host_->Key(key.vk, key.modifiers | extraModifiers);
}

bool ServiceTest::AnyAttribute() {
  const long length = static_cast<long>(host_->Text().size());
  for (long i = 0; i < length; ++i) {
    if (host_->AttributeAt(i))
      return true;
  }
  return false;
}

TfGuidAtom ServiceTest::InputAtom() {
  return AtomOf(kInputAttributeGuid);
}
TfGuidAtom ServiceTest::ConvertedAtom() {
  return AtomOf(kConvertedAttributeGuid);
}

}  // namespace korvi::testing
