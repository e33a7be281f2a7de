#include "textservice/key_state_reader.h"

namespace korvi {

SHORT ReadKeyState(int virtualKey) {
  return GetKeyState(virtualKey);
}

KeyModifiers ReadKeyModifiers() {
  KeyModifiers m;
  m.shift = IsKeyDown(VK_SHIFT);
  m.control = IsKeyDown(VK_CONTROL);
  m.alt = IsKeyDown(VK_MENU);
  m.leftWin = IsKeyDown(VK_LWIN);
  m.rightWin = IsKeyDown(VK_RWIN);
  m.apps = IsKeyDown(VK_APPS);
  m.capsLock = (ReadKeyState(VK_CAPITAL) & 0x0001) != 0;
  return m;
}

}  // namespace korvi
