#include "textservice/companion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "testing/win/file_bytes.h"
#include "testing/win/message_box_watcher.h"
#include "testing/win/recording_window.h"
#include "testing/win/registry_fixture.h"
#include "testing/win/standin_program.h"
#include "testing/win/wide_text.h"

namespace korvi {
namespace {

using testing::MessageBoxWatcher;
using testing::ReadFileBytes;
using testing::RecordedMessage;
using testing::RecordingWindow;
using testing::RegistryKeyGuard;
using testing::SeenMessageBox;
using testing::Sent;
using testing::StandinInstall;

// What the shell was asked to do, and the process handle it gave back.
struct ShellStart {
  ULONG mask;
  std::wstring verb;
  std::wstring file;
  std::wstring parameters;
  int show;
  HANDLE process;
};
std::vector<ShellStart> g_starts;

BOOL WINAPI WatchedShellExecute(SHELLEXECUTEINFOW* info) {
  const BOOL started = ShellExecuteExW(info);
  g_starts.push_back({info->fMask, info->lpVerb ? info->lpVerb : L"",
                      info->lpFile ? info->lpFile : L"",
                      info->lpParameters ? info->lpParameters : L"", info->nShow, info->hProcess});
  return started;
}

std::wstring Env(const wchar_t* name) {
  wchar_t value[4096];
  const DWORD length = GetEnvironmentVariableW(name, value, 4096);
  return length > 0 && length < 4096 ? value : L"";
}

// Message boxes are watched and must all have been expected; the product's keys start empty and
// are put back; the shell's starts are recorded; TEMP points at a folder of the test's own.
class CompanionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\Velona Systems");
    testing::DeleteRegistryTree(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\Velona Systems");
    savedTemp_ = Env(L"TEMP");
    temp_ = savedTemp_ + L"\\korvi-companion-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(temp_.c_str(), nullptr);
    SetEnvironmentVariableW(L"TEMP", temp_.c_str());
    g_starts.clear();
    SetShellExecuteForTesting(WatchedShellExecute);
  }
  void TearDown() override {
    SetShellExecuteForTesting(nullptr);
    SetEnvironmentVariableW(L"TEMP", savedTemp_.c_str());
    DeleteFileW(LookupFile().c_str());
    RemoveDirectoryW(temp_.c_str());
    EXPECT_EQ(boxes_.Take(), std::vector<SeenMessageBox>{}) << "message boxes nobody expected";
    RecordingWindow::PumpMessages();
  }

  std::wstring LookupFile() const { return temp_ + L"\\korvi_lookup_word.dat"; }

  static void SetHome(const std::wstring& home) {
    ASSERT_TRUE(testing::SetRegistryValue(HKEY_CURRENT_USER, kUserSettingsKey, L"vkbdhome", REG_SZ,
                                          testing::Utf16Bytes(home)));
  }

  MessageBoxWatcher boxes_;
  std::wstring temp_;

