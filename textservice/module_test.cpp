#include "textservice/module.h"

#include <gtest/gtest.h>

#include <thread>

namespace korvi {
namespace {

int g_idleCalls = 0;
LONG g_countInHook = 0;

void CountIdle() {
  ++g_idleCalls;
  g_countInHook = ModuleObjectCount();
}

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ModuleAttach(GetModuleHandleW(nullptr)));
    g_idleCalls = 0;
    SetModuleIdleHook(CountIdle);
  }
  void TearDown() override {
    SetModuleIdleHook(nullptr);
    ModuleDetach();
    EXPECT_EQ(ModuleObjectCount(), -1);
  }
};

TEST_F(ModuleTest, CountStartsIdleAndTheHookRunsWhenItDropsBelowZero) {
  EXPECT_EQ(ModuleHandle(), GetModuleHandleW(nullptr));
  EXPECT_EQ(ModuleObjectCount(), -1);
  EXPECT_TRUE(ModuleCanUnload());

  EXPECT_EQ(ModuleAddRef(), 0);
  EXPECT_FALSE(ModuleCanUnload());
  EXPECT_EQ(ModuleAddRef(), 1);
  EXPECT_EQ(ModuleRelease(), 0);
  EXPECT_EQ(g_idleCalls, 0);
  EXPECT_EQ(ModuleRelease(), -1);
  EXPECT_EQ(g_idleCalls, 1);
  EXPECT_EQ(g_countInHook, -1);
  EXPECT_TRUE(ModuleCanUnload());
}

TEST_F(ModuleTest, ConcurrentChangesBalance) {
  auto churn = [] {
    for (int i = 0; i < 20000; ++i) {
      ModuleAddRef();
      ModuleRelease();
    }
  };
  ModuleAddRef();  // keeps the count at 0 or more, so the hook stays quiet
  std::thread a(churn);
  std::thread b(churn);
  a.join();
  b.join();
  EXPECT_EQ(ModuleObjectCount(), 0);
  EXPECT_EQ(g_idleCalls, 0);
  ModuleRelease();
  EXPECT_EQ(g_idleCalls, 1);
}

}  // namespace
}  // namespace korvi
