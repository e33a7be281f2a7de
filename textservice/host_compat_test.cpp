#include "textservice/host_compat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/win/recording_window.h"

namespace korvi {

// Flags print by name in failures.
void PrintTo(const HostFlags& f, std::ostream* out) {
  *out << "{mark " << f.markCompositions << ", corrections " << f.keystrokeCorrections
       << ", postChar " << f.postBackspaceChar << ", paired " << f.pairedBackspaces << "}";
}

namespace {

using testing::Posted;
using testing::RecordedMessage;
using testing::RecordingWindow;
using testing::Sent;

HostFlags Flags(bool mark, bool corrections, bool postChar, bool paired) {
  HostFlags flags;
  flags.markCompositions = mark;
  flags.keystrokeCorrections = corrections;
  flags.postBackspaceChar = postChar;
  flags.pairedBackspaces = paired;
  return flags;
}

const HostFlags kDefaults = Flags(true, false, true, false);
const HostFlags kKeystrokes = Flags(true, true, true, false);

TEST(DetectHostTest, ClassifiesTheHostByCommandLineAndVersion) {
  // 2 + 497 + 11 characters: the name ends exactly at the room's end.
  const std::wstring padding(497, L'x');
  const struct {
    const char* what;
    std::wstring commandLine;
    DWORD major;
    HostFlags expected;
  } cases[] = {
      {"Word, version 6", L"\"C:\\Office\\WINWORD.EXE\" /n", 6, Flags(false, false, true, false)},
      {"Word, version 5", L"C:\\Office\\winword.exe", 5, Flags(false, false, true, false)},
      {"Word named in an argument", L"notepad.exe D:\\docs\\WinWord.Exe.txt", 10,
       Flags(false, false, true, false)},
      {"Notepad, version 6", L"notepad.exe", 6, kDefaults},
      {"Notepad, version 10", L"notepad.exe", 10, kDefaults},
      {"Notepad, version 5", L"C:\\WINDOWS\\notepad.exe", 5, kKeystrokes},
      {"WordPad, version 5", L"\"C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe\"", 5,
       kDefaults},
      {"Publisher, version 5", L"MSPUB.EXE", 5, kDefaults},
      {"Firefox, version 5", L"\"C:\\Mozilla Firefox\\firefox.exe\" -url x", 5,
       Flags(true, true, false, false)},
      {"Firefox, version 6", L"firefox.exe", 6, kDefaults},
      {"Chrome, version 5", L"chrome.exe --type=renderer", 5, Flags(true, true, true, true)},
      {"Chrome, version 4", L"chrome.exe", 4, kDefaults},
      {"only ASCII letters are upper-cased", L"WINWORD\u0131.EXE winword\u00e9exe", 6, kDefaults},
      {"Word within the first 510 characters", L"a " + padding + L"WINWORD.EXE", 6,
       Flags(false, false, true, false)},
      {"Word beyond 510 characters is cut off", L"a " + padding + L"xWINWORD.EXE", 6, kDefaults},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DetectHost(HostFacts{c.commandLine.c_str(), c.major}), c.expected);
  }
  EXPECT_EQ(DetectHost(HostFacts{nullptr, 5}), kKeystrokes) << "null command line";
}

TEST(DetectHostTest, ReadsThisProcess) {
  const HostFacts facts = CurrentHostFacts();
  EXPECT_NE(std::wstring(facts.commandLine).find(L"host_compat_test"), std::wstring::npos);
  EXPECT_GE(facts.majorVersion, 5u);
  EXPECT_EQ(DetectHost(), DetectHost(facts));
}

// Focus windows of the classes that the keystroke procedure tells apart, each a child of a
// visible frame so that it can take the keyboard focus.
class DeleteByKeystrokesTest : public ::testing::Test {
 protected:
  void SetUp() override { ShowWindow(frame_.hwnd(), SW_SHOW); }
  void TearDown() override {
    SetFocus(nullptr);
    RecordingWindow::PumpMessages();
  }

  // Focuses window, runs the procedure, then lets the posted messages arrive.
  std::vector<RecordedMessage> Run(RecordingWindow& window, const HostFlags& flags, int count,
                                   const wchar_t* output) {
    SetFocus(window.hwnd());
    EXPECT_EQ(GetFocus(), window.hwnd());
    RecordingWindow::PumpMessages();
    window.Clear();
    DeleteByKeystrokes(flags, count, output);
    RecordingWindow::PumpMessages();
    return window.Messages({WM_KEYDOWN, WM_KEYUP, WM_CHAR});
  }

