#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/debug_log.h"
#include "testing/win/debug_output_capture.h"
#include "testing/win/registry_fixture.h"

namespace korvi {
namespace {

using testing::DebugOutputCapture;
using testing::GetRegistryValue;
using testing::RegistryKeyGuard;
using testing::RegistryValue;
using testing::SetRegistryValue;
using testing::Utf16Bytes;

constexpr wchar_t kUserRoot[] = L"Software\\Velona Systems";
constexpr wchar_t kMachineRoot[] = L"Software\\Wow6432Node\\Velona Systems";
constexpr wchar_t kMachineRoot32[] = L"Software\\Velona Systems";

// How this process names the machine key's 32-bit view, where the installer writes. The text
// service's own reads are 64-bit code; the 32-bit build tests only the font loader's read.
#ifdef _WIN64
constexpr const wchar_t* kMachineView32 = kMachineSettingsKey;
#define SKIP_UNLESS_64_BIT()
#else
constexpr const wchar_t* kMachineView32 = kMachineSettingsKey32;
#define SKIP_UNLESS_64_BIT() GTEST_SKIP() << "the text service's read is 64-bit code"
#endif

// Starts every test without the product's keys and puts back whatever was there before.
class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::DeleteRegistryTree(HKEY_CURRENT_USER, kUserRoot);
    testing::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kMachineRoot);
    testing::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kMachineRoot32);
  }

  static void SetUser(const wchar_t* name, const RegistryValue& value) {
    ASSERT_TRUE(
        SetRegistryValue(HKEY_CURRENT_USER, kUserSettingsKey, name, value.type, value.data));
  }
  static void SetMachine(const wchar_t* name, const RegistryValue& value) {
    ASSERT_TRUE(SetRegistryValue(HKEY_LOCAL_MACHINE, kMachineView32, name, value.type, value.data));
  }

 private:
  RegistryKeyGuard user_{HKEY_CURRENT_USER, kUserRoot};
  RegistryKeyGuard machine_{HKEY_LOCAL_MACHINE, kMachineRoot};
  RegistryKeyGuard machine32_{HKEY_LOCAL_MACHINE, kMachineRoot32};
};

RegistryValue Text(const std::wstring& text, DWORD type = REG_SZ) {
  return {type, Utf16Bytes(text)};
}
RegistryValue Bytes(std::vector<uint8_t> data, DWORD type = REG_BINARY) {
  return {type, std::move(data)};
}

std::wstring ReadSettingText(const wchar_t* name, size_t capacity = 1024) {
  std::vector<wchar_t> buffer(capacity + 1, L'#');
  ReadSetting(name, buffer.data(), capacity);
  return buffer.data();
}

struct SettingCase {
  const char* what;
  std::optional<RegistryValue> user;
  std::optional<RegistryValue> machine;
  std::wstring expected;
};

