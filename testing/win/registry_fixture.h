// Registry helpers for tests that read and write real keys.
//
// RegistryKeyGuard snapshots a key with all its values and sub-keys (or notes that it is absent)
// and puts exactly that back when it goes, so a test leaves the registry as it found it. Guard the
// topmost key that the code under test may create, not only the one it writes to.
//
//   RegistryKeyGuard user(HKEY_CURRENT_USER, L"Software\\Velona Systems");
//   SetRegistryValue(HKEY_CURRENT_USER, L"Software\\Velona Systems\\Velona10\\ini", L"imemode",
//                    REG_SZ, Utf16Bytes(L"5"));
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvi::testing {

struct RegistryValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;

  friend bool operator==(const RegistryValue& a, const RegistryValue& b) {
    return a.type == b.type && a.data == b.data;
  }
};

// The bytes of text as UTF-16LE; with the terminating NUL unless told otherwise.
std::vector<uint8_t> Utf16Bytes(const std::wstring& text, bool withNul = true);

// Creates the key (and its parents) when missing, then sets the value. False on failure.
bool SetRegistryValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type,
                      const std::vector<uint8_t>& data);
// The value's type and bytes, or nothing when the key or value is absent.
std::optional<RegistryValue> GetRegistryValue(HKEY root, const std::wstring& path,
                                              const wchar_t* name);
bool RegistryKeyExists(HKEY root, const std::wstring& path);
// Deletes the key with everything under it; true also when it did not exist.
bool DeleteRegistryTree(HKEY root, const std::wstring& path);

class RegistryKeyGuard {
 public:
  RegistryKeyGuard(HKEY root, std::wstring path);
  ~RegistryKeyGuard();
  RegistryKeyGuard(const RegistryKeyGuard&) = delete;
  RegistryKeyGuard& operator=(const RegistryKeyGuard&) = delete;

  struct Snapshot;

 private:
  HKEY root_;
  std::wstring path_;
  std::unique_ptr<Snapshot> snapshot_;  // null when the key was absent
};

}  // namespace korvi::testing
