#include "tools/korvi-typist/layout_menu.h"

#include <gtest/gtest.h>

namespace korvi::typist {
namespace {

TEST(LayoutMenuTest, LayoutsMapToTheirMenuEntries) {
  struct Case {
    const char* layout;
    std::optional<unsigned> entry;
  };
  for (const Case& c :
       {Case{"korvi", 11}, Case{"0", 11}, Case{"tamil99", 12}, Case{"1", 12},
        Case{"moe-singapore", 13}, Case{"velona6", 14}, Case{"7", 14}, Case{"velona7", 15},
        Case{"2", 15}, Case{"oldtw", 16}, Case{"5", 16}, Case{"newtw", 17}, Case{"4", 17},
        Case{"mylai", 18}, Case{"3", 18}, Case{"6", std::nullopt}}) {
    const auto layout = notation::ParseLayout(c.layout);
    ASSERT_TRUE(layout) << c.layout;
    EXPECT_EQ(LayoutMenuEntry(*layout), c.entry) << c.layout;
  }
}

}  // namespace
}  // namespace korvi::typist
