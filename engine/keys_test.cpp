#include "keys.h"

#include <gtest/gtest.h>

#include "layout_tables.h"
#include "test_shift.h"

namespace korvi {
namespace {

using korvi::testing::ShiftHeld;

struct KeyCharCase {
  uint16_t virtualKey;
  bool shifted;
  char16_t ch;
};

TEST(KeyToCharTest, UsKeyboard) {
  const KeyCharCase cases[] = {
      {0x41, false, u'a'},
      {0x41, true, u'A'},
      {0x5A, false, u'z'},
      {0x38, true, u'*'},
      {0x32, true, u'@'},
      {0x30, true, u')'},
      {0x0D, false, 13},
      {0x0D, true, 13},
      {0x09, true, 9},
      {0x20, true, 32},
      {vk::Oem3, false, u'`'},
      {vk::Oem3, true, u'~'},
      {vk::Oem5, false, u'\\'},
      {vk::Oem5, true, u'|'},
      {vk::Oem7, true, u'"'},
      {vk::Oem6, true, u'}'},
      {vk::OemComma, true, u'<'},
      {vk::Oem2, true, u'?'},
      {vk::Shift, false, 0},
      {0x61, false, 0},  // keypad 1
      {0x70, false, 0},  // F1
      {0, false, 0},
      {vk::Left, false, 0},
  };
  for (const KeyCharCase& c : cases)
    EXPECT_EQ(c.ch, KeyToChar(c.virtualKey, c.shifted))
        << std::hex << c.virtualKey << " shifted " << c.shifted;
}

TEST(CharToKeyTest, InvertsKeyToCharForEveryPrintableCharacter) {
  for (char16_t ch = 0x20; ch < 0x7F; ++ch) {
    KeyStroke stroke;
    ASSERT_TRUE(CharToKey(ch, stroke)) << static_cast<int>(ch);
    EXPECT_EQ(ch, KeyToChar(stroke.virtualKey, stroke.shift)) << static_cast<int>(ch);
  }
  KeyStroke stroke;
  EXPECT_FALSE(CharToKey(0x0B95, stroke));
  EXPECT_FALSE(CharToKey(0x7F, stroke));
}

struct LayoutKeyCase {
  int32_t layout;
  bool shift;
  uint16_t code;
  bool layoutKey;
  bool wordEnd;
};

class LayoutKeyTest : public ::testing::TestWithParam<LayoutKeyCase> {};

TEST_P(LayoutKeyTest, ClassifiesInTheShiftState) {
  const LayoutKeyCase& c = GetParam();
  ShiftHeld shift(c.shift);
  EXPECT_EQ(c.layoutKey, IsLayoutKey(c.code, c.layout));
  EXPECT_EQ(c.wordEnd, IsWordEndKey(c.code, c.layout));
}

INSTANTIATE_TEST_SUITE_P(
    Sets, LayoutKeyTest,
    ::testing::Values(
        // Phonetic: every letter and - = \ without Shift; no digits.
        LayoutKeyCase{0, false, 0x41, true, false}, LayoutKeyCase{0, false, 0x5A, true, false},
        LayoutKeyCase{0, false, vk::OemMinus, true, false},
        LayoutKeyCase{0, false, vk::OemPlus, true, false},
        LayoutKeyCase{0, false, vk::Oem5, true, false}, LayoutKeyCase{0, false, 0x31, false, true},
        LayoutKeyCase{0, true, 0x42, false, true}, LayoutKeyCase{0, true, 0x43, false, true},
        LayoutKeyCase{0, true, 0x44, false, true}, LayoutKeyCase{0, true, 0x46, false, true},
        LayoutKeyCase{0, true, 0x57, true, false}, LayoutKeyCase{0, true, 0x24, true, false},
        // Tamil-99: the shifted K, L, ' and / are layout keys that end the word.
        LayoutKeyCase{1, true, 0x4B, true, true}, LayoutKeyCase{1, true, 0x4C, true, true},
        LayoutKeyCase{1, true, vk::Oem7, true, true}, LayoutKeyCase{1, true, vk::Oem2, true, true},
        LayoutKeyCase{1, true, 0x51, true, false}, LayoutKeyCase{1, false, 0x4B, true, false},
        LayoutKeyCase{1, false, vk::Oem7, true, false},
        LayoutKeyCase{2, true, vk::OemPeriod, true, false},
        LayoutKeyCase{2, true, 0x41, false, true}, LayoutKeyCase{3, true, 0x34, true, false},
        LayoutKeyCase{3, true, 0x35, false, true}, LayoutKeyCase{4, true, 0x51, false, true},
        LayoutKeyCase{4, false, 0x51, true, false}, LayoutKeyCase{5, true, 0x38, true, false},
        LayoutKeyCase{7, false, 0x51, false, true}, LayoutKeyCase{7, true, 0x4A, true, false},
        // A key without a character stays in the word in every layout but 6.
        LayoutKeyCase{0, false, 0, true, false}, LayoutKeyCase{1, true, 0, true, false},
        LayoutKeyCase{3, true, 0, true, false}, LayoutKeyCase{5, false, 0, true, false},
        LayoutKeyCase{7, true, 0, true, false}, LayoutKeyCase{6, false, 0, false, true},
        LayoutKeyCase{6, true, 0, false, true}, LayoutKeyCase{6, false, 0x41, false, true},
        // Numbers outside 0..7 behave as 6.
        LayoutKeyCase{8, false, 0x41, false, true}, LayoutKeyCase{-1, false, 0, false, true},
        LayoutKeyCase{INT32_MAX, true, 0x4B, false, true}));

}  // namespace
}  // namespace korvi
