#include "command.h"

#include <gtest/gtest.h>

namespace korvi::fonts {
namespace {

TEST(CommandTest, KeysAreExact) {
  const struct {
    const char16_t* line;
    Job job;
    int generation;
  } cases[] = {
      {u"i", Job::kReinstall, kCurrentSet},
      {u"is", Job::kReinstall, kCurrentSet},
      {u"i9", Job::kReinstall, kOlderSet},
      {u"is9", Job::kReinstall, kOlderSet},
      {u"u", Job::kUnload, kCurrentSet},
      {u"u9", Job::kUnload, kOlderSet},
      {u"f", Job::kCheckAndRepair, kCurrentSet},
      {u"f9", Job::kCheckAndRepair, kOlderSet},
      {u"qwsa", Job::kTellLookupServer, 0},
      {u"  i", Job::kReinstall, kCurrentSet},
      {u"", Job::kNone, 0},
      {u"I", Job::kNone, 0},
      {u"i ", Job::kNone, 0},
      {u"-i", Job::kNone, 0},
      {u"QWSA", Job::kNone, 0},
      {u"i9 x", Job::kNone, 0},
      {u"u10", Job::kNone, 0},
      {u"   ", Job::kNone, 0},
  };
  for (const auto& c : cases) {
    Command command = ParseCommand(c.line);
    std::u16string line = c.line;
    EXPECT_EQ(command.job, c.job) << std::string(line.begin(), line.end());
    if (c.job != Job::kNone) {
      EXPECT_EQ(command.generation, c.generation);
    }
  }
}

}  // namespace
}  // namespace korvi::fonts
