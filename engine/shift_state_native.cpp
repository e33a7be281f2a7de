#include "shift_state.h"

namespace korvi {
namespace {
bool shiftDown = false;
}  // namespace

bool IsShiftDown() {
  return shiftDown;
}
void SetShiftDown(bool down) {
  shiftDown = down;
}

}  // namespace korvi
