#include "testing/win/registry_fixture.h"

#include <utility>

namespace korvi::testing {

struct RegistryKeyGuard::Snapshot {
  std::vector<std::pair<std::wstring, RegistryValue>> values;
  std::vector<std::pair<std::wstring, std::unique_ptr<Snapshot>>> keys;
};

namespace {

using Snapshot = RegistryKeyGuard::Snapshot;

std::unique_ptr<Snapshot> Take(HKEY key) {
  auto snapshot = std::make_unique<Snapshot>();
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384;
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
      break;
    }
    RegistryValue value;
    value.type = type;
    value.data.resize(size);
    DWORD read = size;
    RegQueryValueExW(key, name, nullptr, nullptr, value.data.empty() ? nullptr : value.data.data(),
                     &read);
    value.data.resize(read);
    snapshot->values.emplace_back(name, std::move(value));
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS)
      continue;
    snapshot->keys.emplace_back(name, Take(sub));
    RegCloseKey(sub);
  }
  return snapshot;
}

void Restore(HKEY root, const std::wstring& path, const Snapshot& snapshot) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  for (const auto& [name, value] : snapshot.values) {
    RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, value.type, value.data.data(),
                   static_cast<DWORD>(value.data.size()));
  }
  RegCloseKey(key);
  for (const auto& [name, sub] : snapshot.keys)
    Restore(root, path + L"\\" + name, *sub);
}

}  // namespace

std::vector<uint8_t> Utf16Bytes(const std::wstring& text, bool withNul) {
  std::vector<uint8_t> bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  if (withNul)
    bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

bool SetRegistryValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type,
                      const std::vector<uint8_t>& data) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const LONG result =
      RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

std::optional<RegistryValue> GetRegistryValue(HKEY root, const std::wstring& path,
                                              const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RegistryValue value;
  DWORD size = 0;
  LONG result = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    value.data.resize(size);
    result = RegQueryValueExW(key, name, nullptr, &value.type,
                              value.data.empty() ? nullptr : value.data.data(), &size);
    value.data.resize(size);
  }
  RegCloseKey(key);
  if (result != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

bool RegistryKeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

bool DeleteRegistryTree(HKEY root, const std::wstring& path) {
  const LONG result = RegDeleteTreeW(root, path.c_str());
  if (result == ERROR_FILE_NOT_FOUND)
    return true;
  if (result != ERROR_SUCCESS)
    return false;
  return RegDeleteKeyW(root, path.c_str()) == ERROR_SUCCESS || !RegistryKeyExists(root, path);
}

RegistryKeyGuard::RegistryKeyGuard(HKEY root, std::wstring path)
    : root_(root), path_(std::move(path)) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    snapshot_ = Take(key);
    RegCloseKey(key);
  }
}

RegistryKeyGuard::~RegistryKeyGuard() {
  DeleteRegistryTree(root_, path_);
  if (snapshot_)
    Restore(root_, path_, *snapshot_);
}

}  // namespace korvi::testing
