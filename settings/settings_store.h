// The settings store: the product's values in the registry, looked up per user first and then
// machine-wide. Nothing is cached; every call opens, reads or writes, and closes its key.
//
// Reads never fail: an absent value, a key that cannot be opened and a value longer than the
// read's limit all read as the empty string (or layout 0). The data of a value is taken as UTF-16
// text whatever its registry type, and ends at its first NUL or at the end of its data.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace korvi {

// HKEY_CURRENT_USER: the per-user settings (the text service writes imemode here).
inline constexpr wchar_t kUserSettingsKey[] = L"Software\\Velona Systems\\Velona10\\ini";
// HKEY_LOCAL_MACHINE, written by the installer: the 32-bit view, read directly by 64-bit code.
inline constexpr wchar_t kMachineSettingsKey[] =
    L"Software\\Wow6432Node\\Velona Systems\\Velona10\\ini";
// HKEY_LOCAL_MACHINE as a 32-bit program names it (Windows maps it to the 32-bit view).
inline constexpr wchar_t kMachineSettingsKey32[] = L"Software\\Velona Systems\\Velona10\\ini";
// HKEY_CURRENT_USER: the display-attribute overrides (no machine-wide fallback).
inline constexpr wchar_t kDisplayAttributeKey[] =
    L"Software\\Velona Systems\\Velona10\\Text Service";

// Largest value data each read accepts, in bytes: 63 characters and a NUL, or 24 and a NUL.
inline constexpr DWORD kSettingMaxBytes = 128;
inline constexpr DWORD kLayoutMaxBytes = 50;
// A display-attribute record: one TF_DISPLAYATTRIBUTE.
inline constexpr DWORD kAttributeRecordBytes = 36;

// Reads a setting (vkbdhome, korviname, ...) into buffer, which receives at most capacity - 1
// characters and a NUL; the empty string when neither key holds an acceptable value. Writes the
// three debug-log lines of a lookup. Nothing is written when buffer is null or capacity is 0.
void ReadSetting(const wchar_t* name, wchar_t* buffer, size_t capacity);

// The font loader's read: as ReadSetting, but the machine-wide value is looked for first under
// kMachineSettingsKey32 and then under kMachineSettingsKey.
void ReadFontLoaderSetting(const wchar_t* name, wchar_t* buffer, size_t capacity);

// The layout number from imemode (per user, then machine-wide), as decimal text. Absent gives 0,
// and so does a stored -1; any other number comes back unchanged.
int32_t ReadLayoutNumber();

// Stores the layout number per user as decimal REG_SZ text, creating the key when it is missing.
// Failures are silent: the caller keeps the new number in memory.
void WriteLayoutNumber(int32_t layout);

// Decimal conversion of the layout read: leading blanks and one sign, digits up to the first
// non-digit; no number gives 0; values beyond the 32-bit range are clamped to it.
int32_t ParseDecimal(const wchar_t* text);

// A display-attribute record under kDisplayAttributeKey. The read is true only when the value
// exists with exactly kAttributeRecordBytes bytes (its type is not examined); the write stores
// REG_BINARY and is true when the key could be opened or created and the value set.
bool ReadAttributeRecord(const wchar_t* valueName, uint8_t (&record)[kAttributeRecordBytes]);
bool WriteAttributeRecord(const wchar_t* valueName, const uint8_t (&record)[kAttributeRecordBytes]);

}  // namespace korvi
