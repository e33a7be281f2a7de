#include "workfile.h"

#include <gtest/gtest.h>

namespace korvi::fonts {
namespace {

std::vector<uint8_t> WorkFile(const std::vector<std::u16string>& names) {
  std::vector<uint8_t> bytes(kWorkFileHeader, kWorkFileHeader + kWorkFileHeaderSize);
  for (const auto& name : names) {
    EXPECT_TRUE(EncodeRecord(name, &bytes));
  }
  return bytes;
}

std::vector<std::u16string> Names(const std::vector<uint8_t>& file) {
  MemorySource source(file.data(), file.size());
  WorkFileContents contents;
  if (!ReadWorkFile(source, &contents)) {
    return {u"<short>"};
  }
  return DecodeRecords(contents.records.data(), contents.records.size());
}

TEST(RecordTest, EncodesAndDecodesTheExampleName) {
  std::vector<uint8_t> record;
  ASSERT_TRUE(EncodeRecord(u"\\K10A3F.tmp", &record));
  const std::vector<uint8_t> expected = {12,   0xDC, 0xCB, 0xB1, 0xB0, 0xC1, 0xB3,
                                         0xC6, 0xAE, 0xF4, 0xED, 0xF0, 0x80};
  EXPECT_EQ(record, expected);
  EXPECT_EQ(DecodeRecords(record.data(), record.size()),
            std::vector<std::u16string>{u"\\K10A3F.tmp"});
}

TEST(RecordTest, RefusesNamesWhoseRecordPasses99Bytes) {
  std::vector<uint8_t> record;
  EXPECT_TRUE(EncodeRecord(std::u16string(98, u'a'), &record));
  EXPECT_EQ(record.size(), 100u);
  EXPECT_EQ(record[0], 99);
  record.clear();
  EXPECT_FALSE(EncodeRecord(std::u16string(99, u'a'), &record));
  EXPECT_FALSE(EncodeRecord(std::u16string(300, u'a'), &record));
  EXPECT_TRUE(record.empty());
}

TEST(WorkFileTest, ReadsRecordsAfterAnyHeader) {
  EXPECT_TRUE(Names(WorkFile({})).empty());
  EXPECT_EQ(Names(WorkFile({u"\\K10A.tmp", u"\\K10B.tmp"})),
            (std::vector<std::u16string>{u"\\K10A.tmp", u"\\K10B.tmp"}));

  std::vector<uint8_t> other = WorkFile({u"\\K10C.tmp"});
  std::fill(other.begin(), other.begin() + 7, 'z');
  EXPECT_EQ(Names(other), std::vector<std::u16string>{u"\\K10C.tmp"});

  std::vector<uint8_t> header(kWorkFileHeader, kWorkFileHeader + 7);
  MemorySource source(header.data(), header.size());
  WorkFileContents contents;
  ASSERT_TRUE(ReadWorkFile(source, &contents));
  EXPECT_STREQ(contents.header, "717677a");  // terminated, so it can be logged
}

TEST(WorkFileTest, FilesShorterThanTheHeaderHaveNoRecords) {
  for (size_t size = 0; size < 7; ++size) {
    std::vector<uint8_t> file(kWorkFileHeader, kWorkFileHeader + size);
    MemorySource source(file.data(), file.size());
    WorkFileContents contents;
    EXPECT_FALSE(ReadWorkFile(source, &contents)) << size;
  }
}

TEST(WorkFileTest, ReadsNoFurtherThan5000BytesAfterTheHeader) {
  // 357 records of 14 bytes fill 4998 bytes; the next one straddles byte 5000 and
  // the one after lies wholly past it.
  std::vector<std::u16string> names(359, u"\\K10ABCD.tmp");
  names[357] = u"\\K10XXXX.tmp";
  names[358] = u"\\K10YYYY.tmp";
  std::vector<uint8_t> file = WorkFile(names);
  ASSERT_GT(file.size(), 5007u);

  MemorySource source(file.data(), file.size());
  WorkFileContents contents;
  ASSERT_TRUE(ReadWorkFile(source, &contents));
  EXPECT_EQ(contents.records.size(), kMaxRecordData);
  std::vector<std::u16string> read =
      DecodeRecords(contents.records.data(), contents.records.size());
  EXPECT_EQ(read, std::vector<std::u16string>(357, u"\\K10ABCD.tmp"));
}

TEST(RecordTest, OddRecords) {
  const struct {
    const char* what;
    std::vector<uint8_t> data;
    std::vector<std::u16string> names;
  } cases[] = {
      {"n = 0 gives an empty name and one byte", {0, 2, 0xC1, 0x80}, {u"", u"A"}},
      {"n past the data ends the walk", {2, 0xC1, 0x80, 5, 0xC2, 0xC3}, {u"A"}},
      {"a lone length byte", {0xFF}, {}},
      {"name ends at the first 0x80", {3, 0xC1, 0x80, 0xC2}, {u"A"}},
      {"no terminator keeps all n bytes", {2, 0xC1, 0xC2}, {u"AB"}},
      {"bytes below 0x80 decode high", {2, 0x41, 0x80}, {std::u16string(1, char16_t(0xFFC1))}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeRecords(c.data.data(), c.data.size()), c.names) << c.what;
  }
}

TEST(RecordTest, OnlyPlainFileNamesAreJoinedToTheFontsFolder) {
  const struct {
    const char16_t* name;
    bool plain;
  } cases[] = {
      {u"\\K10A3F.tmp", true},
      {u"\\font file.ttf", true},
      {u"\\a.b.c", true},
      {u"", false},
      {u"\\", false},
      {u"K10A3F.tmp", false},
      {u"\\..\\evil.tmp", false},
      {u"\\..", false},
      {u"\\.", false},
      {u"\\sub\\K10A.tmp", false},
      {u"\\a/b.tmp", false},
      {u"\\C:x.tmp", false},
      {u"\\x..tmp", false},
  };
  for (const auto& c : cases) {
    std::u16string name = c.name;
    EXPECT_EQ(IsPlainFontFileName(name), c.plain) << std::string(name.begin(), name.end());
  }
}

}  // namespace
}  // namespace korvi::fonts
