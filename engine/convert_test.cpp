#include "convert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_typing.h"

namespace korvi {
namespace {

using korvi::testing::ExpectWords;
using korvi::testing::TypeWord;

class ConvertKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTamil99Rules(true);
    ResetWordState();
  }
  void TearDown() override { SetTamil99Rules(true); }
};

TEST_F(ConvertKeyTest, Phonetic) {
  ExpectWords({
      {0, u"k", {0}, u"க்"},
      {0, u"ka", {0, -1}, u"க"},
      {0, u"kai", {0, -1, -1}, u"கை"},
      {0, u"kaa", {0, -1, -1}, u"கா"},
      {0, u"aa", {0, -1}, u"ஆ"},
      {0, u"kao", {0, -1, -1}, u"கொ"},
      {0, u"kia", {0, -1, -1}, u"க"},
      {0, u"tha", {0, -1, -1}, u"த"},
      {0, u"nanRi", {0, -1, 0, 0, -1}, u"நன்றி"},
      {0, u"tr", {0, 2}, u"ற்ற்"},
      {0, u"andru", {0, 0, 2, 4, -1}, u"அன்று"},
      {0, u"ndr", {0, 2, 0}, u"ண்ட்ர்"},  // the word-initial n is w, no triple
      {0, u"sri", {0, -1, 0}, u"ஸ்ரீஇ"},
      {0, u"ksh", {0, 0, -1}, u"க்\u200Cஷ்"},
      {0, u"OM", {0, -1}, u"ௐ"},
      {0, u"f", {0}, u""},
      {0, u"ff", {0, 0}, u"்"},
      {0, u"q", {0}, u"ஃ"},
      {0, u"$$", {0, 1}, u"₹"},
      {0, u"\\A", {0, -1}, u"ா"},
      {0, u"\\a", {0, -1}, u""},
      {0, u"k*", {0, 0}, u"க்*"},
      {0, u"M", {0}, u"M"},
      {0, u"ng", {0, -1}, u"ங்"},
      {0, u"Sh", {0, -1}, u"ஶ்"},
      {0, u"trh", {0, 2, 4}, u""},  // the triple without a code types nothing
  });
}

TEST_F(ConvertKeyTest, PhoneticWordStates) {
  TypeWord(0, u"kai");
  EXPECT_EQ(AfterVowelPair, CurrentWordState().wordState);
  TypeWord(0, u"sr");
  EXPECT_EQ(Neutral, CurrentWordState().wordState);
  TypeWord(0, u"th");
  EXPECT_EQ(AfterPair, CurrentWordState().wordState);
  TypeWord(0, u"kf");
  EXPECT_EQ(Neutral, CurrentWordState().wordState);
}

TEST_F(ConvertKeyTest, AfterBackspaceNIsAlveolar) {
  KeyState state;
  ResetWordState();
  ComputeKeyEdit(state, vk::Back, false, false, true, kLayoutKorvi);
  ComputeKeyEdit(state, 0x4E, false, false, true, kLayoutKorvi);
  EXPECT_EQ(std::u16string(u"ன்"), state.outputBuffer);
}

TEST_F(ConvertKeyTest, Tamil99) {
  ExpectWords({
      {1, u"h", {0}, u"க"},
      {1, u"hq", {0, -1}, u"கா"},
      {1, u"hf", {0, -1}, u"க்"},
      {1, u"hs", {0, -1}, u"கி"},
      {1, u"hh", {0, -1}, u"க்க"},
      {1, u"hhs", {0, -1, 1}, u"க்கி"},
      {1, u"hhh", {0, -1, 0}, u"க்கக"},
      {1, u"bh", {0, -1}, u"ங்க"},
      {1, u"][", {0, -1}, u"ஞ்ச"},
      {1, u";l", {0, -1}, u"ந்த"},
      {1, u"po", {0, -1}, u"ண்ட"},
      {1, u"kj", {0, -1}, u"ம்ப"},
      {1, u"iu", {0, -1}, u"ன்ற"},
      {1, u"hb", {0, 0}, u"கங"},  // not a pulli pair
      {1, u"YY", {0, 0}, u"ஸ்ரீஸ்ரீ"},
      {1, u"F", {0}, u"ஃ"},
      {1, u"a", {0}, u"அ"},
      {1, u"qq", {0, 0}, u"ஆஆ"},
      {1, u"^", {0}, u""},
      {1, u"K", {0}, u"\""},
  });
}

