#include <windows.h>

#include "test_shift.h"

namespace korvi::testing {

// SetKeyboardState changes what GetKeyState reports on this thread, so the
// engine's real Windows seam is exercised.
void PressShift(bool down) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const BYTE state = down ? 0x80 : 0x00;
  keys[VK_SHIFT] = state;
  keys[VK_LSHIFT] = state;
  SetKeyboardState(keys);
}

}  // namespace korvi::testing
