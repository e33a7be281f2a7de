// The one place where the engine asks for the keyboard: is Shift down now.
// Windows builds read GetKeyState(VK_SHIFT) of the calling thread; native
// builds read a flag that tools and tests set.
#pragma once

namespace korvi {

bool IsShiftDown();

#if !defined(_WIN32)
// Native builds only: the Shift state that IsShiftDown reports.
void SetShiftDown(bool down);
#endif

}  // namespace korvi
