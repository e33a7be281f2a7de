#include <windows.h>

#include "shift_state.h"

namespace korvi {

// High bit set: the key is down.
bool IsShiftDown() {
  return (GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

}  // namespace korvi
