#include "tools/keynotation/key_notation.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace korvi::notation {
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
  for (const char* bad : {"{NOPE}", "ab{BS", "caf\xC3\xA9", "two\nlines"}) {
    std::vector<Key> keys;
    std::string error;
    EXPECT_FALSE(ParseKeys(bad, keys, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

TEST(TypingCommandTest, OptionsOfEachTool) {
  struct Case {
    std::vector<std::string> args;
    TypingOptions options;
    bool ok;
  };
  const TypingOptions type{true, false};
  const TypingOptions typist{false, true};
  const Case cases[] = {
      {{"--layout", "tamil99", "hh"}, type, true},
      {{"--layout=moe-singapore", "hh"}, type, true},
      {{"--trace", "k"}, type, true},
      {{"--trace", "k"}, typist, false},
      {{"--dll", "x.dll", "k"}, typist, true},
      {{"--dll", "x.dll", "k"}, type, false},
      {{"--layout"}, type, false},
      {{"--layout", "8", "k"}, type, false},
      {{"a", "b"}, type, false},
      {{"--", "--trace"}, type, true},  // after --, everything is KEYS
  };
  for (const Case& c : cases) {
    std::istringstream in;
    TypingCommand command;
    std::string error;
    EXPECT_EQ(c.ok, ParseTypingCommand(c.args, in, c.options, command, error))
        << ::testing::PrintToString(c.args) << error;
  }
}

TEST(TypingCommandTest, StandardInputGivesOneDocumentALine) {
  std::istringstream in("hh\r\n\nka\n");
  TypingCommand command;
  std::string error;
  ASSERT_TRUE(ParseTypingCommand({"--layout", "1"}, in, {}, command, error)) << error;
  EXPECT_EQ(1, command.layout.layoutNumber);
  ASSERT_EQ(3u, command.documents.size());
  EXPECT_EQ(2u, command.documents[0].size());
  EXPECT_TRUE(command.documents[1].empty());

  std::istringstream bad("ka\n{BAD}\n");
  EXPECT_FALSE(ParseTypingCommand({}, bad, {}, command, error));
}

}  // namespace
}  // namespace korvi::notation
