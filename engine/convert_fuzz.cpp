// Random key streams in random layouts, with resets, layout changes and mode
// switches between keys. Every key must leave the buffers terminated within
// their capacities and give a count that is never negative.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "keys.h"
#include "keystate.h"
#include "shift_state.h"

namespace {

using namespace korvi;

// Layout numbers a stored setting might hold, valid or not.
constexpr int32_t kLayouts[] = {0, 1, 2, 3, 4, 5, 6, 7, -1, 8, 255, INT32_MIN, INT32_MAX};

// Every key with a character, and the keys the service treats specially.
constexpr uint16_t kKeys[] = {0x41,
                              0x42,
                              0x43,
                              0x44,
                              0x45,
                              0x46,
                              0x47,
                              0x48,
                              0x49,
                              0x4A,
                              0x4B,
                              0x4C,
                              0x4D,
                              0x4E,
                              0x4F,
                              0x50,
                              0x51,
                              0x52,
                              0x53,
                              0x54,
                              0x55,
                              0x56,
                              0x57,
                              0x58,
                              0x59,
                              0x5A,
                              0x30,
                              0x31,
                              0x32,
                              0x33,
                              0x34,
                              0x35,
                              0x36,
                              0x37,
                              0x38,
                              0x39,
                              vk::Oem1,
                              vk::OemPlus,
                              vk::OemComma,
                              vk::OemMinus,
                              vk::OemPeriod,
                              vk::Oem2,
                              vk::Oem3,
                              vk::Oem4,
                              vk::Oem5,
                              vk::Oem6,
                              vk::Oem7,
                              vk::Back,
                              vk::Tab,
                              vk::Return,
                              vk::Space,
                              vk::Escape,
                              vk::Left,
                              vk::Right,
                              vk::Shift,
                              vk::F12,
                              0x24,
                              0x70,
                              0};

void Check(bool condition) {
  if (!condition)
    std::abort();
}

template <int N>
void CheckTerminated(const char16_t (&text)[N]) {
  int n = 0;
  while (n < N && text[n] != 0)
    ++n;
  Check(n < N);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetWordState();
  SetTamil99Rules(true);
  KeyState state;
  int32_t layout = 0;
  bool tamilMode = true;

  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = data[i];
    switch (b) {
      case 0xF0:  // the word ends
        ResetAfterWordEnd(state);
        continue;
      case 0xF1:  // the user picks another layout
        if (i + 1 < size)
          layout = kLayouts[data[++i] % (sizeof(kLayouts) / sizeof(kLayouts[0]))];
        continue;
      case 0xF2:
        SetTamil99Rules(!Tamil99Rules());
        continue;
      case 0xF3:
        tamilMode = !tamilMode;
        continue;
      case 0xF4:  // an edit that wrote nothing
        NoteEditNotWritten(state);
        continue;
      case 0xF5:  // a raw character straight into the engine
        if (i + 2 < size) {
          const char16_t ch = static_cast<char16_t>(data[i + 1] | (data[i + 2] << 8));
          i += 2;
          const int32_t result = ConvertKey(ch, state.previousChar, state.outputBuffer,
                                            state.engineStateByte, layout, state.afterBackspace);
          Check(result >= -1 && result <= 4);
          CheckTerminated(state.outputBuffer);
          state.previousChar = ch;
        }
        continue;
      default:
        break;
    }
    // The low seven bits pick a key, the high bit Shift; Caps Lock from the
    // key's position in the stream keeps both states in play.
    const uint16_t virtualKey = kKeys[(b & 0x7F) % (sizeof(kKeys) / sizeof(kKeys[0]))];
    const bool shift = (b & 0x80) != 0;
    const bool capsLock = (i % 7) == 3;
    SetShiftDown(shift);
    const KeyAction action = DispatchKey(virtualKey, tamilMode, layout);
    if (action == KeyAction::LookUpWord || action == KeyAction::Swallow)
      continue;
    if (action == KeyAction::MoveCaret) {
      state.ResetKeyContext();
      continue;
    }
    const KeyEdit edit = ComputeKeyEdit(state, virtualKey, shift, capsLock, tamilMode, layout);
    Check(edit.count >= 0);
    Check(edit.count <= kOutputBufferCapacity);
    CheckTerminated(state.outputBuffer);
    CheckTerminated(state.lastOutput);
    CheckTerminated(state.outputBeforeLast);
    Check(state.lastOutputLength >= 0 && state.lastOutputLength < kOutputBufferCapacity);
    if (WordEndsAfterApply(action, state, virtualKey, layout))
      ResetAfterWordEnd(state);
  }
  SetShiftDown(false);
  return 0;
}
