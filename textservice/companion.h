// The two companion programs beside the text service: the lookup server (a hidden window that
// looks up words) and the visual keyboard / character palette. Both live in the folder of the
// vkbdhome setting. This file holds everything the service and the programs agree on: names,
// messages, the lookup file, and how the programs are started.
//
// Every message is WM_COMMAND. The visual keyboard's are sent (the service waits for each); the
// lookup server's are posted. A missing window means no message.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstddef>

namespace korvi {

// The lookup server is found by its window title (any class), the visual keyboard by its window
// class (any title).
inline constexpr wchar_t kLookupServerTitle[] = L"Korvi10WinSvcFormHidden";
inline constexpr wchar_t kVisualKeyboardClass[] = L"KORVI10VKBDAPP";

// Program files, appended to the vkbdhome folder.
inline constexpr wchar_t kLookupServerProgram[] = L"\\Korvi10WindowsServiceApp.exe";
inline constexpr wchar_t kVisualKeyboardProgram[] = L"\\Korvi10VkbdApp.exe";

// The registered message that tells the lookup server a word waits in the lookup file. It travels
// as the wParam of a posted WM_COMMAND.
inline constexpr wchar_t kLookupMessageName[] = L"VelonaKorvi10.lookupword.lookup";
// The font loader's command to the lookup server (its "qwsa" command line).
inline constexpr WPARAM kLookupServerQwsaCommand = 19200;

// Commands to the visual keyboard. kShowKeyboard carries 'v' (visual keyboard), 'c' (character
// palette) or 0 (the service was activated); kKeyboardFocus the window with the keyboard focus.
inline constexpr WPARAM kShowKeyboard = 9900;
inline constexpr WPARAM kHideKeyboard = 9901;
inline constexpr WPARAM kKeyboardFocus = 9902;

// Menu commands that open the companion keyboard.
inline constexpr UINT kCommandVisualKeyboard = 30;
inline constexpr UINT kCommandCharacterPalette = 31;

// The lookup file in the TEMP folder: UTF-16LE with a byte-order mark, holding "word{~}word".
inline constexpr wchar_t kLookupFileName[] = L"korvi_lookup_word.dat";

// Rooms, in UTF-16 units without the NUL. Longer values are refused (TEMP, the program path) or
// cut (the word).
inline constexpr size_t kLookupWordRoom = 99;
inline constexpr size_t kTempRoom = 2047;
inline constexpr size_t kProgramPathRoom = 1023;

HWND FindLookupServerWindow();
HWND FindVisualKeyboardWindow();
UINT LookupMessage();

// TEMP, a backslash unless TEMP ends in one, and kLookupFileName. False (and an empty path) when
// TEMP is unset, empty, or longer than kTempRoom. path must hold kTempRoom + 24 characters.
inline constexpr size_t kLookupFilePathRoom = kTempRoom + 24;
bool LookupFilePath(wchar_t (&path)[kLookupFilePathRoom]);

// The program path: home with one trailing backslash dropped, then program (which starts with a
// backslash). False when it would not fit kProgramPathRoom.
bool CompanionProgramPath(const wchar_t* home, const wchar_t* program,
                          wchar_t (&path)[kProgramPathRoom + 1]);

// Starts the lookup server from vkbdhome unless its window exists; tells the user when it cannot.
// It does not wait for the server.
void StartLookupServer();

// Hands a word (at most kLookupWordRoom units are taken) to the lookup server: writes the lookup
// file, then posts the lookup message if the server's window exists. When the file cannot be
// written nothing is posted, so the server never looks up a stale word. Failures are quiet.
void SendLookupWord(const wchar_t* word);

// Menu commands kCommandVisualKeyboard and kCommandCharacterPalette: shows the running keyboard in
// that mode, or starts it from vkbdhome with the mode ("vkbd" or "cmap") as its parameter. Other
// commands do nothing.
void ShowCompanionKeyboard(UINT command);

// kKeyboardFocus with the focus window of this thread.
void NotifyKeyboardFocus();
// On activation: kShowKeyboard with 0, then the focus notice.
void NotifyVisualKeyboardActivated();
// On deactivation: kHideKeyboard.
void NotifyVisualKeyboardDeactivated();

// The shell call that starts the programs; tests may wrap it to watch what is asked and given back.
// Null restores ShellExecuteExW.
using ShellExecuteFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOW* info);
void SetShellExecuteForTesting(ShellExecuteFunction function);

}  // namespace korvi