TEST_F(SettingsStoreTest, SettingsReadTakesUserThenMachineWithin128Bytes) {
  SKIP_UNLESS_64_BIT();
  const std::wstring chars63(63, L'a');
  const std::wstring chars64(64, L'b');
  const std::vector<SettingCase> cases = {
      {"user wins", Text(L"C:\\User"), Text(L"C:\\Machine"), L"C:\\User"},
      {"machine when user absent", std::nullopt, Text(L"C:\\Machine"), L"C:\\Machine"},
      {"absent everywhere", std::nullopt, std::nullopt, L""},
      {"63 characters and NUL: 128 bytes", Text(chars63), Text(L"m"), chars63},
      {"64 characters and NUL: too long, next key", Text(chars64), Text(L"m"), L"m"},
      {"too long in both", Text(chars64), Text(chars64), L""},
      // Of a string type, the registry itself wants room for a NUL that the data lacks.
      {"64 characters without NUL fill 128 bytes", Bytes(Utf16Bytes(chars64, false)), std::nullopt,
       chars64},
      {"text ends at its first NUL", Bytes(Utf16Bytes(std::wstring(L"ab\0cd", 5))), std::nullopt,
       L"ab"},
      {"empty user value is found, no fallback", Bytes({}, REG_SZ), Text(L"m"), L""},
      {"odd last byte is dropped", Bytes({'x', 0, 'y'}), std::nullopt, L"x"},
      {"REG_DWORD read as two characters", Bytes({0x41, 0, 0x42, 0}, REG_DWORD), std::nullopt,
       L"AB"},
      {"a megabyte is too long", Bytes(std::vector<uint8_t>(1 << 20, 'z')), Text(L"m"), L"m"},
      {"REG_EXPAND_SZ not expanded", Text(L"%TEMP%", REG_EXPAND_SZ), std::nullopt, L"%TEMP%"},
  };
  for (const SettingCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    if (c.user)
      SetUser(L"vkbdhome", *c.user);
    if (c.machine)
      SetMachine(L"vkbdhome", *c.machine);
    EXPECT_EQ(ReadSettingText(L"vkbdhome"), c.expected);
  }
}

TEST_F(SettingsStoreTest, SettingsReadCutsToTheCallersBuffer) {
  SKIP_UNLESS_64_BIT();
  SetUser(L"korviname", Text(L"Velona Korvi"));
  EXPECT_EQ(ReadSettingText(L"korviname", 6), L"Velon");
  EXPECT_EQ(ReadSettingText(L"korviname", 1), L"");

  wchar_t untouched[2] = {L'#', L'\0'};
  ReadSetting(L"korviname", untouched, 0);
  ReadSetting(L"korviname", nullptr, 10);
  EXPECT_EQ(untouched[0], L'#');
}

struct LayoutCase {
  const char* what;
  std::optional<RegistryValue> user;
  std::optional<RegistryValue> machine;
  int32_t expected;
};

TEST_F(SettingsStoreTest, LayoutReadConvertsDecimalWithin50Bytes) {
  SKIP_UNLESS_64_BIT();
  const std::vector<LayoutCase> cases = {
      {"user wins", Text(L"5"), Text(L"2"), 5},
      {"machine when user absent", std::nullopt, Text(L"2"), 2},
      {"absent everywhere", std::nullopt, std::nullopt, 0},
      {"-1 gives 0", Text(L"-1"), Text(L"2"), 0},
      {"out of range kept", Text(L"12"), std::nullopt, 12},
      {"30 digits too long, machine", Text(std::wstring(30, L'3')), Text(L"4"), 4},
      {"24 digits fit, clamped", Text(std::wstring(24, L'9')), std::nullopt, INT32_MAX},
      {"24 digits negative, clamped", Text(L"-" + std::wstring(23, L'9')), std::nullopt, INT32_MIN},
      {"blanks, sign, stop at non-digit", Text(L" \t+7x3"), std::nullopt, 7},
      {"negative other than -1 kept", Text(L"-2"), std::nullopt, -2},
      {"letters give 0", Text(L"abc"), Text(L"4"), 0},
      {"empty user value gives 0", Bytes({}, REG_SZ), Text(L"4"), 0},
      {"REG_DWORD is no text of digits", Bytes({3, 0, 0, 0}, REG_DWORD), std::nullopt, 0},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    if (c.user)
      SetUser(L"imemode", *c.user);
    if (c.machine)
      SetMachine(L"imemode", *c.machine);
    EXPECT_EQ(ReadLayoutNumber(), c.expected);
  }
}

