// Types a string of US-keyboard characters through the key handler's rules
// into a plain text, as one word: each key removes its count of units before
// the end and appends its output.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "keys.h"
#include "keystate.h"
#include "test_shift.h"

namespace korvi::testing {

struct TypedKey {
  int32_t result;
  int32_t count;
  std::u16string output;
};

struct Typed {
  std::u16string text;
  std::vector<TypedKey> keys;
};

inline Typed TypeWord(int32_t layout, std::u16string_view chars, KeyState* keyState = nullptr) {
  ResetWordState();
  KeyState local;
  KeyState& state = keyState ? *keyState : local;
  Typed typed;
  for (char16_t ch : chars) {
    KeyStroke stroke;
    if (!CharToKey(ch, stroke))
      stroke = {0, false};
    ShiftHeld shift(stroke.shift);
    const KeyEdit edit =
        ComputeKeyEdit(state, stroke.virtualKey, stroke.shift, false, true, layout);
    const size_t remove = std::min<size_t>(static_cast<size_t>(edit.count), typed.text.size());
    typed.text.erase(typed.text.size() - remove);
    typed.text += state.outputBuffer;
    typed.keys.push_back({edit.engineResult, edit.count, state.outputBuffer});
  }
  return typed;
}

// Keys typed from Idle as one word, the engine's result per key, and the text.
struct WordCase {
  int32_t layout;
  std::u16string keys;
  std::vector<int32_t> results;  // empty: not checked
  std::u16string text;
};

inline void ExpectWords(const std::vector<WordCase>& cases) {
  for (const WordCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.keys) + " in layout " + std::to_string(c.layout));
    const Typed typed = TypeWord(c.layout, c.keys);
    EXPECT_EQ(c.text, typed.text);
    if (c.results.empty())
      continue;
    std::vector<int32_t> results;
    for (const auto& key : typed.keys)
      results.push_back(key.result);
    EXPECT_EQ(c.results, results);
  }
}

}  // namespace korvi::testing
