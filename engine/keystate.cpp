#include "keystate.h"

#include <initializer_list>
#include <string>

#include "keys.h"

namespace korvi {
namespace {

constexpr char16_t kZeroWidthNonJoiner = 0x200C;
constexpr char16_t kKa = 0x0B95;     // க
constexpr char16_t kCa = 0x0B9A;     // ச
constexpr char16_t kSsa = 0x0BB7;    // ஷ
constexpr char16_t kPulli = 0x0BCD;  // ்

int Length(const char16_t* text) {
  int n = 0;
  while (text[n] != 0)
    ++n;
  return n;
}

bool StartsWith(const char16_t* text, std::initializer_list<char16_t> prefix) {
  for (char16_t unit : prefix) {
    if (*text != unit)
      return false;
    ++text;
  }
  return true;
}

template <int N>
void CopyText(char16_t (&target)[N], const char16_t* source) {
  int n = 0;
  for (; n + 1 < N && source[n] != 0; ++n)
    target[n] = source[n];
  target[n] = 0;
}

}  // namespace

void KeyState::ResetKeyContext() {
  previousChar = 0;
  lastOutputLength = 0;
  engineStateByte = 0;
}

void ResetAfterWordEnd(KeyState& state) {
  state.ResetKeyContext();
  ResetWordState();
}

bool KeyIsTaken(uint16_t virtualKey, const KeyModifiers& m, bool compositionOpen) {
  switch (virtualKey) {
    case vk::Escape:
    case vk::Back:
    case vk::Space:
    case vk::Left:
    case vk::Right:
      return compositionOpen;
    default:
      break;
  }
  if (m.control || m.alt || m.leftWin || m.rightWin || m.apps)
    return false;
  return KeyToChar(virtualKey, m.shift) > 0x20;
}

bool PassKeyThroughEndsWord(KeyState& state, uint16_t virtualKey, bool shiftDown,
                            int32_t layoutNumber) {
  const char16_t ch = KeyToChar(virtualKey, shiftDown);
  if (ch != 0)
    state.ResetKeyContext();
  // The character stands in for a key code here: lower-case letters and
  // Enter or Tab are no layout keys, so they end the word; keys without a
  // character (0) belong to every layout but 6 and leave it open.
  return IsWordEndKey(ch, layoutNumber);
}

KeyAction DispatchKey(uint16_t virtualKey, bool tamilMode, int32_t layoutNumber) {
  if (virtualKey == vk::Escape)
    return KeyAction::LookUpWord;
  if (virtualKey == vk::Left || virtualKey == vk::Right)
    return KeyAction::MoveCaret;
  if (!tamilMode)
    return KeyAction::ApplyThenEndWord;
  if (virtualKey != vk::Back && !IsLayoutKey(virtualKey, layoutNumber)) {
    if (virtualKey >= 0x41 && virtualKey <= 0x5A)
      return KeyAction::Swallow;
    return KeyAction::ApplyThenEndUnlessDollar;
  }
  return KeyAction::ApplyThenEndIfWordEndKey;
}

bool WordEndsAfterApply(KeyAction action, const KeyState& state, uint16_t virtualKey,
                        int32_t layoutNumber) {
  switch (action) {
    case KeyAction::ApplyThenEndWord:
      return true;
    case KeyAction::ApplyThenEndUnlessDollar:
      return state.previousChar != u'$';
    case KeyAction::ApplyThenEndIfWordEndKey:
      return IsWordEndKey(virtualKey, layoutNumber);
    default:
      return false;
  }
}

int32_t ApplyBackspace(KeyState& state) {
  state.afterBackspace = true;
  state.lastOutputLength = 0;
  state.previousChar = 0;
  state.outputBuffer[0] = 0;
  return 1;
}

void ApplyZeroWidthNonJoinerRule(KeyState& state) {
  const char16_t* out = state.outputBuffer;
  const bool apart =
      (StartsWith(state.lastOutput, {kZeroWidthNonJoiner}) && StartsWith(out, {kSsa})) ||
      (StartsWith(state.lastOutput, {kKa, kPulli}) && StartsWith(out, {kSsa})) ||
      (StartsWith(state.outputBeforeLast, {kKa, kPulli}) &&
       StartsWith(state.lastOutput, {kCa, kPulli}) && StartsWith(out, {kSsa, kPulli}));
  if (!apart)
    return;
  int n = Length(out);
  if (n + 2 > kOutputBufferCapacity)
    n = kOutputBufferCapacity - 2;  // keep the terminator
  for (int i = n; i > 0; --i)
    state.outputBuffer[i] = state.outputBuffer[i - 1];
  state.outputBuffer[0] = kZeroWidthNonJoiner;
  state.outputBuffer[n + 1] = 0;
}

int32_t ReplaceCount(int32_t engineResult, int32_t lastOutputLength, const char16_t* lastOutput,
                     const char16_t* newOutput) {
  if (engineResult >= 0)
    return engineResult;
  if (engineResult != kReplacePrevious)
    return 0;
  // A vowel after the clusters ற்ற், ந்த், ண்ட், ன்ற், ட்ட், த்த், ஞ்ச் replaces
  // only their second consonant. Other four-unit outputs (ஸ்ரீ) and text that
  // re-types க்ஷ replace the whole previous output.
  const int lastLength = Length(lastOutput);
  const bool endsWithPulli = lastLength > 0 && lastOutput[lastLength - 1] == kPulli;
  if (lastOutputLength == 4 && endsWithPulli && !StartsWith(newOutput, {kKa, kPulli, kSsa}))
    return 2;
  return lastOutputLength > 0 ? lastOutputLength : 0;
}

KeyEdit ComputeKeyEdit(KeyState& state, uint16_t virtualKey, bool shiftDown, bool capsLockOn,
                       bool tamilMode, int32_t layoutNumber) {
  KeyEdit edit;
  if (virtualKey == vk::Back) {
    edit.count = ApplyBackspace(state);
    return edit;
  }
  edit.ch = KeyToChar(virtualKey, shiftDown != capsLockOn);
  if (!tamilMode) {
    state.outputBuffer[0] = edit.ch;
    state.outputBuffer[1] = 0;
  } else {
    edit.engineResult = ConvertKey(edit.ch, state.previousChar, state.outputBuffer,
                                   state.engineStateByte, layoutNumber, state.afterBackspace);
    ApplyZeroWidthNonJoinerRule(state);
    state.previousChar = edit.ch;
    edit.count = ReplaceCount(edit.engineResult, state.lastOutputLength, state.lastOutput,
                              state.outputBuffer);
  }
  state.lastOutputLength = Length(state.outputBuffer);
  CopyText(state.outputBeforeLast, state.lastOutput);
  CopyText(state.lastOutput, state.outputBuffer);
  state.afterBackspace = false;
  return edit;
}

void NoteEditNotWritten(KeyState& state) {
  state.lastOutputLength = 0;
}

bool BackslashGuardRefuses(char16_t ch, bool tamilMode, int32_t layoutNumber,
                           char16_t charBeforeCaret) {
  return ch == u'\\' && tamilMode && layoutNumber == kLayoutKorvi && charBeforeCaret != 0 &&
         !IsConsonant(charBeforeCaret);
}

}  // namespace korvi
