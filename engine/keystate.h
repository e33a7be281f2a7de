// The text service's rules around the engine, kept free of TSF so that they
// exist once and can be tested natively: the per-service key state, the edit
// a key makes (text plus units to remove), the key test and the dispatch of
// the key edit session, the pass-through rule and the backslash guard.
//
// Typical use in the text service (one KeyState per service object):
//
//   OnKeyDown:   if (IsModeKeyPress(vk, keyData)) { flip tamilMode;
//                    state.ResetKeyContext(); RequestEndComposition(); }
//                else if (open && enabled && KeyIsTaken(vk, modifiers, compositionOpen))
//                    request the key edit session
//                else if (PassKeyThroughEndsWord(state, vk, modifiers.shift, layoutNumber))
//                    RequestEndComposition();
//   key edit session:
//                switch (KeyAction a = DispatchKey(vk, tamilMode, layoutNumber)) {
//                  case KeyAction::LookUpWord: ... break;
//                  case KeyAction::MoveCaret: state.ResetKeyContext(); ...; break;
//                  case KeyAction::Swallow: break;
//                  default:  // ApplyKey:
//                    open a composition if none;
//                    KeyEdit e = ComputeKeyEdit(state, vk, shift, capsLock, tamilMode,
//                                               layoutNumber);
//                    write the edit (see below), or call NoteEditNotWritten(state)
//                    when nothing was written;
//                    if (WordEndsAfterApply(a, state, vk, layoutNumber))
//                      RequestEndComposition();
//                }
//   writing the edit: if BackslashGuardRefuses(e.ch, layoutNumber, charBeforeCaret)
//                the key writes nothing; else remove e.count units before the caret
//                inside the composition and insert state.outputBuffer.
//   RequestEndComposition: also calls ResetAfterWordEnd(state).
//
// UTF-16 text is char16_t here; on Windows it has the layout of WCHAR, so a
// reinterpret_cast<const WCHAR*> of the buffers is valid.
#pragma once

#include <cstdint>

#include "convert.h"

namespace korvi {

// Room of lastOutput and outputBeforeLast, terminator included.
constexpr int kLastOutputCapacity = 20;

struct KeyState {
  char16_t previousChar = 0;       // character given to the engine for the previous key
  bool afterBackspace = false;     // the previous key was Backspace
  uint8_t engineStateByte = 0;     // the engine's current consonant code
  OutputBuffer outputBuffer = {};  // text of the current key
  char16_t lastOutput[kLastOutputCapacity] = {};        // text of the previous key
  char16_t outputBeforeLast[kLastOutputCapacity] = {};  // text of the key before that
  int32_t lastOutputLength = 0;  // length of lastOutput as written to the document

  // Resets the key context: previousChar, lastOutputLength and
  // engineStateByte. The buffers and afterBackspace stay.
  void ResetKeyContext();
};

// The key context and the engine's word state, reset together when a word
// ends (RequestEndComposition).
void ResetAfterWordEnd(KeyState& state);

// Keys that are down (and Caps Lock's toggle) at the time of a key event.
struct KeyModifiers {
  bool shift = false;
  bool control = false;
  bool alt = false;
  bool leftWin = false;
  bool rightWin = false;
  bool apps = false;
  bool capsLock = false;  // toggled on
};

// F12 pressed (bit 31 of the key data clear): the mode key, whatever the
// keyboard's open or disabled state and whatever modifiers are down.
constexpr bool IsModeKeyPress(uint16_t virtualKey, uint32_t keyData) {
  return virtualKey == 0x7B && (keyData & 0x80000000u) == 0;
}

// The key test once the keyboard is known to be open and enabled: Escape,
// Backspace, Space, Left and Right only while a composition is open; any
// other key when no Control, Alt, Windows or Applications key is down and its
// character (with Shift, Caps Lock not consulted) is above 0x20. (Escape's
// hand-over of the selection to the lookup server is the caller's.)
bool KeyIsTaken(uint16_t virtualKey, const KeyModifiers& modifiers, bool compositionOpen);

// For a key the service does not take: resets the key context when the key
// has a character, and says whether the open composition must end (the
// character treated as a key code is no layout key).
bool PassKeyThroughEndsWord(KeyState& state, uint16_t virtualKey, bool shiftDown,
                            int32_t layoutNumber);

// What the key edit session does with a taken key.
enum class KeyAction {
  LookUpWord,                // Escape: hand the composition to the lookup server
  MoveCaret,                 // Left, Right: reset the key context, move the caret
  Swallow,                   // a letter that is no key of the layout: nothing at all
  ApplyThenEndWord,          // English mode: type the key, end the word
  ApplyThenEndUnlessDollar,  // a non-layout key: type it, end the word unless it was $
  ApplyThenEndIfWordEndKey,  // a layout key or Backspace
};

// Reads the Shift state through IsLayoutKey.
KeyAction DispatchKey(uint16_t virtualKey, bool tamilMode, int32_t layoutNumber);

// After ComputeKeyEdit for an Apply action: whether the word ends now.
bool WordEndsAfterApply(KeyAction action, const KeyState& state, uint16_t virtualKey,
                        int32_t layoutNumber);

// One key's edit: remove count units before the caret (inside the
// composition), then insert state.outputBuffer.
struct KeyEdit {
  int32_t count = 0;         // never negative
  char16_t ch = 0;           // the key's character; 0 for Backspace
  int32_t engineResult = 0;  // ConvertKey's result; 0 when the engine was not asked
};

// The key handler's computation for one key: Backspace, English mode, or the
// engine followed by the zero-width non-joiner and replace-previous rules.
// Updates previousChar, afterBackspace, engineStateByte, the output buffers
// and lastOutputLength.
KeyEdit ComputeKeyEdit(KeyState& state, uint16_t virtualKey, bool shiftDown, bool capsLockOn,
                       bool tamilMode, int32_t layoutNumber);

// Backspace's part of ComputeKeyEdit: clears previousChar, lastOutputLength
// and the output, sets afterBackspace; returns the count 1.
int32_t ApplyBackspace(KeyState& state);

// Puts U+200C in front of state.outputBuffer when the new text would
// otherwise join a separately typed க் with ஷ.
void ApplyZeroWidthNonJoinerRule(KeyState& state);

// Turns an engine result into the number of units to remove. -1 removes the
// previous output (lastOutputLength units), except after a four-unit cluster
// ending in a pulli, where only its second consonant (2 units) is replaced
// unless the new text starts with க்ஷ.
int32_t ReplaceCount(int32_t engineResult, int32_t lastOutputLength, const char16_t* lastOutput,
                     const char16_t* newOutput);

// Call when a key's edit wrote nothing to the document (the backslash guard
// refused it, or the selection lay outside the composition): the next key
// must not remove text that this key never wrote.
void NoteEditNotWritten(KeyState& state);

// The phonetic layout's backslash types a bare pulli or vowel sign; in Tamil
// mode it is refused unless the caret stands after a consonant or at the start
// of the text (charBeforeCaret 0). In English mode it is a plain character.
bool BackslashGuardRefuses(char16_t ch, bool tamilMode, int32_t layoutNumber,
                           char16_t charBeforeCaret);

}  // namespace korvi
