#include "keystate.h"

#include <gtest/gtest.h>

#include <string>

#include "keys.h"
#include "test_shift.h"
#include "test_typing.h"

namespace korvi {
namespace {

using korvi::testing::ShiftHeld;
using korvi::testing::TypeWord;

template <int N>
void SetText(char16_t (&target)[N], const std::u16string& text) {
  ASSERT_LT(text.size(), static_cast<size_t>(N));
  std::copy(text.begin(), text.end(), target);
  target[text.size()] = 0;
}

struct NonJoinerCase {
  std::u16string outputBeforeLast;
  std::u16string lastOutput;
  std::u16string output;
  std::u16string result;
};

TEST(ZeroWidthNonJoinerTest, KeepsKaAndSsaApart) {
  const NonJoinerCase cases[] = {
      {u"", u"\u200Cஷ்", u"ஷ", u"\u200Cஷ"},
      {u"", u"க்", u"ஷ்", u"\u200Cஷ்"},
      {u"க்", u"ச்", u"ஷ்", u"\u200Cஷ்"},
      {u"க்", u"ச்", u"ஷ", u"ஷ"},  // the third rule needs ஷ்
      {u"", u"ச்", u"ஷ்", u"ஷ்"},
      {u"", u"க", u"ஷ", u"ஷ"},
      {u"", u"க்", u"க", u"க"},
      {u"", u"க்", u"", u""},
  };
  for (const NonJoinerCase& c : cases) {
    KeyState state;
    SetText(state.outputBeforeLast, c.outputBeforeLast);
    SetText(state.lastOutput, c.lastOutput);
    SetText(state.outputBuffer, c.output);
    ApplyZeroWidthNonJoinerRule(state);
    EXPECT_EQ(c.result, state.outputBuffer) << ::testing::PrintToString(c.lastOutput);
  }
}

TEST(ZeroWidthNonJoinerTest, NeverOverrunsTheBuffer) {
  KeyState state;
  SetText(state.lastOutput, u"க்");
  std::u16string full(kOutputBufferCapacity - 1, u'ஷ');
  SetText(state.outputBuffer, full);
  ApplyZeroWidthNonJoinerRule(state);
  EXPECT_EQ(0, state.outputBuffer[kOutputBufferCapacity - 1]);
  EXPECT_EQ(0x200C, state.outputBuffer[0]);
}

struct ReplaceCase {
  int32_t engineResult;
  int32_t lastOutputLength;
  std::u16string lastOutput;
  std::u16string output;
  int32_t count;
};

TEST(ReplaceCountTest, TurnsResultsIntoCounts) {
  const ReplaceCase cases[] = {
      {0, 4, u"ற்ற்", u"ற", 0},
      {1, 3, u"க்க", u"கி", 1},
      {4, 4, u"ற்ற்", u"ன்ற்", 4},
      {-1, 2, u"க்", u"க", 2},
      {-1, 3, u"\u200Cஷ்", u"\u200Cஷ", 3},
      // After a cluster only its second consonant is replaced ...
      {-1, 4, u"ற்ற்", u"ற", 2},
      {-1, 4, u"ஞ்ச்", u"சு", 2},
      // ... but all of க்ஷ் when the new text re-types க்ஷ.
      {-1, 4, u"க்ஷ்", u"க்ஷ", 4},
      // A four-unit output without a final pulli (ஸ்ரீ) is replaced whole.
      {-1, 4, u"ஸ்ரீ", u"ஸ்ரீ", 4},
      // After an edit that wrote nothing there is nothing to replace.
      {-1, 0, u"்", u"ா", 0},
  };
  for (const ReplaceCase& c : cases)
    EXPECT_EQ(c.count, ReplaceCount(c.engineResult, c.lastOutputLength, c.lastOutput.c_str(),
                                    c.output.c_str()))
        << c.engineResult << " after " << ::testing::PrintToString(c.lastOutput);
}

TEST(ReplaceCountTest, SriThenPulliInTamil99StaysOneSri) {
  EXPECT_EQ(u"ஸ்ரீ", TypeWord(kLayoutTamil99, u"Yf").text);
  EXPECT_EQ(u"ற்ற", TypeWord(kLayoutKorvi, u"tra").text);
  EXPECT_EQ(u"க்ஷ", TypeWord(kLayoutKorvi, u"xa").text);
}

struct ShiftCase {
  uint16_t virtualKey;
  bool shift;
  bool capsLock;
  char16_t ch;
};

TEST(ComputeKeyEditTest, CapsLockInvertsShiftForEveryKey) {
  const ShiftCase cases[] = {
      {0x41, false, false, u'a'},    {0x41, true, false, u'A'}, {0x41, false, true, u'A'},
      {0x41, true, true, u'a'},      {0x31, false, true, u'!'}, {0x31, true, true, u'1'},
      {vk::Oem7, false, true, u'"'},
  };
  for (const ShiftCase& c : cases) {
    KeyState state;
    const KeyEdit edit =
        ComputeKeyEdit(state, c.virtualKey, c.shift, c.capsLock, false, kLayoutKorvi);
    EXPECT_EQ(c.ch, edit.ch) << std::hex << c.virtualKey << c.shift << c.capsLock;
  }
}

TEST(ComputeKeyEditTest, EnglishModeTypesTheKeyItself) {
  ResetWordState();
  KeyState state;
  state.previousChar = u'k';
  const KeyEdit edit = ComputeKeyEdit(state, 0x4B, false, false, false, kLayoutKorvi);
  EXPECT_EQ(0, edit.count);
  EXPECT_EQ(std::u16string(u"k"), state.outputBuffer);
  EXPECT_EQ(std::u16string(u"k"), state.lastOutput);
  EXPECT_EQ(1, state.lastOutputLength);
  EXPECT_EQ(u'k', state.previousChar);
  EXPECT_EQ(Idle, CurrentWordState().wordState);  // the engine was not asked
}

TEST(ComputeKeyEditTest, BackspaceClearsTheContextButKeepsTheOutputs) {
  KeyState state;
  TypeWord(kLayoutKorvi, u"ka", &state);
  const KeyEdit edit = ComputeKeyEdit(state, vk::Back, false, false, true, kLayoutKorvi);
  EXPECT_EQ(1, edit.count);
  EXPECT_EQ(0, edit.ch);
  EXPECT_TRUE(state.afterBackspace);
  EXPECT_EQ(0, state.previousChar);
  EXPECT_EQ(0, state.lastOutputLength);
  EXPECT_EQ(0, state.outputBuffer[0]);
  EXPECT_EQ(std::u16string(u"க"), state.lastOutput);
  EXPECT_EQ(std::u16string(u"க்"), state.outputBeforeLast);

  ComputeKeyEdit(state, 0x41, false, false, true, kLayoutKorvi);
  EXPECT_FALSE(state.afterBackspace);
}

TEST(KeyStateTest, ResetKeyContextClearsTheTripleOnly) {
  KeyState state;
  TypeWord(kLayoutKorvi, u"k", &state);
  state.afterBackspace = true;
  state.ResetKeyContext();
  EXPECT_EQ(0, state.previousChar);
  EXPECT_EQ(0, state.lastOutputLength);
  EXPECT_EQ(0, state.engineStateByte);
  EXPECT_TRUE(state.afterBackspace);
  EXPECT_EQ(std::u16string(u"க்"), state.lastOutput);
}

TEST(KeyStateTest, WordEndResetsTheEngineToo) {
  KeyState state;
  TypeWord(kLayoutKorvi, u"th", &state);
  ResetAfterWordEnd(state);
  EXPECT_EQ(Idle, CurrentWordState().wordState);
  EXPECT_EQ(0, state.engineStateByte);
}

struct TakenCase {
  uint16_t virtualKey;
  KeyModifiers modifiers;
  bool compositionOpen;
  bool taken;
};

TEST(KeyIsTakenTest, Decides) {
  KeyModifiers none;
  KeyModifiers shift;
  shift.shift = true;
  KeyModifiers control;
  control.control = true;
  KeyModifiers alt;
  alt.alt = true;
  KeyModifiers win;
  win.leftWin = true;
  KeyModifiers caps;
  caps.capsLock = true;
  const TakenCase cases[] = {
      {0x41, none, false, true},       {0x41, shift, false, true},
      {0x41, control, false, false},   {0x41, alt, true, false},
      {0x41, win, false, false},       {0x31, caps, false, true},
      {vk::Back, none, false, false},  {vk::Back, none, true, true},
      {vk::Space, none, false, false}, {vk::Space, control, true, true},
      {vk::Escape, none, true, true},  {vk::Left, none, false, false},
      {vk::Right, none, true, true},   {vk::Return, none, true, false},
      {vk::Tab, none, true, false},    {vk::Shift, shift, true, false},
      {0x70, none, true, false},       {vk::Oem3, shift, false, true},
  };
  for (const TakenCase& c : cases)
    EXPECT_EQ(c.taken, KeyIsTaken(c.virtualKey, c.modifiers, c.compositionOpen))
        << std::hex << c.virtualKey;
}

TEST(KeyIsTakenTest, ModeKeyIsF12Down) {
  EXPECT_TRUE(IsModeKeyPress(vk::F12, 0x00580001));
  EXPECT_FALSE(IsModeKeyPress(vk::F12, 0xC0580001));
  EXPECT_FALSE(IsModeKeyPress(0x7A, 0));
}

struct PassCase {
  uint16_t virtualKey;
  bool shift;
  int32_t layout;
  bool endsWord;
  bool resetsContext;
};

TEST(PassKeyThroughTest, EndsTheWordForKeysOutsideTheLayout) {
  const PassCase cases[] = {
      {vk::Return, false, 0, true, true}, {vk::Tab, false, 1, true, true},
      {0x41, false, 0, true, true},  // Control+A: the character a is no key code
      {0x41, true, 0, false, true},  // Control+Shift+A: A is a layout key of layout 0
      {vk::Shift, true, 0, false, false}, {0x26, false, 3, false, false},  // Up
      {0x26, false, 6, true, false},      {0x24, false, 1, false, false},  // Home
  };
  for (const PassCase& c : cases) {
    KeyState state;
    state.previousChar = u'k';
    ShiftHeld shift(c.shift);
    EXPECT_EQ(c.endsWord, PassKeyThroughEndsWord(state, c.virtualKey, c.shift, c.layout))
        << std::hex << c.virtualKey;
    EXPECT_EQ(c.resetsContext, state.previousChar == 0) << std::hex << c.virtualKey;
  }
}

struct DispatchCase {
  uint16_t virtualKey;
  bool shift;
  bool tamilMode;
  int32_t layout;
  KeyAction action;
};

TEST(DispatchKeyTest, Decides) {
  const DispatchCase cases[] = {
      {vk::Escape, false, true, 0, KeyAction::LookUpWord},
      {vk::Left, false, false, 0, KeyAction::MoveCaret},
      {vk::Right, false, true, 6, KeyAction::MoveCaret},
      {0x41, false, false, 0, KeyAction::ApplyThenEndWord},
      {vk::Back, false, false, 1, KeyAction::ApplyThenEndWord},
      {0x42, true, true, 0, KeyAction::Swallow},  // Shift+B is no key of layout 0
      {0x42, false, true, 6, KeyAction::Swallow},
      {0x31, false, true, 0, KeyAction::ApplyThenEndUnlessDollar},
      {vk::Space, false, true, 1, KeyAction::ApplyThenEndUnlessDollar},
      {0x34, true, true, 0, KeyAction::ApplyThenEndUnlessDollar},  // Shift+4 is $
      {0x42, false, true, 0, KeyAction::ApplyThenEndIfWordEndKey},
      {vk::Back, false, true, 0, KeyAction::ApplyThenEndIfWordEndKey},
      {0x4B, true, true, 1, KeyAction::ApplyThenEndIfWordEndKey},
  };
  for (const DispatchCase& c : cases) {
    ShiftHeld shift(c.shift);
    EXPECT_EQ(c.action, DispatchKey(c.virtualKey, c.tamilMode, c.layout))
        << std::hex << c.virtualKey << " layout " << c.layout;
  }
}

TEST(DispatchKeyTest, WordEndsAfterTheKey) {
  KeyState state;
  state.previousChar = u'$';
  EXPECT_FALSE(WordEndsAfterApply(KeyAction::ApplyThenEndUnlessDollar, state, 0x34, 0));
  state.previousChar = u'1';
  EXPECT_TRUE(WordEndsAfterApply(KeyAction::ApplyThenEndUnlessDollar, state, 0x31, 0));
  EXPECT_TRUE(WordEndsAfterApply(KeyAction::ApplyThenEndWord, state, 0x41, 0));
  EXPECT_TRUE(WordEndsAfterApply(KeyAction::ApplyThenEndIfWordEndKey, state, vk::Back, 0));
  EXPECT_FALSE(WordEndsAfterApply(KeyAction::ApplyThenEndIfWordEndKey, state, 0x41, 0));
  {
    ShiftHeld shift;
    EXPECT_TRUE(WordEndsAfterApply(KeyAction::ApplyThenEndIfWordEndKey, state, 0x4C, 1));
    EXPECT_FALSE(WordEndsAfterApply(KeyAction::ApplyThenEndIfWordEndKey, state, 0x51, 1));
  }
  EXPECT_FALSE(WordEndsAfterApply(KeyAction::Swallow, state, 0x42, 0));
}

struct GuardCase {
  char16_t ch;
  bool tamilMode;
  int32_t layout;
  char16_t before;
  bool refused;
};

TEST(BackslashGuardTest, NeedsAConsonantBeforeTheCaret) {
  const GuardCase cases[] = {
      {u'\\', true, 0, 0, false},
      {u'\\', true, 0, u'க', false},
      {u'\\', true, 0, u'ஹ', false},
      {u'\\', true, 0, u'அ', true},
      {u'\\', true, 0, u'ா', true},
      {u'\\', true, 0, u'a', true},
      {u'\\', true, 1, u'அ', false},
      {u'k', true, 0, u'அ', false},
      {u'\\', true, 9, u'அ', false},
      // In English mode the backslash is only itself.
      {u'\\', false, 0, u'a', false},
  };
  for (const GuardCase& c : cases)
    EXPECT_EQ(c.refused, BackslashGuardRefuses(c.ch, c.tamilMode, c.layout, c.before))
        << static_cast<int>(c.before) << " layout " << c.layout;
}

// A key whose edit wrote nothing leaves nothing for the next key's -1 to
// replace. In the phonetic layout a, backslash, A gives அா.
TEST(BackslashGuardTest, RefusedKeyIsNotReplacedByTheNext) {
  ResetWordState();
  KeyState state;
  std::u16string text;
  const KeyStroke keys[] = {{0x41, false}, {vk::Oem5, false}, {0x41, true}};
  for (const KeyStroke& key : keys) {
    const KeyEdit edit =
        ComputeKeyEdit(state, key.virtualKey, key.shift, false, true, kLayoutKorvi);
    if (BackslashGuardRefuses(edit.ch, true, kLayoutKorvi, text.empty() ? 0 : text.back())) {
      NoteEditNotWritten(state);
      continue;
    }
    text.erase(text.size() - std::min<size_t>(edit.count, text.size()));
    text += state.outputBuffer;
  }
  EXPECT_EQ(u"அா", text);
}

}  // namespace
}  // namespace korvi