TEST_F(ConvertKeyTest, MoeSingaporeHasNoAutomaticPulli) {
  SetTamil99Rules(false);
  ExpectWords({
      {1, u"hh", {0, 0}, u"கக"},
      {1, u"bh", {0, 0}, u"ஙக"},
  });
}

TEST_F(ConvertKeyTest, AythamLeavesTheWordState) {
  TypeWord(1, u"h");
  const WordState before = CurrentWordState();
  OutputBuffer out;
  uint8_t cons = 'k';
  EXPECT_EQ(0, ConvertKey(u'F', u'h', out, cons, kLayoutTamil99, false));
  EXPECT_EQ(before.wordState, CurrentWordState().wordState);
  EXPECT_EQ('k', cons);
}

// A vowel after an automatic pulli replaces the whole syllable of the
// current consonant, which for க்ஷ is three units, not one.
TEST_F(ConvertKeyTest, VowelAfterAutomaticPulliReplacesTheWholeSyllable) {
  ExpectWords({
      {1, u"TTs", {0, -1, 3}, u"க்ஷ்க்ஷி"},
      {1, u"TT", {0, -1}, u"க்ஷ்க்ஷ"},
      {1, u"QQq", {0, -1, 1}, u"ஸ்ஸா"},
  });
}

TEST_F(ConvertKeyTest, OtherSyllabicLayouts) {
  ExpectWords({
      {2, u"tc", {0, -1}, u"ற"},
      {2, u"ts", {0, -1}, u"றா"},
      {2, u"{", {0}, u"க்ஷ"},
      {2, u"Q", {0}, u"("},
      {7, u"ys", {0, -1}, u"றா"},
      {7, u"m", {0}, u"ள"},
      {7, u"`", {0}, u";"},
  });
}

TEST_F(ConvertKeyTest, LayoutWithoutTablesTypesEveryKeyAsItself) {
  for (int32_t layout : {6, 8, -3, INT32_MAX}) {
    ExpectWords({{layout, u"ka\\M9", {0, 0, 0, 0, 0}, u"ka\\M9"}});
    EXPECT_EQ(Neutral, CurrentWordState().wordState);
  }
  ExpectWords({{6, u"$$", {0, 1}, u"₹"}});
}

TEST_F(ConvertKeyTest, ResetWordStateKeepsTheRulesSwitch) {
  SetTamil99Rules(false);
  TypeWord(0, u"th");
  ResetWordState();
  const WordState& ws = CurrentWordState();
  EXPECT_EQ(Idle, ws.wordState);
  EXPECT_EQ(0, ws.currentVowel);
  EXPECT_EQ(0, ws.pendingSign);
  EXPECT_EQ(0, ws.keyBeforePrevious);
  EXPECT_FALSE(ws.autoPulliDone);
  EXPECT_FALSE(Tamil99Rules());
}

TEST(FindKeyTripleTest, MatchesAllThreeRows) {
  const LayoutRecord& korvi = GetLayoutRecord(kLayoutKorvi);
  EXPECT_EQ(37, FindKeyTriple(u'h', u't', u'n', korvi));
  EXPECT_EQ(39, FindKeyTriple(u'r', u'd', u'n', korvi));
  EXPECT_EQ(36, FindKeyTriple(u'h', u'r', u't', korvi));
  EXPECT_EQ(kNotFound, FindKeyTriple(u'r', u'd', u'w', korvi));
  EXPECT_EQ(kNotFound, FindKeyTriple(u'*', u'*', u'R', korvi));
  EXPECT_EQ(kNotFound, FindKeyTriple(u'h', u't', u'n', GetLayoutRecord(kLayoutTamil99)));
}

}  // namespace
}  // namespace korvi
