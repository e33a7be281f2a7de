#include "shift_state.h"
#include "test_shift.h"

namespace korvi::testing {
void PressShift(bool down) {
  SetShiftDown(down);
}
}  // namespace korvi::testing
