// Tests hold Shift down through the keyboard state that the engine reads:
// the native flag, or the thread's keyboard state under Windows.
#pragma once

namespace korvi::testing {

void PressShift(bool down);

// Holds Shift down (or up) for a scope and releases it afterwards.
class ShiftHeld {
 public:
  explicit ShiftHeld(bool down = true) { PressShift(down); }
  ~ShiftHeld() { PressShift(false); }
  ShiftHeld(const ShiftHeld&) = delete;
  ShiftHeld& operator=(const ShiftHeld&) = delete;
};

}  // namespace korvi::testing
