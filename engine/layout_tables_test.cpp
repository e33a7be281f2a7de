#include "layout_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace korvi {
namespace {

using RowLengths = std::array<size_t, kLayoutRowCount>;

// Row lengths of every layout record, in row order C1Keys .. SymbolChars.
constexpr RowLengths kExpectedRowLengths[kLayoutCount] = {
    {42, 42, 42, 42, 42, 42, 42, 15, 15, 15, 15, 1, 1},
    {25, 0, 0, 25, 0, 0, 0, 14, 14, 14, 0, 7, 7},
    {24, 24, 0, 24, 0, 0, 0, 14, 14, 14, 0, 10, 10},
    {24, 13, 18, 24, 13, 18, 18, 6, 7, 6, 7, 4, 4},
    {24, 12, 17, 24, 12, 17, 17, 4, 10, 4, 10, 6, 6},
    {24, 12, 17, 24, 12, 17, 17, 4, 10, 4, 10, 6, 6},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {24, 24, 0, 24, 0, 0, 0, 14, 14, 14, 0, 2, 2},
};

TEST(LayoutRecordTest, EveryRowHasItsLength) {
  for (int32_t layout = 0; layout < kLayoutCount; ++layout) {
    const LayoutRecord& record = GetLayoutRecord(layout);
    for (int row = 0; row < kLayoutRowCount; ++row)
      EXPECT_EQ(std::strlen(record.rows[row]), kExpectedRowLengths[layout][row])
          << "layout " << layout << " row " << row;
  }
}

TEST(LayoutRecordTest, NewTwAndOldTwShareTheirTables) {
  EXPECT_EQ(0, std::memcmp(&GetLayoutRecord(kLayoutNewTw), &GetLayoutRecord(kLayoutOldTw),
                           sizeof(LayoutRecord)));
}

TEST(LayoutRecordTest, RowsNameTheirSpecialCharacters) {
  // Characters that the rows can only name in words.
  EXPECT_EQ('\\', GetLayoutRecord(0).rows[C1Keys][41]);
  EXPECT_EQ('"', GetLayoutRecord(1).rows[SymbolKeys][5]);
  EXPECT_EQ('"', GetLayoutRecord(1).rows[SymbolChars][2]);
  EXPECT_EQ('"', GetLayoutRecord(3).rows[C2Keys][7]);
  EXPECT_EQ('\\', GetLayoutRecord(3).rows[V2Keys][6]);
  EXPECT_EQ('@', GetLayoutRecord(3).rows[SymbolKeys][2]);
  EXPECT_EQ(0xA9u, RowByte(GetLayoutRecord(3), SymbolChars, 2));
  EXPECT_EQ('"', GetLayoutRecord(4).rows[C1Keys][21]);
}

TEST(LayoutRecordTest, NumbersOutsideTheRangeGetTheEmptyRecord) {
  for (int32_t layout : {-1, 8, 1000, INT32_MIN, INT32_MAX})
    EXPECT_EQ(&GetLayoutRecord(kLayoutNone), &GetLayoutRecord(layout)) << layout;
}

struct SyllableCase {
  char consonant;
  char vowel;
  std::u16string text;
};

class SyllableTextTest : public ::testing::TestWithParam<SyllableCase> {};

TEST_P(SyllableTextTest, GivesTheCell) {
  const SyllableCase& c = GetParam();
  EXPECT_EQ(c.text, SyllableText(c.consonant, c.vowel));
}

INSTANTIATE_TEST_SUITE_P(
    Cells, SyllableTextTest,
    ::testing::Values(SyllableCase{'k', 'a', u"\u0B95"}, SyllableCase{'k', 'q', u"\u0B95\u0BCD"},
                      SyllableCase{0, 'q', u"\u0B83"}, SyllableCase{'a', 'o', u"\u0B92"},
                      SyllableCase{'x', 'i', u"\u0B95\u0BCD\u0BB7\u0BBF"},
                      SyllableCase{'1', 'q', u"\u0BB1\u0BCD\u0BB1\u0BCD"},
                      SyllableCase{'7', 'q', u"\u0B9E\u0BCD\u0B9A\u0BCD"},
                      SyllableCase{'W', 'a', u"\u0BB8\u0BCD\u0BB0\u0BC0"},
                      SyllableCase{'W', 'q', u"\u0BB8\u0BCD\u0BB0\u0BC0"},
                      SyllableCase{'H', 'Q', u"\u0BB6\u0BCC"}, SyllableCase{'^', 'A', u"\u0BBE"},
                      SyllableCase{'^', 'q', u"\u0BCD"},
                      // Empty cells and unknown codes.
                      SyllableCase{'W', 'A', u""}, SyllableCase{'1', 'a', u""},
                      SyllableCase{'^', 'a', u""}, SyllableCase{'k', 0, u""},
                      SyllableCase{'*', 'a', u""}, SyllableCase{'k', '*', u""}));

TEST(SyllableTableTest, EveryCellFitsItsSlot) {
  for (const auto& row : SyllableTable.cells)
    for (const auto& cell : row)
      EXPECT_EQ(0, cell[kSyllableCellCapacity - 1]);
}

TEST(RowLookupTest, FirstPositionWins) {
  const LayoutRecord& korvi = GetLayoutRecord(kLayoutKorvi);
  EXPECT_EQ(3, FindKey(korvi, C1Keys, u'n'));
  EXPECT_EQ('n', korvi.rows[C1Codes][3]);
  EXPECT_EQ(kNotFound, FindKey(korvi, C1Keys, u'B'));
}

TEST(RowLookupTest, StarEntriesMatchNoKey) {
  const LayoutRecord& korvi = GetLayoutRecord(kLayoutKorvi);
  EXPECT_EQ(kNotFound, FindKey(korvi, C2Keys, u'*'));
  EXPECT_EQ(kNotFound, FindKeyPair(korvi, C1Keys, C2Keys, u'R', u'*'));
  EXPECT_EQ(kNotFound, FindKeyPair(GetLayoutRecord(kLayoutTamil99), V1Keys, V2Keys, u'q', u'*'));
}

TEST(RowLookupTest, PairsMatchBothRows) {
  const LayoutRecord& korvi = GetLayoutRecord(kLayoutKorvi);
  const int th = FindKeyPair(korvi, C1Keys, C2Keys, u't', u'h');
  ASSERT_NE(kNotFound, th);
  EXPECT_EQ('t', korvi.rows[C2Codes][th]);
  EXPECT_EQ(kNotFound, FindKeyPair(korvi, C1Keys, C2Keys, u'k', u'h'));
  EXPECT_EQ(kNotFound, FindKeyPair(GetLayoutRecord(kLayoutNone), C1Keys, C2Keys, u't', u'h'));
}

TEST(UnicodeListTest, SignsAndConsonants) {
  EXPECT_EQ(13u, std::char_traits<char16_t>::length(VowelSignList));
  EXPECT_EQ(23u, std::char_traits<char16_t>::length(ConsonantList));
  EXPECT_TRUE(IsVowelSign(0x0BCD));
  EXPECT_TRUE(IsVowelSign(0x0BD7));
  EXPECT_FALSE(IsVowelSign(0x0BC3));
  EXPECT_FALSE(IsVowelSign(0));
  EXPECT_TRUE(IsConsonant(0x0B95));
  EXPECT_TRUE(IsConsonant(0x0BB9));
  EXPECT_FALSE(IsConsonant(0x0B85));
  EXPECT_FALSE(IsConsonant(0));
}

}  // namespace
}  // namespace korvi