 private:
  std::wstring savedTemp_;
  RegistryKeyGuard user_{HKEY_CURRENT_USER, L"Software\\Velona Systems"};
  RegistryKeyGuard machine_{HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\Velona Systems"};
};

std::vector<uint8_t> LookupFileBytes(const std::wstring& word) {
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  const std::vector<uint8_t> text = testing::Utf16Bytes(word + L"{~}" + word, false);
  bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}

// The stand-in for the lookup server's hidden window.
class LookupServerWindow : public RecordingWindow {
 public:
  LookupServerWindow() : RecordingWindow(L"KorviTestLookupServer", kLookupServerTitle) {}
  // Delivers what was posted to it and gives its WM_COMMAND messages.
  std::vector<RecordedMessage> Received() {
    PumpMessages();
    return Messages({WM_COMMAND});
  }
};

TEST(LookupMessageTest, IsRegisteredUnderTheSharedName) {
  const std::wstring name = kLookupMessageName;
  const std::wstring ending = L"lookupword.lookup";
  ASSERT_GT(name.size(), ending.size());
  EXPECT_EQ(name.substr(name.size() - ending.size()), ending);
  EXPECT_GE(LookupMessage(), 0xC000u);
  EXPECT_EQ(LookupMessage(), RegisterWindowMessageW(name.c_str()));
}

TEST_F(CompanionTest, LookupWritesTheFileAndPostsOneMessage) {
  LookupServerWindow server;
  SendLookupWord(L"\u0b95\u0bb2\u0bcd");  // கல்
  EXPECT_EQ(ReadFileBytes(LookupFile()), LookupFileBytes(L"\u0b95\u0bb2\u0bcd"));
  EXPECT_EQ(server.Received(),
            (std::vector<RecordedMessage>{testing::Posted(WM_COMMAND, LookupMessage(), 0)}));
}

TEST_F(CompanionTest, LookupFileIsWrittenAfreshAndTheWordCut) {
  LookupServerWindow server;
  SendLookupWord(std::wstring(150, L'a').c_str());
  EXPECT_EQ(ReadFileBytes(LookupFile()), LookupFileBytes(std::wstring(kLookupWordRoom, L'a')));
  SendLookupWord(L"x");
  EXPECT_EQ(ReadFileBytes(LookupFile()), LookupFileBytes(L"x")) << "an old file is truncated";
  SendLookupWord(L"");
  EXPECT_EQ(ReadFileBytes(LookupFile()), LookupFileBytes(L""));
  SendLookupWord(nullptr);
  EXPECT_EQ(ReadFileBytes(LookupFile()), LookupFileBytes(L""));
  EXPECT_EQ(server.Received().size(), 4u);
}

TEST_F(CompanionTest, LookupWithoutServerStillWritesTheFile) {
  SendLookupWord(L"word");
  EXPECT_EQ(ReadFileBytes(LookupFile()), LookupFileBytes(L"word"));
}

TEST_F(CompanionTest, LookupFilePathFromTemp) {
  wchar_t path[kLookupFilePathRoom];
  ASSERT_TRUE(LookupFilePath(path));
  EXPECT_EQ(std::wstring(path), LookupFile());

  SetEnvironmentVariableW(L"TEMP", L"C:\\temp\\");
  ASSERT_TRUE(LookupFilePath(path));
  EXPECT_STREQ(path, L"C:\\temp\\korvi_lookup_word.dat") << "no second backslash";

  const std::wstring longest = L"C:\\" + std::wstring(kTempRoom - 3, L't');
  SetEnvironmentVariableW(L"TEMP", longest.c_str());
  ASSERT_TRUE(LookupFilePath(path));
  EXPECT_EQ(std::wstring(path), longest + L"\\korvi_lookup_word.dat");

  SetEnvironmentVariableW(L"TEMP", (longest + L"t").c_str());
  EXPECT_FALSE(LookupFilePath(path)) << "longer than the room";
  EXPECT_STREQ(path, L"");
  SetEnvironmentVariableW(L"TEMP", nullptr);
  EXPECT_FALSE(LookupFilePath(path)) << "unset";
}

TEST_F(CompanionTest, NoMessageWhenTheFileCannotBeWritten) {
  LookupServerWindow server;
  const struct {
    const char* what;
    std::wstring temp;
  } cases[] = {
      {"missing folder", temp_ + L"\\missing"},
      {"TEMP too long", L"C:\\" + std::wstring(kTempRoom, L't')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetEnvironmentVariableW(L"TEMP", c.temp.c_str());
    SendLookupWord(L"word");
    EXPECT_TRUE(server.Received().empty());
  }
}

TEST_F(CompanionTest, ProgramPathDropsOneTrailingBackslash) {
  wchar_t path[kProgramPathRoom + 1];
  const struct {
    const wchar_t* home;
    const wchar_t* expected;
  } cases[] = {
      {L"C:\\Korvi", L"C:\\Korvi\\Korvi10VkbdApp.exe"},
      {L"C:\\Korvi\\", L"C:\\Korvi\\Korvi10VkbdApp.exe"},
      {L"C:\\Korvi\\\\", L"C:\\Korvi\\\\Korvi10VkbdApp.exe"},
      {L"", L"\\Korvi10VkbdApp.exe"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(CompanionProgramPath(c.home, kVisualKeyboardProgram, path));
    EXPECT_STREQ(path, c.expected);
  }
  const std::wstring program = kVisualKeyboardProgram;
  const std::wstring fits(kProgramPathRoom - program.size(), L'h');
  ASSERT_TRUE(CompanionProgramPath(fits.c_str(), kVisualKeyboardProgram, path));
  EXPECT_EQ(std::wstring(path), fits + program);
  EXPECT_FALSE(CompanionProgramPath((fits + L"h").c_str(), kVisualKeyboardProgram, path));
  EXPECT_STREQ(path, L"");
  EXPECT_FALSE(
      CompanionProgramPath(std::wstring(5000, L'h').c_str(), kVisualKeyboardProgram, path));
}

TEST_F(CompanionTest, RunningLookupServerIsNotStartedAgain) {
  LookupServerWindow server;
  StartLookupServer();
  EXPECT_TRUE(g_starts.empty());
}

TEST_F(CompanionTest, LookupServerNotInstalledTellsTheUser) {
  const SeenMessageBox notInstalled{L"Korvi 10",
                                    L"Cannot locate lookup server. Perhaps it is not installed."};
  StartLookupServer();
  EXPECT_EQ(boxes_.Take(), std::vector<SeenMessageBox>{notInstalled}) << "vkbdhome absent";
  // A folder name too long for the settings read counts as absent.
  SetHome(L"C:\\" + std::wstring(61, L'k'));
  StartLookupServer();
  EXPECT_EQ(boxes_.Take(), std::vector<SeenMessageBox>{notInstalled}) << "vkbdhome too long";
  EXPECT_TRUE(g_starts.empty());
}

TEST_F(CompanionTest, LookupServerIsStartedFromTheInstallFolder) {
  StandinInstall home(L"vkbdhome");
  ASSERT_TRUE(home.Install(L"Korvi10WindowsServiceApp.exe"));
  for (const std::wstring& setting : {home.folder(), home.folder() + L"\\"}) {
    SCOPED_TRACE(testing::Narrow(setting));
    g_starts.clear();
    SetHome(setting);
    StartLookupServer();
    const auto run = home.WaitForStart();
    ASSERT_TRUE(run.has_value()) << "the program did not start";
    EXPECT_EQ(run->program, home.folder() + L"\\Korvi10WindowsServiceApp.exe");
    EXPECT_EQ(run->arguments, std::vector<std::wstring>{});

    ASSERT_EQ(g_starts.size(), 1u);
    const ShellStart& start = g_starts[0];
    EXPECT_EQ(start.mask & SEE_MASK_NOCLOSEPROCESS, static_cast<ULONG>(SEE_MASK_NOCLOSEPROCESS));
    EXPECT_EQ(start.verb, L"open");
    EXPECT_EQ(start.file, home.folder() + L"\\Korvi10WindowsServiceApp.exe");
    EXPECT_EQ(start.parameters, L"");
    EXPECT_EQ(start.show, SW_SHOWDEFAULT);
    // The handle that the shell gave back has been closed.
    ASSERT_NE(start.process, nullptr);
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(start.process, &flags)) << "process handle leaked";
  }
}

TEST_F(CompanionTest, LookupServerThatCannotStartTellsTheUser) {
  StandinInstall home(L"vkbdhome");  // installed nothing
  SetHome(home.folder());
  StartLookupServer();
  // The shell reports the missing file in a box of its own first (its text is the system's).
  const std::vector<SeenMessageBox> seen = boxes_.Take();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1], (SeenMessageBox{L"Starting Lookup Server",
                                     L"There was a problem starting the lookup server"}));
  EXPECT_FALSE(home.Started());
}

TEST_F(CompanionTest, RunningKeyboardHearsTheModeAndNothingStarts) {
  RecordingWindow keyboard(kVisualKeyboardClass, L"any title");
  ShowCompanionKeyboard(kCommandVisualKeyboard);
  ShowCompanionKeyboard(kCommandCharacterPalette);
  ShowCompanionKeyboard(32);
  ShowCompanionKeyboard(0);
  EXPECT_EQ(keyboard.Messages({WM_COMMAND}),
            (std::vector<RecordedMessage>{Sent(WM_COMMAND, kShowKeyboard, 0x76),
                                          Sent(WM_COMMAND, kShowKeyboard, 0x63)}));
  EXPECT_TRUE(g_starts.empty());
}

TEST_F(CompanionTest, KeyboardNotInstalledTellsTheUser) {
  ShowCompanionKeyboard(kCommandCharacterPalette);
  EXPECT_EQ(boxes_.Take(), (std::vector<SeenMessageBox>{{L"Korvi 10",
                                                         L"Cannot locate component. Perhaps it is "
                                                         L"not installed."}}));
  ShowCompanionKeyboard(33);
  EXPECT_TRUE(boxes_.Take().empty()) << "other commands do nothing";
}

TEST_F(CompanionTest, KeyboardIsStartedWithItsMode) {
  StandinInstall home(L"vkbdhome");
  ASSERT_TRUE(home.Install(L"Korvi10VkbdApp.exe"));
  SetHome(home.folder() + L"\\");
  const struct {
    UINT command;
    const wchar_t* mode;
  } cases[] = {{kCommandVisualKeyboard, L"vkbd"}, {kCommandCharacterPalette, L"cmap"}};
  for (const auto& c : cases) {
    g_starts.clear();
    ShowCompanionKeyboard(c.command);
    const auto run = home.WaitForStart();
    ASSERT_TRUE(run.has_value()) << "the program did not start";
    EXPECT_EQ(run->program, home.folder() + L"\\Korvi10VkbdApp.exe");
    EXPECT_EQ(run->arguments, std::vector<std::wstring>{c.mode});
    ASSERT_EQ(g_starts.size(), 1u);
    EXPECT_EQ(g_starts[0].verb, L"open");
    EXPECT_EQ(g_starts[0].show, SW_SHOWDEFAULT);
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(g_starts[0].process, &flags)) << "process handle leaked";
  }
}

