#include "textservice/companion.h"

#include <cwchar>

#include "settings/settings_store.h"

namespace korvi {
namespace {

// vkbdhome's room in the settings read.
constexpr size_t kInstallFolderRoom = 1024;

ShellExecuteFunction g_shellExecute = ShellExecuteExW;

// Reads vkbdhome and builds the program's path; false when the setting is empty (the program is
// not installed) and leaves path empty when it is too long.
bool InstalledProgramPath(const wchar_t* program, wchar_t (&path)[kProgramPathRoom + 1]) {
  wchar_t home[kInstallFolderRoom];
  ReadSetting(L"vkbdhome", home, kInstallFolderRoom);
  path[0] = L'\0';
  if (home[0] == L'\0')
    return false;
  CompanionProgramPath(home, program, path);
  return true;
}

// Starts a program with the shell. The process handle is asked for and closed at once: the
// service runs inside every application that hosts it and must not leave a handle behind in each.
bool StartProgram(const wchar_t* path, const wchar_t* parameters) {
  if (path[0] == L'\0')
    return false;
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"open";
  info.lpFile = path;
  info.lpParameters = parameters;
  info.nShow = SW_SHOWDEFAULT;
  const bool started = g_shellExecute(&info);
  if (info.hProcess)
    CloseHandle(info.hProcess);
  return started;
}

void ShowMessage(const wchar_t* text, const wchar_t* caption) {
  MessageBoxW(nullptr, text, caption, MB_OK);
}

bool WriteLookupFile(const wchar_t* word, size_t length) {
  wchar_t path[kLookupFilePathRoom];
  if (!LookupFilePath(path))
    return false;
  HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  // Byte-order mark, word, "{~}", word: little-endian UTF-16, no line end.
  wchar_t text[1 + kLookupWordRoom + 3 + kLookupWordRoom];
  size_t used = 0;
  text[used++] = 0xFEFF;
  wmemcpy(text + used, word, length);
  used += length;
  wmemcpy(text + used, L"{~}", 3);
  used += 3;
  wmemcpy(text + used, word, length);
  used += length;
  const DWORD bytes = static_cast<DWORD>(used * sizeof(wchar_t));
  DWORD written = 0;
  const bool ok = WriteFile(file, text, bytes, &written, nullptr) && written == bytes;
  CloseHandle(file);
  return ok;
}

void SendToKeyboard(WPARAM command, LPARAM value) {
  if (HWND keyboard = FindVisualKeyboardWindow()) {
    SendMessageW(keyboard, WM_COMMAND, command, value);
  }
}

}  // namespace

HWND FindLookupServerWindow() {
  return FindWindowExW(nullptr, nullptr, nullptr, kLookupServerTitle);
}

HWND FindVisualKeyboardWindow() {
  return FindWindowW(kVisualKeyboardClass, nullptr);
}

UINT LookupMessage() {
  return RegisterWindowMessageW(kLookupMessageName);
}

bool LookupFilePath(wchar_t (&path)[kLookupFilePathRoom]) {
  path[0] = L'\0';
  wchar_t temp[kTempRoom + 1];
  const DWORD length = GetEnvironmentVariableW(L"TEMP", temp, kTempRoom + 1);
  // 0: unset or empty, which would put the file at the root of the drive; more: too long.
  if (length == 0 || length > kTempRoom)
    return false;
  swprintf(path, kLookupFilePathRoom, L"%ls%ls%ls", temp, temp[length - 1] == L'\\' ? L"" : L"\\",
           kLookupFileName);
  return true;
}

bool CompanionProgramPath(const wchar_t* home, const wchar_t* program,
                          wchar_t (&path)[kProgramPathRoom + 1]) {
  path[0] = L'\0';
  size_t homeLength = wcsnlen(home, kProgramPathRoom + 1);
  if (homeLength > 0 && home[homeLength - 1] == L'\\')
    --homeLength;
  const size_t programLength = wcslen(program);
  if (homeLength + programLength > kProgramPathRoom)
    return false;
  wmemcpy(path, home, homeLength);
  wmemcpy(path + homeLength, program, programLength);
  path[homeLength + programLength] = L'\0';
  return true;
}

void StartLookupServer() {
  if (FindLookupServerWindow())
    return;
  wchar_t path[kProgramPathRoom + 1];
  if (!InstalledProgramPath(kLookupServerProgram, path)) {
    ShowMessage(L"Cannot locate lookup server. Perhaps it is not installed.", L"Korvi 10");
    return;
  }
  if (!StartProgram(path, L"")) {
    ShowMessage(L"There was a problem starting the lookup server", L"Starting Lookup Server");
  }
}

void SendLookupWord(const wchar_t* word) {
  const size_t length = word ? wcsnlen(word, kLookupWordRoom) : 0;
  const bool written = WriteLookupFile(word ? word : L"", length);
  HWND server = FindLookupServerWindow();
  const UINT message = LookupMessage();
  if (server && written && message != 0)
    PostMessageW(server, WM_COMMAND, message, 0);
}

void ShowCompanionKeyboard(UINT command) {
  const wchar_t* mode = command == kCommandVisualKeyboard     ? L"vkbd"
                        : command == kCommandCharacterPalette ? L"cmap"
                                                              : nullptr;
  if (!mode)
    return;
  if (HWND keyboard = FindVisualKeyboardWindow()) {
    SendMessageW(keyboard, WM_COMMAND, kShowKeyboard, mode[0]);
    return;
  }
  wchar_t path[kProgramPathRoom + 1];
  if (!InstalledProgramPath(kVisualKeyboardProgram, path)) {
    ShowMessage(L"Cannot locate component. Perhaps it is not installed.", L"Korvi 10");
    return;
  }
  StartProgram(path, mode);
  // A keyboard that is up already hears the mode at once; one that is still starting reads it
  // from its command line.
  SendToKeyboard(kShowKeyboard, mode[0]);
}

void NotifyKeyboardFocus() {
  SendToKeyboard(kKeyboardFocus, reinterpret_cast<LPARAM>(GetFocus()));
}

void NotifyVisualKeyboardActivated() {
  SendToKeyboard(kShowKeyboard, 0);
  NotifyKeyboardFocus();
}

void NotifyVisualKeyboardDeactivated() {
  SendToKeyboard(kHideKeyboard, 0);
}

void SetShellExecuteForTesting(ShellExecuteFunction function) {
  g_shellExecute = function ? function : ShellExecuteExW;
}

}  // namespace korvi
