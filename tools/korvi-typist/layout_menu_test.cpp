#include "tools/korvi-typist/key_notation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvi::typist {
namespace {

TEST(KeyNotationTest, CharactersAndNamesBecomeUsKeys) {
  std::vector<Key> keys;
  std::string error;
  ASSERT_TRUE(ParseKeys("aA\"}{BS}{LBRACE} ", keys, error));
  const std::vector<std::pair<uint16_t, bool>> expected = {
      {0x41, false}, {0x41, true}, {0xDE, true}, {0xDD, true},
      {0x08, false}, {0xDB, true}, {0x20, false}};
  ASSERT_EQ(keys.size(), expected.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(keys[i].virtualKey, expected[i].first) << i;
    EXPECT_EQ(keys[i].shift, expected[i].second) << i;
  }
}

TEST(KeyNotationTest, BadKeysAreErrors) {
  for (const char* bad : {"{NOPE}", "ab{BS", "caf\xC3\xA9", "tab\there"}) {
    std::vector<Key> keys;
    std::string error;
    EXPECT_FALSE(ParseKeys(bad, keys, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

TEST(KeyNotationTest, LayoutsMapToTheirMenuEntries) {
  struct Case {
    const char* layout;
    std::optional<unsigned> entry;
  };
  for (const Case& c : {Case{"korvi", 11}, Case{"0", 11}, Case{"tamil99", 12}, Case{"1", 12},
                        Case{"moe-singapore", 13}, Case{"velona6", 14}, Case{"7", 14},
                        Case{"velona7", 15}, Case{"2", 15}, Case{"oldtw", 16}, Case{"5", 16},
                        Case{"newtw", 17}, Case{"4", 17}, Case{"mylai", 18}, Case{"3", 18},
                        Case{"6", 0}, Case{"8", std::nullopt}, Case{"Korvi", std::nullopt}}) {
    EXPECT_EQ(LayoutMenuEntry(c.layout), c.entry) << c.layout;
  }
}

}  // namespace
}  // namespace korvi::typist