// A keyboard whose window is up by the time the shell returns hears the mode at once.
RecordingWindow* g_startedKeyboard = nullptr;

BOOL WINAPI StartKeyboardWindow(SHELLEXECUTEINFOW* info) {
  g_starts.push_back(
      {info->fMask, info->lpVerb, info->lpFile, info->lpParameters, info->nShow, nullptr});
  g_startedKeyboard = new RecordingWindow(kVisualKeyboardClass);
  return TRUE;
}

TEST_F(CompanionTest, KeyboardThatIsUpAtOnceHearsTheMode) {
  SetHome(L"C:\\Korvi");
  SetShellExecuteForTesting(StartKeyboardWindow);
  ShowCompanionKeyboard(kCommandCharacterPalette);
  ASSERT_NE(g_startedKeyboard, nullptr);
  EXPECT_EQ(g_startedKeyboard->Messages({WM_COMMAND}),
            (std::vector<RecordedMessage>{Sent(WM_COMMAND, kShowKeyboard, 0x63)}));
  ASSERT_EQ(g_starts.size(), 1u);
  EXPECT_EQ(g_starts[0].file, L"C:\\Korvi\\Korvi10VkbdApp.exe");
  EXPECT_EQ(g_starts[0].parameters, L"cmap");
  delete g_startedKeyboard;
  g_startedKeyboard = nullptr;
}