TEST_F(SettingsStoreTest, LayoutWriteStoresDecimalTextAndCreatesTheKey) {
  SKIP_UNLESS_64_BIT();
  ASSERT_FALSE(testing::RegistryKeyExists(HKEY_CURRENT_USER, kUserSettingsKey));
  WriteLayoutNumber(7);
  EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, kUserSettingsKey, L"imemode"),
            (RegistryValue{REG_SZ, {'7', 0, 0, 0}}));
  EXPECT_EQ(ReadLayoutNumber(), 7);

  // Into an existing key, over an existing value.
  WriteLayoutNumber(-12);
  EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, kUserSettingsKey, L"imemode"),
            (RegistryValue{REG_SZ, Utf16Bytes(L"-12")}));
  // The machine key is never written.
  EXPECT_FALSE(testing::RegistryKeyExists(HKEY_LOCAL_MACHINE, kMachineSettingsKey));
}

TEST_F(SettingsStoreTest, LayoutWriteThatCannotCreateTheKeyStoresNothing) {
  SKIP_UNLESS_64_BIT();
  // A non-volatile key cannot be made under a volatile one.
  HKEY parent = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Velona Systems\\Velona10", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(parent);
  WriteLayoutNumber(3);
  EXPECT_FALSE(testing::RegistryKeyExists(HKEY_CURRENT_USER, kUserSettingsKey));
  EXPECT_EQ(ReadLayoutNumber(), 0);
}

TEST_F(SettingsStoreTest, AttributeRecordNeedsExactly36Bytes) {
  std::vector<uint8_t> record(36);
  for (size_t i = 0; i < record.size(); ++i)
    record[i] = static_cast<uint8_t>(i + 1);
  const struct {
    const char* what;
    RegistryValue value;
    bool found;
  } cases[] = {
      {"36 bytes", Bytes(record), true},
      {"35 bytes", Bytes(std::vector<uint8_t>(record.begin(), record.end() - 1)), false},
      {"37 bytes", Bytes([&] {
         auto longer = record;
         longer.push_back(0x77);
         return longer;
       }()),
       false},
      {"empty", Bytes({}), false},
      {"36 bytes of another type", Bytes(record, REG_DWORD), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    ASSERT_TRUE(SetRegistryValue(HKEY_CURRENT_USER, kDisplayAttributeKey, L"DisplayAttributeInput",
                                 c.value.type, c.value.data));
    uint8_t read[kAttributeRecordBytes];
    std::fill(std::begin(read), std::end(read), 0xEE);
    EXPECT_EQ(ReadAttributeRecord(L"DisplayAttributeInput", read), c.found);
    const std::vector<uint8_t> expected = c.found ? c.value.data : std::vector<uint8_t>(36, 0xEE);
    EXPECT_EQ(std::vector<uint8_t>(std::begin(read), std::end(read)), expected);
  }

  SetUp();
  uint8_t read[kAttributeRecordBytes];
  EXPECT_FALSE(ReadAttributeRecord(L"DisplayAttributeInput", read)) << "no key";
  uint8_t written[kAttributeRecordBytes];
  std::copy(record.begin(), record.end(), written);
  EXPECT_TRUE(WriteAttributeRecord(L"DisplayAttributeConverted", written));
  EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, kDisplayAttributeKey, L"DisplayAttributeConverted"),
            Bytes(record));
}

