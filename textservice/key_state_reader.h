// The one place where the text service reads the keyboard: the state of the keys that key
// handling looks at, through GetKeyState of the calling thread. (The engine's Shift query uses the
// same import, so a benchmark that redirects the DLL's user32!GetKeyState serves every read.)
#pragma once

#include <windows.h>

#include "engine/keystate.h"

namespace korvi {

// The Windows key state of one virtual key (high bit: down; low bit: toggled).
SHORT ReadKeyState(int virtualKey);

// Shift, Control, Alt, both Windows keys, Applications and Caps Lock's toggle, now.
KeyModifiers ReadKeyModifiers();

inline bool IsKeyDown(int virtualKey) {
  return (ReadKeyState(virtualKey) & 0x8000) != 0;
}

}  // namespace korvi
