// The conversion step: one key's character becomes Tamil text plus the amount
// of previously typed text that it replaces.
#pragma once

#include <cstdint>

#include "layout_tables.h"

namespace korvi {

// Room of the caller's output buffer in UTF-16 units, terminator included.
// ConvertKey writes at most 7 units; the rest leaves room for a zero-width
// non-joiner in front and for safety.
constexpr int kOutputBufferCapacity = 30;
using OutputBuffer = char16_t[kOutputBufferCapacity];

// Results of ConvertKey besides the positive counts 1, 2, 3 and 4.
constexpr int32_t kReplacePrevious = -1;  // replace the previous key's whole output
constexpr int32_t kInsertOnly = 0;

// Where the current syllable stands.
enum WordStateValue : uint16_t {
  Idle = 0,
  Neutral = 1,
  AfterVowel = 2,
  AfterVowelPair = 3,
  AfterConsonant = 4,
  AfterPair = 5,
  AfterTriple = 6,
  DeadSignPending = 7,    // typewriter layouts only
  PrefixSignPending = 8,  // typewriter layouts only
};

// The engine's word state. There is one per process, shared without a lock by
// every caller (the text service calls from one thread per service object).
struct WordState {
  uint16_t wordState = Idle;
  char currentVowel = 0;           // vowel code of the syllable being typed
  char16_t pendingSign = 0;        // typewriter sign waiting for its consonant
  char16_t keyBeforePrevious = 0;  // first key of a key pair
  bool autoPulliDone = false;      // the last consonant key doubled the one before
};

// Read-only view of the process-wide word state (tests, tracing).
const WordState& CurrentWordState();

// Converts one key. ch is the key's character (KeyToChar), previousChar the
// character of the previous key (0 after a reset), engineStateByte the
// caller's current consonant code, read and written. The key's text is
// written 0-terminated into outputBuffer (possibly empty). Result: -1 replace
// the previous key's output, 0 insert only, n > 0 remove n units first.
// A layoutNumber outside 0..7 behaves as layout 6: every key comes out as
// itself.
int32_t ConvertKey(char16_t ch, char16_t previousChar, OutputBuffer& outputBuffer,
                   uint8_t& engineStateByte, int32_t layoutNumber, bool afterBackspace);

// Back to Idle: clears the pending sign, the key pair and the automatic
// pulli. The Tamil-99 rules switch is left alone. The caller resets its key
// context at the same moment.
void ResetWordState();

// Tamil-99 rules (automatic pulli) in layout 1: on for Tamil-99, off for
// MOE-Singapore. On at load, process-wide, never stored.
void SetTamil99Rules(bool on);
bool Tamil99Rules();

// First position i with C3Keys[i] == ch, C2Keys[i] == prev and
// C1Keys[i] == first ('*' entries never match), or kNotFound.
int FindKeyTriple(char16_t ch, char16_t prev, char16_t first, const LayoutRecord& record);

}  // namespace korvi