// The font loader's read looks machine-wide under the path of the 32-bit view first, then under
// Wow6432Node. A 64-bit process sees them as two keys; in a 32-bit one Windows maps the first
// onto the second.
TEST_F(SettingsStoreTest, FontLoaderReadLooksMachineWideInTwoSteps) {
  DebugOutputCapture output;
  SetDebugLogEnabled(true);
  ASSERT_TRUE(SetRegistryValue(HKEY_LOCAL_MACHINE, kMachineView32, L"korvihome", REG_SZ,
                               Utf16Bytes(L"C:\\Fonts10")));
  wchar_t buffer[1024];
  ReadFontLoaderSetting(L"korvihome", buffer, 1024);
  EXPECT_STREQ(buffer, L"C:\\Fonts10");
#ifdef _WIN64
  EXPECT_EQ(output.Lines(),
            (std::vector<std::string>{
                "Reading value of 'korvihome' from HKCL\n",
                "'korvihome' Not found in HKCU, reading from HKLM instead\n",
                "'korvihome' Not found in HKLM, reading from HKLM/Wow6432Node instead\n",
                "Value of 'korvihome' is 'C:\\Fonts10'\n",
            }));

  // The first step wins when both hold the value.
  ASSERT_TRUE(SetRegistryValue(HKEY_LOCAL_MACHINE, kMachineSettingsKey32, L"korvihome", REG_SZ,
                               Utf16Bytes(L"C:\\Native")));
  ReadFontLoaderSetting(L"korvihome", buffer, 1024);
  EXPECT_STREQ(buffer, L"C:\\Native");
#else
  EXPECT_EQ(output.Lines(), (std::vector<std::string>{
                                "Reading value of 'korvihome' from HKCL\n",
                                "'korvihome' Not found in HKCU, reading from HKLM instead\n",
                                "Value of 'korvihome' is 'C:\\Fonts10'\n",
                            }));
#endif
  // Per user still comes first.
  SetUser(L"korvihome", Text(L"D:\\Mine"));
  ReadFontLoaderSetting(L"korvihome", buffer, 1024);
  EXPECT_STREQ(buffer, L"D:\\Mine");
  SetDebugLogEnabled(false);
}

TEST_F(SettingsStoreTest, DebugLogWritesTheLinesOfALookupOnlyWhenSwitchedOn) {
  SKIP_UNLESS_64_BIT();
  SetMachine(L"vkbdhome", Text(L"C:\\Korvi"));
  DebugOutputCapture output;

  ASSERT_FALSE(DebugLogEnabled()) << "the switch starts off";
  ReadSettingText(L"vkbdhome");
  EXPECT_EQ(output.Lines(), std::vector<std::string>(3, "\n"));

  output.Clear();
  SetDebugLogEnabled(true);
  ReadSettingText(L"vkbdhome");
  ReadSettingText(L"korviname");
  SetDebugLogEnabled(false);
  EXPECT_EQ(output.Lines(), (std::vector<std::string>{
                                "Reading value of 'vkbdhome' from HKCL\n",
                                "'vkbdhome' Not found in HKCU, reading from HKLM instead\n",
                                "Value of 'vkbdhome' is 'C:\\Korvi'\n",
                                "Reading value of 'korviname' from HKCL\n",
                                "'korviname' Not found in HKCU, reading from HKLM instead\n",
                                "Value of 'korviname' is ''\n",
                            }));

  // The layout read logs nothing.
  output.Clear();
  SetDebugLogEnabled(true);
  ReadLayoutNumber();
  SetDebugLogEnabled(false);
  EXPECT_TRUE(output.Lines().empty());
}

TEST(DebugLogTest, CutsLongMessagesToTheBuffer) {
  DebugOutputCapture output;
  SetDebugLogEnabled(true);
  const std::string longText(5000, 'x');
  DebugLog("%s", longText.c_str());
  DebugLog("%d %S", 42, L"wide");
  DebugLogW(L"%ls!", std::wstring(5000, L'y').c_str());
  SetDebugLogEnabled(false);
  DebugLogW(L"%ls", L"off");

  const std::vector<std::string> lines = output.Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(kDebugLogBufferSize - 1, 'x') + "\n");
  EXPECT_EQ(lines[1], "42 wide\n");
  // The wide form reaches the debugger either wide or narrowed, depending on the system.
  const std::vector<std::wstring> wide = output.WideLines();
  if (!wide.empty()) {
    EXPECT_EQ(wide, (std::vector<std::wstring>{std::wstring(kDebugLogBufferSize - 1, L'y') + L"\n",
                                               L"\n"}));
  } else {
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()),
              (std::vector<std::string>{std::string(kDebugLogBufferSize - 1, 'y') + "\n", "\n"}));
  }
}

}  // namespace
}  // namespace korvi