  RecordingWindow frame_{L"KorviTestFrame", L"frame"};
};

std::vector<RecordedMessage> Repeat(int times, const std::vector<RecordedMessage>& messages) {
  std::vector<RecordedMessage> all;
  for (int i = 0; i < times; ++i)
    all.insert(all.end(), messages.begin(), messages.end());
  return all;
}

const RecordedMessage kSentDown = Sent(WM_KEYDOWN, VK_BACK, kKeyDownData);
const RecordedMessage kSentUp = Sent(WM_KEYUP, VK_BACK, kKeyUpData);
const RecordedMessage kPostedDown = Posted(WM_KEYDOWN, VK_BACK, kKeyDownData);
const RecordedMessage kPostedUp = Posted(WM_KEYUP, VK_BACK, kKeyUpData);

TEST_F(DeleteByKeystrokesTest, PlainWindowGetsSentBackspacesWithPostedCharacters) {
  RecordingWindow edit(L"KorviTestEdit", L"", frame_.hwnd());
  // The sent key messages arrive at once, the posted WM_CHAR only when the queue is read.
  EXPECT_EQ(Run(edit, kKeystrokes, 2, L"x"),
            (std::vector<RecordedMessage>{kSentDown, kSentUp, kSentDown, kSentUp,
                                          Posted(WM_CHAR, VK_BACK, kKeyDownData),
                                          Posted(WM_CHAR, VK_BACK, kKeyDownData)}));
  EXPECT_EQ(Run(edit, Flags(true, true, false, false), 2, L"x"), Repeat(2, {kSentDown, kSentUp}))
      << "Firefox: no WM_CHAR";
}

TEST_F(DeleteByKeystrokesTest, PairedBackspacesRoundAnOddCountUp) {
  RecordingWindow edit(L"KorviTestEdit", L"", frame_.hwnd());
  const HostFlags chrome = Flags(true, true, true, true);
  std::vector<RecordedMessage> odd = {Sent(WM_KEYDOWN, 0x2A, kKeyDownData),
                                      Sent(WM_KEYUP, 0x2A, kKeyUpData)};
  const std::vector<RecordedMessage> twoPairs = Repeat(2, {kSentDown, kSentUp});
  odd.insert(odd.end(), twoPairs.begin(), twoPairs.end());
  EXPECT_EQ(Run(edit, chrome, 3, L""), odd);
  EXPECT_EQ(Run(edit, chrome, 4, L""), twoPairs);
  EXPECT_EQ(Run(edit, chrome, 1, L""),
            (std::vector<RecordedMessage>{odd[0], odd[1], kSentDown, kSentUp}));
}

TEST_F(DeleteByKeystrokesTest, PaneAndOperaWindowsGetEverythingPostedWithTheOutput) {
  RecordingWindow pane(L"paneClassDCx", L"", frame_.hwnd());
  std::vector<RecordedMessage> expected = Repeat(3, {kPostedDown, kPostedUp});
  expected.push_back(Posted(WM_CHAR, 0x0B95, 0));
  expected.push_back(Posted(WM_CHAR, 0x0BBE, 0));
  EXPECT_EQ(Run(pane, kKeystrokes, 1, L"\u0b95\u0bbe"), expected);
  // Whatever the flags say.
  EXPECT_EQ(Run(pane, Flags(true, true, true, true), 1, L"\u0b95\u0bbe"), expected);
  EXPECT_EQ(Run(pane, kKeystrokes, 2, nullptr), Repeat(2, {kPostedDown, kPostedUp}));

  // At most the output buffer's room is typed.
  const std::wstring longOutput(40, L'a');
  const std::vector<RecordedMessage> typed = Run(pane, kKeystrokes, 1, longOutput.c_str());
  EXPECT_EQ(typed.size(), 2 * (1 + kKeystrokeOutputRoom) + kKeystrokeOutputRoom);

  RecordingWindow operaFrame(L"OperaWindowClass", L"", frame_.hwnd());
  RecordingWindow opera(L"OperaWindowClassChild", L"", operaFrame.hwnd());
  EXPECT_EQ(Run(opera, kKeystrokes, 1, L"\u0b95\u0bbe"), expected);

  // An Opera window inside another class is an ordinary window.
  RecordingWindow lone(L"OperaWindowClass", L"", frame_.hwnd());
  EXPECT_EQ(Run(lone, Flags(true, true, false, false), 1, L"x"),
            (std::vector<RecordedMessage>{kSentDown, kSentUp}));
}

TEST_F(DeleteByKeystrokesTest, WindowInsideOpWindowGetsPostedBackspacesOnly) {
  RecordingWindow opFrame(L"OpWindowFrame", L"", frame_.hwnd());
  RecordingWindow view(L"KorviTestView", L"", opFrame.hwnd());
  EXPECT_EQ(Run(view, Flags(true, true, true, true), 3, L"xy"),
            Repeat(3, {kPostedDown, kPostedUp}));
}

TEST_F(DeleteByKeystrokesTest, NothingWithoutCountOrFocus) {
  RecordingWindow edit(L"KorviTestEdit", L"", frame_.hwnd());
  EXPECT_TRUE(Run(edit, kKeystrokes, 0, L"x").empty());
  EXPECT_TRUE(Run(edit, kKeystrokes, -3, L"x").empty());

  SetFocus(nullptr);
  ASSERT_EQ(GetFocus(), nullptr);
  DeleteByKeystrokes(kKeystrokes, 2, L"x");
  RecordingWindow::PumpMessages();
  EXPECT_TRUE(edit.Messages({WM_KEYDOWN, WM_KEYUP, WM_CHAR}).empty());
}

}  // namespace
}  // namespace korvi
