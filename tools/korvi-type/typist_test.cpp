#include "typist.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace korvi::type {
namespace {

struct RunResult {
  int code;
  std::string out;
  std::string err;
};

RunResult RunWith(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int code = Run(args, in, out, err);
  return {code, out.str(), err.str()};
}

struct TypeCase {
  std::vector<std::string> args;
  std::string printed;
};

TEST(KorviTypeTest, TypesLikeTheTextService) {
  const TypeCase cases[] = {
      // The documented examples.
      {{"--layout", "tamil99", "hhs"}, "க்கி\n"},
      {{"nanRi"}, "நன்றி\n"},
      {{"--layout", "newtw", "bfh"}, "கொ\n"},
      {{"a f{BS}"}, "அ \n"},
      {{"ka{BS}na"}, "ன\n"},
      // A word ends at Space; the next word starts afresh (n is ந again).
      {{"nan nan"}, "நன் நன்\n"},
      // Backspace outside a composition deletes the character before the caret.
      {{"ka {BS}{BS}"}, "\n"},
      // Enter passes to the editor and ends the word.
      {{"ka{ENTER}na"}, "க\nந\n"},
      {{"--layout=1", "hh hh"}, "க்க க்க\n"},
      {{"--layout", "moe-singapore", "hh"}, "கக\n"},
      // A letter outside the layout is swallowed; Shift+4 $ $ gives the rupee sign.
      {{"kaB"}, "க\n"},
      {{"$$"}, "₹\n"},
      // F12 switches to English mode: keys come out as themselves.
      {{"ka{F12}ka{F12}ka"}, "கkaக\n"},
      {{"--layout", "mylai", "{LBRACE}"}, "ு\n"},  // a free-standing sign
      {{"--layout", "6", "{LBRACE}x{RBRACE}"}, "{}\n"},
      // The refused backslash leaves the vowel before it alone.
      {{"a\\A"}, "அா\n"},
      {{"\\A"}, "ா\n"},
      {{"{F12}a\\"}, "a\\\n"},  // in English mode the backslash is a plain character
      // Left and Right inside the composition cross a consonant and its sign.
      {{"kaka{LEFT}{LEFT}{RIGHT}m"}, "கம்க\n"},
      {{"kaki{LEFT}m"}, "கம்கி\n"},
      // Left out of a composition that starts with a bare sign ends the word there.
      {{"ka{F12}{F12}\\A{LEFT}m"}, "ம்கா\n"},
  };
  for (const TypeCase& c : cases) {
    const RunResult r = RunWith(c.args);
    EXPECT_EQ(0, r.code) << ::testing::PrintToString(c.args) << r.err;
    EXPECT_EQ(c.printed, r.out) << ::testing::PrintToString(c.args);
  }
}

TEST(KorviTypeTest, SampleWordInEveryLayout) {
  const TypeCase cases[] = {
      {{"--layout", "korvi", "vaNakkam"}, "வணக்கம்\n"},
      {{"--layout", "tamil99", "vphhkf"}, "வணக்கம்\n"},
      {{"--layout", "moe-singapore", "vphfhkf"}, "வணக்கம்\n"},
      {{"--layout", "velona7", "u[jfjkf"}, "வணக்கம்\n"},
      {{"--layout", "mylai", "vhkfkmf"}, "வணக்கம்\n"},
      {{"--layout", "newtw", "tzf;fk;"}, "வணக்கம்\n"},
      {{"--layout", "oldtw", "tz;ff;k"}, "வணக்கம்\n"},
      {{"--layout", "velona6", "u[jgjkg"}, "வணக்கம்\n"},
  };
  for (const TypeCase& c : cases)
    EXPECT_EQ(c.printed, RunWith(c.args).out) << c.args[1];
}

TEST(KorviTypeTest, EachInputLineIsAFreshDocument) {
  const RunResult r = RunWith({"--layout", "tamil99"}, "hh\r\nh\n\nTTs\n");
  EXPECT_EQ(0, r.code);
  EXPECT_EQ("க்க\nக\n\nக்ஷ்க்ஷி\n", r.out);
}

TEST(KorviTypeTest, TraceShowsEveryKey) {
  const RunResult r = RunWith({"--trace", "ka "});
  EXPECT_EQ("க \n", r.out);
  EXPECT_EQ(
      "k: result 0, removed 0, inserted U+0B95 U+0BCD\n"
      "a: result -1, removed 2, inserted U+0B95\n"
      " : result 0, removed 0, inserted U+0020\n",
      r.err);
}

TEST(KorviTypeTest, ErrorsTypeNothing) {
  const std::vector<std::vector<std::string>> cases = {
      {"--layout", "tamil100", "k"},
      {"--layout", "8", "k"},
      {"--layout"},
      {"{NOPE}"},
      {"ab{BS"},
      {"a", "b"},
      {"\xE0\xAE\x95"},
      {"--colour", "k"},
      {"a\nb"},
  };
  for (const auto& args : cases) {
    const RunResult r = RunWith(args);
    EXPECT_EQ(2, r.code) << ::testing::PrintToString(args);
    EXPECT_EQ("", r.out) << ::testing::PrintToString(args);
    EXPECT_NE("", r.err) << ::testing::PrintToString(args);
  }
  // A bad line in standard input stops everything before any line is typed.
  const RunResult r = RunWith({}, "ka\n{BAD}\n");
  EXPECT_EQ(2, r.code);
  EXPECT_EQ("", r.out);
}

}  // namespace
}  // namespace korvi::type
