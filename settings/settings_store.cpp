#include "settings/settings_store.h"

#include <cstdio>
#include <cwchar>

#include "settings/debug_log.h"

namespace korvi {
namespace {

// Queries one value as text with room for maxBytes of data. text must hold maxBytes / 2 + 1
// characters: the data may lack its NUL, and an odd last byte is dropped.
bool QueryText(HKEY root, const wchar_t* path, const wchar_t* name, DWORD maxBytes, wchar_t* text) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD size = maxBytes;
  const LONG result =
      RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || size > maxBytes)
    return false;
  text[size / sizeof(wchar_t)] = L'\0';
  return true;
}

void CopyText(const wchar_t* text, wchar_t* buffer, size_t capacity) {
  size_t i = 0;
  for (; i + 1 < capacity && text[i] != L'\0'; ++i)
    buffer[i] = text[i];
  buffer[i] = L'\0';
}

void LookUpSetting(const wchar_t* name, wchar_t* buffer, size_t capacity, bool fontLoader) {
  if (!buffer || capacity == 0)
    return;
  DebugLog("Reading value of '%S' from HKCL", name);
  wchar_t text[kSettingMaxBytes / sizeof(wchar_t) + 1];
  bool found = QueryText(HKEY_CURRENT_USER, kUserSettingsKey, name, kSettingMaxBytes, text);
  if (!found) {
    DebugLog("'%S' Not found in HKCU, reading from HKLM instead", name);
    if (fontLoader) {
      found = QueryText(HKEY_LOCAL_MACHINE, kMachineSettingsKey32, name, kSettingMaxBytes, text);
      if (!found) {
        DebugLog("'%S' Not found in HKLM, reading from HKLM/Wow6432Node instead", name);
      }
    }
    if (!found) {
      found = QueryText(HKEY_LOCAL_MACHINE, kMachineSettingsKey, name, kSettingMaxBytes, text);
    }
  }
  if (!found)
    text[0] = L'\0';
  CopyText(text, buffer, capacity);
  DebugLog("Value of '%S' is '%S'", name, buffer);
}

bool IsBlank(wchar_t c) {
  return c == L' ' || (c >= L'\t' && c <= L'\r');
}

}  // namespace

void ReadSetting(const wchar_t* name, wchar_t* buffer, size_t capacity) {
  LookUpSetting(name, buffer, capacity, false);
}

void ReadFontLoaderSetting(const wchar_t* name, wchar_t* buffer, size_t capacity) {
  LookUpSetting(name, buffer, capacity, true);
}

int32_t ParseDecimal(const wchar_t* text) {
  if (!text)
    return 0;
  while (IsBlank(*text))
    ++text;
  bool negative = false;
  if (*text == L'+' || *text == L'-')
    negative = *text++ == L'-';
  // Clamped one past the range, so that the sign can still be applied.
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
  int64_t value = 0;
  for (; *text >= L'0' && *text <= L'9'; ++text) {
    value = value * 10 + (*text - L'0');
    if (value > kLimit)
      value = kLimit;
  }
  if (negative)
    return static_cast<int32_t>(-value);
  return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
}

int32_t ReadLayoutNumber() {
  wchar_t text[kLayoutMaxBytes / sizeof(wchar_t) + 1];
  const wchar_t name[] = L"imemode";
  if (!QueryText(HKEY_CURRENT_USER, kUserSettingsKey, name, kLayoutMaxBytes, text) &&
      !QueryText(HKEY_LOCAL_MACHINE, kMachineSettingsKey, name, kLayoutMaxBytes, text)) {
    return 0;
  }
  const int32_t layout = ParseDecimal(text);
  return layout == -1 ? 0 : layout;
}

void WriteLayoutNumber(int32_t layout) {
  wchar_t text[40];
  const int length = swprintf(text, 40, L"%d", static_cast<int>(layout));
  if (length <= 0)
    return;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kUserSettingsKey, 0, KEY_ALL_ACCESS, &key) !=
          ERROR_SUCCESS &&
      RegCreateKeyExW(HKEY_CURRENT_USER, kUserSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(key, L"imemode", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>((length + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

bool ReadAttributeRecord(const wchar_t* valueName, uint8_t (&record)[kAttributeRecordBytes]) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kDisplayAttributeKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  // Read into a scratch record, so that a value of another size never touches the caller's.
  uint8_t data[kAttributeRecordBytes];
  DWORD size = sizeof data;
  const LONG result = RegQueryValueExW(key, valueName, nullptr, nullptr, data, &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || size != kAttributeRecordBytes)
    return false;
  for (DWORD i = 0; i < kAttributeRecordBytes; ++i)
    record[i] = data[i];
  return true;
}

bool WriteAttributeRecord(const wchar_t* valueName,
                          const uint8_t (&record)[kAttributeRecordBytes]) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kDisplayAttributeKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG result = RegSetValueExW(key, valueName, 0, REG_BINARY, record, kAttributeRecordBytes);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

}  // namespace korvi
