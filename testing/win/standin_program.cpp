// A stand-in for the companion programs. Copied under a companion's file name into a test's
// install folder, it proves that it was started, and how: it writes its own path and then each of
// its arguments, one per line, as UTF-16LE into the file that the environment variable
// KORVI_STANDIN_RECORD names, and exits. The record appears at once and complete (written beside
// it, then renamed), so a test may poll for it.
#include <windows.h>

#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t recordPath[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"KORVI_STANDIN_RECORD", recordPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return 2;

  wchar_t self[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring record = std::wstring(self) + L"\n";
  int argc = 0;
  if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    for (int i = 1; i < argc; ++i)
      record += std::wstring(argv[i]) + L"\n";
    LocalFree(argv);
  }

  const std::wstring partial = std::wstring(recordPath) + L".partial";
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return 3;
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size() * sizeof(wchar_t)), &written,
            nullptr);
  CloseHandle(file);
  return MoveFileExW(partial.c_str(), recordPath, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
