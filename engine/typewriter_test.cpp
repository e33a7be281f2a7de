#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert.h"
#include "test_typing.h"

namespace korvi {
namespace {

using korvi::testing::ExpectWords;
using korvi::testing::TypeWord;

TEST(TypewriterTest, TypesGlyphsInPaperOrder) {
  ExpectWords({
      // New TW
      {4, u"f", {0}, u"க"},
      {4, u"fp", {0, -1}, u"கி"},
      {4, u"p", {0}, u""},
      {4, u"f;", {0, -1}, u"க்"},
      {4, u"bf", {0, 2}, u"கெ"},
      {4, u"bfh", {0, 2, 1}, u"கொ"},
      {4, u"nfh", {0, 2, 1}, u"கோ"},
      {4, u"ifh", {0, 2, 1}, u"கா"},
      {4, u"bf`", {0, 2, 1}, u"கௌ"},
      {4, u"x`", {0, 1}, u"ஔ"},
      {4, u"xh", {0, 1}, u"ஓ"},  // ஒ is completed, not replaced by a bare ா
      {4, u"F", {0}, u"கு"},
      {4, u"q", {0}, u"ணு"},
      {4, u"o", {0}, u"டி"},
      {4, u"`", {0}, u"`"},
      {4, u">", {0}, u"-"},
      {4, u"b ", {0, 0}, u"\u200Bெ "},  // a placeholder left behind stays
      {4, u"bff", {0, 2, 0}, u"கெக"},
      // Old TW: the attached signs are dead keys typed before the consonant.
      {5, u"pf", {0, 2}, u"கி"},
      {5, u";f", {0, 2}, u"க்"},
      {5, u"pF", {0, 2}, u"கி"},
      {5, u"fp", {0, 0}, u"க\u200Bி"},
      // Mylai
      {3, u"k", {0}, u"க"},
      {3, u"ka", {0, 0}, u"கா"},
      {3, u"ki", {0, -1}, u"கி"},
      {3, u"eka", {0, 2, 1}, u"கொ"},
      {3, u"Ak", {0, 2}, u"கை"},
      {3, u"oS", {0, 1}, u"ஔ"},
      {3, u"oa", {0, 1}, u"ஓ"},
      {3, u"@", {0}, u"\u00A9"},
      {3, u"!", {0}, u"ஸ்ரீ"},
      {3, u"%", {0}, u"%"},
  });
}

TEST(TypewriterTest, StatesAfterKeys) {
  TypeWord(kLayoutOldTw, u"p");
  EXPECT_EQ(DeadSignPending, CurrentWordState().wordState);
  TypeWord(kLayoutNewTw, u"b");
  EXPECT_EQ(PrefixSignPending, CurrentWordState().wordState);
  EXPECT_EQ(0x0BC6, CurrentWordState().pendingSign);
  TypeWord(kLayoutNewTw, u"bf");
  EXPECT_EQ(AfterVowel, CurrentWordState().wordState);
  EXPECT_EQ(0x0BC6, CurrentWordState().pendingSign);  // kept for a following ா
  ResetWordState();
  EXPECT_EQ(0, CurrentWordState().pendingSign);
}

// The word state is shared by all layouts: a typewriter state left behind by
// a layout change is taken as Neutral by the phonetic rules.
TEST(TypewriterTest, LayoutChangeInsideAWord) {
  KeyState state;
  TypeWord(kLayoutOldTw, u"p", &state);
  EXPECT_EQ(DeadSignPending, CurrentWordState().wordState);
  OutputBuffer out;
  uint8_t cons = 0;
  EXPECT_EQ(0, ConvertKey(u'k', u'p', out, cons, kLayoutKorvi, false));
  EXPECT_EQ(std::u16string(u"க்"), out);
}

}  // namespace
}  // namespace korvi
