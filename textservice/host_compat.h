// Adaptations to host applications that do not take the service's document edits well.
//
// DetectHost classifies the host once per service object from its command line and the major
// Windows version. DeleteByKeystrokes removes characters before the caret with simulated Backspace
// keystrokes sent or posted to the focus window, in the form that the focus window's class needs.
#pragma once

#include <windows.h>

#include <cstddef>

namespace korvi {

struct HostFlags {
  // Compositions carry display attributes (not in Word).
  bool markCompositions = true;
  // Replaced characters are removed with DeleteByKeystrokes instead of a document edit.
  bool keystrokeCorrections = false;
  // In the plain keystroke form, a WM_CHAR Backspace is posted between key-down and key-up.
  bool postBackspaceChar = true;
  // One Backspace per two characters.
  bool pairedBackspaces = false;

  friend bool operator==(const HostFlags& a, const HostFlags& b) {
    return a.markCompositions == b.markCompositions &&
           a.keystrokeCorrections == b.keystrokeCorrections &&
           a.postBackspaceChar == b.postBackspaceChar && a.pairedBackspaces == b.pairedBackspaces;
  }
};

// What the detection looks at: the host's command line and the major Windows version.
struct HostFacts {
  const wchar_t* commandLine = L"";
  DWORD majorVersion = 0;
};

// Only this many characters of the command line are looked at; the rest is cut off. The program
// name comes first, so a cut never hides the host itself.
inline constexpr size_t kCommandLineRoom = 510;

// The facts of this process: GetCommandLineW and GetVersionExW.
HostFacts CurrentHostFacts();

// The flags for a host. All tests are substring tests on the upper-cased (ASCII only) command
// line; a null command line counts as empty.
HostFlags DetectHost(const HostFacts& facts);
inline HostFlags DetectHost() {
  return DetectHost(CurrentHostFacts());
}

// Key data of the simulated keystrokes: repeat count 1, scan code 0x0E; key-up also has the
// previous-state and transition bits.
inline constexpr LPARAM kKeyDownData = 0x000E0001;
inline constexpr LPARAM kKeyUpData = static_cast<LPARAM>(0xC00E0001u);

// The longest output looked at, in UTF-16 units: the room of the service's output buffer.
inline constexpr size_t kKeystrokeOutputRoom = 30;

// Removes count characters before the caret of the focus window by keystrokes. output is the text
// that replaces them; only the forms for paneClassDC and Opera windows type it as WM_CHAR too.
// Nothing happens for count <= 0 or without a focus window. Failed sends and posts are ignored.
void DeleteByKeystrokes(const HostFlags& flags, int count, const wchar_t* output);

}  // namespace korvi
