#include "fontpack.h"

#include <gtest/gtest.h>

#include <cstring>

#include "packbuilder.h"

namespace korvi::fonts {
namespace {

std::vector<uint8_t> Bytes(const char* text) {
  return std::vector<uint8_t>(text, text + std::strlen(text));
}

TEST(DecimalFieldTest, ReadsLikeTheCLibraryInsideTheField) {
  struct Case {
    const char* field;
    int64_t value;
  };
  const Case cases[] = {
      {"12      ", 12}, {"   7    ", 7}, {"\t\n 42x  ", 42},     {"-3      ", -3},
      {"+5      ", 5},  {"        ", 0}, {"abc     ", 0},        {"1 2     ", 1},
      {"- 4     ", 0},  {"0000009 ", 9}, {"12345678", 12345678},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> field = Bytes(c.field);
    EXPECT_EQ(ParseDecimalField(field.data(), field.size()), c.value) << c.field;
  }
}

TEST(DecimalFieldTest, DigitsThatFillTheFieldStopAtItsEnd) {
  // The size field is followed by more digits in memory; they are not part of it.
  std::vector<uint8_t> buffer = Bytes("999999999999");
  EXPECT_EQ(ParseDecimalField(buffer.data(), kSizeFieldSize), 99999999);
  EXPECT_EQ(ParseDecimalField(buffer.data(), kCountFieldSize), 999999999);
}

TEST(PackNameTest, DecodesHiddenNames) {
  uint8_t field[kNameFieldSize] = {0xD4, 0xC1, 0xCD, 0xC9, 0xCC, 0xAE, 0xF4, 0xF4, 0xE6};
  EXPECT_EQ(DecodePackName(field, kNameFieldSize), u"TAMIL.ttf");

  uint8_t full[kNameFieldSize];
  std::memset(full, 'x' + 128, sizeof full);
  EXPECT_EQ(DecodePackName(full, kNameFieldSize), std::u16string(32, u'x'));

  // Bytes below 0x80 land at the top of the 16-bit range.
  uint8_t low[kNameFieldSize] = {0x41, 0x7F};
  EXPECT_EQ(DecodePackName(low, kNameFieldSize),
            (std::u16string{char16_t(0xFFC1), char16_t(0xFFFF)}));
}

TEST(PackTest, ReadsHeaderEntriesAndData) {
  std::vector<uint8_t> pack =
      BuildPack({{"TAMIL.ttf", 'A', {1, 2, 3}}, {"Other.ttf", 'X', {}}, {"Last.ttf", 'F', {9}}});
  MemorySource source(pack.data(), pack.size());
  int64_t count = 0;
  ASSERT_EQ(ReadPackHeader(source, &count), PackError::kNone);
  EXPECT_EQ(count, 3);

  const struct {
    const char16_t* name;
    char kind;
    std::vector<uint8_t> data;
  } expected[] = {{u"TAMIL.ttf", 'A', {1, 2, 3}}, {u"Other.ttf", 'X', {}}, {u"Last.ttf", 'F', {9}}};
  for (const auto& want : expected) {
    EntryHeader entry;
    ASSERT_EQ(ReadEntryHeader(source, &entry), PackError::kNone);
    EXPECT_EQ(entry.name, want.name);
    EXPECT_EQ(entry.kind, want.kind);
    std::vector<uint8_t> data;
    ASSERT_EQ(ReadFontData(source, entry.dataSize, &data), PackError::kNone);
    EXPECT_EQ(data, want.data);
  }
  EXPECT_EQ(source.Remaining(), 0u);
}

TEST(PackTest, KeptKindLetters) {
  for (char kind : {'A', 'M', 'P', 'F'}) {
    EXPECT_TRUE(IsKeptKind(kind)) << kind;
  }
  for (char kind : {'X', 'a', 'm', '\0', ' '}) {
    EXPECT_FALSE(IsKeptKind(kind)) << kind;
  }
}

// Reads a pack the way the loader does and returns the first failure.
PackError WalkPack(const std::vector<uint8_t>& pack) {
  MemorySource source(pack.data(), pack.size());
  int64_t count = 0;
  PackError error = ReadPackHeader(source, &count);
  for (int64_t i = 0; error == PackError::kNone && i < count; ++i) {
    EntryHeader entry;
    error = ReadEntryHeader(source, &entry);
    std::vector<uint8_t> data;
    if (error == PackError::kNone) {
      error = ReadFontData(source, entry.dataSize, &data);
    }
  }
  return error;
}

TEST(PackTest, EveryTruncationPointHasItsFailure) {
  std::vector<uint8_t> pack =
      BuildPack({{"One.ttf", 'A', std::vector<uint8_t>(20, 7)}, {"Two.ttf", 'M', {5, 6}}});
  const size_t entry1 = kPackHeaderSize;
  const size_t entry2 = entry1 + kSizeFieldSize + kEntryHeaderSize + 20;
  const struct {
    size_t end;  // truncation points below this give `error`
    PackError error;
  } ranges[] = {
      {kFirstBlockSize, PackError::kFirstBlock},
      {kFirstBlockSize + kSecondBlockSize, PackError::kSecondBlock},
      {kFirstBlockSize + kSecondBlockSize + kThirdBlockSize, PackError::kThirdBlock},
      {kPackHeaderSize, PackError::kCount},
      {entry1 + kSizeFieldSize, PackError::kEntrySize},
      {entry1 + kSizeFieldSize + kEntryHeaderSize, PackError::kEntryHeader},
      {entry2, PackError::kFontData},
      {entry2 + kSizeFieldSize, PackError::kEntrySize},
      {entry2 + kSizeFieldSize + kEntryHeaderSize, PackError::kEntryHeader},
      {pack.size(), PackError::kFontData},
  };
  size_t range = 0;
  for (size_t length = 0; length < pack.size(); ++length) {
    while (length >= ranges[range].end) {
      ++range;
    }
    std::vector<uint8_t> cut(pack.begin(), pack.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ(WalkPack(cut), ranges[range].error) << "cut at " << length;
  }
  EXPECT_EQ(WalkPack(pack), PackError::kNone);
}

TEST(PackTest, CountOfZeroOrLessReadsNoEntries) {
  for (const char* count : {"0", "-2", "none"}) {
    std::vector<uint8_t> pack = BuildPack({{"One.ttf", 'A', {1}}}, count);
    MemorySource source(pack.data(), pack.size());
    int64_t value = 1;
    ASSERT_EQ(ReadPackHeader(source, &value), PackError::kNone);
    EXPECT_LE(value, 0) << count;
    EXPECT_EQ(source.Remaining(), pack.size() - kPackHeaderSize);
  }
}

TEST(PackTest, BadDataSizesAreShortReads) {
  // Negative, past the end of the pack, and the largest the field can hold.
  for (const char* size : {"-1", "-9999999", "21", "99999999"}) {
    std::vector<uint8_t> pack = BuildPack({});
    std::vector<uint8_t> entry = BuildEntry({"One.ttf", 'A', std::vector<uint8_t>(20, 1)}, size);
    pack.insert(pack.end(), entry.begin(), entry.end());
    pack[kPackHeaderSize - kCountFieldSize] = '1';
    EXPECT_EQ(WalkPack(pack), PackError::kFontData) << size;
  }
}

// A pack that claims to be endless, so only the size itself can refuse the read.
class EndlessSource : public ByteSource {
 public:
  size_t Read(void*, size_t) override { return 0; }
  uint64_t Remaining() const override { return UINT64_MAX; }
};

TEST(PackTest, SizeTooLargeToHoldIsAShortRead) {
  EndlessSource source;
  std::vector<uint8_t> data;
  EXPECT_EQ(ReadFontData(source, INT64_MAX, &data), PackError::kFontData);
  EXPECT_TRUE(data.empty());
}

TEST(PackTest, ErrorCodes) {
  EXPECT_STREQ(PackErrorCode(PackError::kFirstBlock), "FCT0001");
  EXPECT_STREQ(PackErrorCode(PackError::kEntryHeader), "FCT0006");
  EXPECT_STREQ(PackErrorCode(PackError::kFontData), "FCT009");
}

}  // namespace
}  // namespace korvi::fonts
