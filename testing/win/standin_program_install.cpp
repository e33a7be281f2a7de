#include <windows.h>

#include "testing/win/standin_program.h"

#ifndef KORVI_STANDIN_PROGRAM
#error "KORVI_STANDIN_PROGRAM must name the built stand-in program"
#endif

namespace korvi::testing {
namespace {

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH + 1] = L"";
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  std::wstring folder(temp, length <= MAX_PATH ? length : 0);
  if (!folder.empty() && folder.back() == L'\\')
    folder.pop_back();
  return folder;
}

}  // namespace

std::wstring HostPathToWindows(const std::string& hostPath) {
  std::wstring path = L"Z:";
  for (char c : hostPath)
    path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

std::wstring StandinProgramPath() {
  return HostPathToWindows(KORVI_STANDIN_PROGRAM);
}

StandinInstall::StandinInstall(const std::wstring& folderName) {
  folder_ = TempFolder() + L"\\" + folderName + L"-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder_.c_str(), nullptr);
  record_ = folder_ + L"\\started.txt";
  SetEnvironmentVariableW(L"KORVI_STANDIN_RECORD", record_.c_str());
}

StandinInstall::~StandinInstall() {
  SetEnvironmentVariableW(L"KORVI_STANDIN_RECORD", nullptr);
  DeleteFileW(record_.c_str());
  DeleteFileW((record_ + L".partial").c_str());
  for (const std::wstring& file : installed_)
    DeleteFileW(file.c_str());
  RemoveDirectoryW(folder_.c_str());
}

bool StandinInstall::Install(const std::wstring& fileName) {
  const std::wstring target = folder_ + L"\\" + fileName;
  if (!CopyFileW(StandinProgramPath().c_str(), target.c_str(), FALSE))
    return false;
  installed_.push_back(target);
  return true;
}

bool StandinInstall::Started() const {
  return GetFileAttributesW(record_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<StandinRun> StandinInstall::WaitForStart() {
  // The stand-in's rename may still hold the record open for a moment, so opening is retried
  // as well.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int i = 0; i < 1000 && file == INVALID_HANDLE_VALUE; ++i) {
    file = CreateFileW(record_.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      Sleep(10);
  }
  if (file == INVALID_HANDLE_VALUE)
    return std::nullopt;
  std::wstring text;
  wchar_t chunk[512];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) {
    text.append(chunk, read / sizeof(wchar_t));
  }
  CloseHandle(file);
  DeleteFileW(record_.c_str());

  StandinRun run;
  size_t start = 0;
  bool first = true;
  for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
    std::wstring line = text.substr(start, end - start);
    if (first) {
      run.program = line;
      first = false;
    } else {
      run.arguments.push_back(line);
    }
  }
  return run;
}

}  // namespace korvi::testing