TEST_F(CompanionTest, KeyboardNoticesOnFocusActivationAndDeactivation) {
  // Without a keyboard nothing is sent and nothing breaks.
  NotifyKeyboardFocus();
  NotifyVisualKeyboardActivated();
  NotifyVisualKeyboardDeactivated();

  RecordingWindow frame(L"KorviTestFrame", L"frame");
  ShowWindow(frame.hwnd(), SW_SHOW);
  SetFocus(frame.hwnd());
  ASSERT_EQ(GetFocus(), frame.hwnd());
  const LPARAM focus = reinterpret_cast<LPARAM>(frame.hwnd());

  RecordingWindow keyboard(kVisualKeyboardClass);
  NotifyVisualKeyboardActivated();
  NotifyKeyboardFocus();
  NotifyVisualKeyboardDeactivated();
  EXPECT_EQ(keyboard.Messages({WM_COMMAND}),
            (std::vector<RecordedMessage>{
                Sent(WM_COMMAND, kShowKeyboard, 0), Sent(WM_COMMAND, kKeyboardFocus, focus),
                Sent(WM_COMMAND, kKeyboardFocus, focus), Sent(WM_COMMAND, kHideKeyboard, 0)}));
  SetFocus(nullptr);
}

}  // namespace
}  // namespace korvi
