// Compositions in the model TSF host: the caret over whole letters, the selection leaving the
// word, terminations by TSF, and hosts whose compositions carry no display attribute.
#include <gtest/gtest.h>

#include <string>

#include "textservice/service_fixture.h"

namespace korvi {
namespace {

using testing::ServiceTest;
using tsfmodel::Span;

class CompositionTest : public ServiceTest {};

TEST_F(CompositionTest, LeftAndRightCrossAConsonantWithItsSign) {
  Start();
  Type(L"kaama");  // கா then ம: a consonant with its sign, then a bare consonant
  ASSERT_EQ(host().Text(), L"காம");
  ASSERT_EQ(host().CompositionSpan(), (Span{0, 3}));
  struct Step {
    UINT vk;
    long caret;
  };
  const Step steps[] = {
      {VK_LEFT, 2},   // over ம alone
      {VK_LEFT, 0},   // over ா and its க together
      {VK_LEFT, 0},   // at the start: stays, still eaten
      {VK_RIGHT, 2},  // over க and its ா
      {VK_RIGHT, 3},  // over ம, which has no sign after it
      {VK_RIGHT, 3},  // at the end: stays
  };
  for (const Step& step : steps) {
    EXPECT_TRUE(host().Key(step.vk).eaten);
    EXPECT_EQ(host().Selection().span, (Span{step.caret, step.caret}));
  }
  EXPECT_EQ(host().CompositionSpan(), (Span{0, 3}));
  EXPECT_EQ(host().Text(), L"காம");
}

TEST_F(CompositionTest, TypingAfterACaretMoveEditsAtTheCaret) {
  Start();
  Type(L"kaama{LEFT}");
  Type(L"i");  // after a caret move the key starts afresh: the vowel itself
  EXPECT_EQ(host().Text(), L"காஇம");
  EXPECT_EQ(host().Selection().span, (Span{3, 3}));
}

TEST_F(CompositionTest, ClickOutsideEndsTheWordAndClickInsideKeepsIt) {
  host_.emplace();
  host().PushDocument(L"ab");
  ASSERT_EQ(host().ActivateFromFactory(factory_), S_OK);
  Type(L"ka");
  ASSERT_EQ(host().CompositionSpan(), (Span{2, 3}));
  host().Click(2);  // the composition's start is inside it
  EXPECT_EQ(host().CompositionSpan(), (Span{2, 3}));
  host().Click(1);  // one character before it
  EXPECT_EQ(host().CompositionCount(), 0);
  EXPECT_FALSE(AnyAttribute());
  // The next key starts a new word at the new caret.
  Type(L"a");
  EXPECT_EQ(host().Text(), L"aஅbக");
}

TEST_F(CompositionTest, KeyWithTheSelectionOutsideTheWordChangesNothing) {
  host_.emplace();
  host().PushDocument(L"ab");
  ASSERT_EQ(host().ActivateFromFactory(factory_), S_OK);
  Type(L"ka");
  ASSERT_EQ(host().Text(), L"abக");
  // The application moves the caret without telling the service (no end of edit).
  host().Context()->document().SetSelection({0, 0});
  Type(L"a");
  EXPECT_EQ(host().Text(), L"abக");
  // The next key in the word does not replace what the refused key never wrote.
  host().Context()->document().SetSelection({3, 3});
  Type(L"i");
  EXPECT_EQ(host().Text().substr(0, 3), L"abக");
  EXPECT_GT(host().Text().size(), 3u);
}

TEST_F(CompositionTest, LongWordsLoseNothingWhenAKeyRewritesTheirTail) {
  Start();
  // More than a hundred units in one word: the edit removes exactly the units before the caret.
  std::wstring keys;
  for (int i = 0; i < 110; ++i)
    keys += L"ka";
  Type(keys);
  std::wstring expected;
  for (int i = 0; i < 110; ++i)
    expected += L"க";
  ASSERT_EQ(host().Text(), expected);
  Type(L"ki");
  expected += L"கி";
  EXPECT_EQ(host().Text(), expected);
  EXPECT_EQ(host().CompositionSpan(), (Span{0, static_cast<long>(expected.size())}));
}

TEST_F(CompositionTest, TerminationByTsfKeepsTheText) {
  Start();
  Type(L"ka");
  host().threadMgr()->TerminateCompositionsOf(host().clientId());
  EXPECT_EQ(host().CompositionCount(), 0);
  EXPECT_EQ(host().Text(), L"க");
  Type(L"k");  // a new composition opens
  EXPECT_EQ(host().CompositionSpan(), (Span{1, 3}));
}

TEST_F(CompositionTest, AReplacementLongerThanTheWordStopsAtItsStart) {
  Start();
  Type(L"ka");
  host().threadMgr()->TerminateCompositionsOf(host().clientId());
  // The key context still says "replace the க"; the new word is empty, so nothing before it goes.
  Type(L"a");
  EXPECT_EQ(host().Text(), L"ககா");
  EXPECT_EQ(host().CompositionSpan(), (Span{1, 3}));
}

// Word (any command line that mentions WINWORD.EXE) gets no display attributes. Run as a child
// process whose command line names a Word document folder.
TEST_F(CompositionTest, DISABLED_InWordCompositionsCarryNoAttribute) {
  ASSERT_TRUE(testing::CommandLineMentions(L"winword.exe"));
  Start();
  Type(L"ka");
  EXPECT_EQ(host().CompositionSpan(), (Span{0, 1}));
  EXPECT_FALSE(AnyAttribute());
  Type(L"{ESC}");
  EXPECT_FALSE(AnyAttribute());
  Type(L" ");
  EXPECT_EQ(host().Text(), L"க ");
  EXPECT_EQ(host().CompositionCount(), 0);
}

TEST_F(CompositionTest, WordHostsGetNoDisplayAttributes) {
  const testing::ChildRun run =
      testing::RunThisProgram(L"CompositionTest.DISABLED_InWordCompositionsCarryNoAttribute",
                              L"C:\\Users\\u\\Documents\\Winword.exe-files\\letter.doc");
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_TRUE(run.OnePassed()) << run.output;
}

// On Windows major version 5 the characters that a key replaces are removed by Backspace
// keystrokes sent to the focus window, and the output still goes into the document.
TEST_F(CompositionTest, DISABLED_OnVersion5KeystrokesRemoveTheReplacedCharacters) {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ASSERT_TRUE(GetVersionExW(&version));
#pragma GCC diagnostic pop
  ASSERT_EQ(version.dwMajorVersion, 5u);
  testing::RecordingWindow frame(L"KorviTestFrame", L"frame");
  ShowWindow(frame.hwnd(), SW_SHOW);
  testing::RecordingWindow edit(L"KorviTestEdit", L"", frame.hwnd());
  SetFocus(edit.hwnd());
  ASSERT_EQ(GetFocus(), edit.hwnd());
  Start();
  Type(L"k");
  testing::RecordingWindow::PumpMessages();
  edit.Clear();
  Type(L"a");  // replaces the two units of க் by க
  testing::RecordingWindow::PumpMessages();
  using testing::Posted;
  using testing::Sent;
  const LPARAM down = 0x000E0001;
  const LPARAM up = static_cast<LPARAM>(0xC00E0001u);
  EXPECT_EQ(edit.Messages({WM_KEYDOWN, WM_KEYUP, WM_CHAR}),
            (std::vector<testing::RecordedMessage>{
                Sent(WM_KEYDOWN, VK_BACK, down), Sent(WM_KEYUP, VK_BACK, up),
                Sent(WM_KEYDOWN, VK_BACK, down), Sent(WM_KEYUP, VK_BACK, up),
                Posted(WM_CHAR, VK_BACK, down), Posted(WM_CHAR, VK_BACK, down)}));
  // The model document is no window: only the insertion reached it.
  EXPECT_EQ(host().Text(), L"க்க");
  StopHost();
  SetFocus(nullptr);
}

TEST_F(CompositionTest, Version5HostsRemoveCharactersByKeystrokes) {
  wchar_t self[MAX_PATH];
  ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring name = self;
  name = name.substr(name.find_last_of(L"\\/") + 1);
  // Wine reports the Windows version that the program's AppDefaults name.
  const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\" + name;
  testing::RegistryKeyGuard guard(HKEY_CURRENT_USER, appDefaults);
  ASSERT_TRUE(testing::SetRegistryValue(HKEY_CURRENT_USER, appDefaults, L"Version", REG_SZ,
                                        testing::Utf16Bytes(L"winxp")));
  const testing::ChildRun run = testing::RunThisProgram(
      L"CompositionTest.DISABLED_OnVersion5KeystrokesRemoveTheReplacedCharacters", L"");
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_TRUE(run.OnePassed()) << run.output;
}

}  // namespace
}  // namespace korvi
