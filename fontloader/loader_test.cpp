// Korvi10Config as its callers run it: the real program, real font packs built from
// renamed TrueType fonts, the real registry and per-user folders, and a later process
// that asks the font table which families it has.
#include <shlobj.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "loader.h"
#include "packbuilder.h"
#include "settings/debug_log.h"
#include "testing/win/child_process.h"
#include "testing/win/debug_output_capture.h"
#include "testing/win/file_bytes.h"
#include "testing/win/message_box_watcher.h"
#include "testing/win/recording_window.h"
#include "testing/win/registry_fixture.h"
#include "workfile.h"

namespace korvi::fonts {
namespace {

using korvi::testing::MessageBoxWatcher;
using korvi::testing::SeenMessageBox;

constexpr wchar_t kSettingsKey[] = L"Software\\Velona Systems\\Velona10\\ini";
constexpr wchar_t kWorkFile10[] = L"\\Korvi11fpk.wrk";
constexpr wchar_t kWorkFile9[] = L"\\Korvi98fpk.wrk";
constexpr wchar_t kTamil[] = L"KorviTestTamil";
constexpr wchar_t kSans[] = L"KorviTestSans";
constexpr wchar_t kMono[] = L"KorviTestMono";
constexpr wchar_t kSerif[] = L"KorviTestSerif";

// Build-tree paths reach the prefix through its Z: drive.
std::wstring FromUnixPath(const char* path) {
  std::wstring result = L"Z:";
  for (const char* c = path; *c != '\0'; ++c) {
    result += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  }
  return result;
}

std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Names of the files in folder that match pattern, in the order the system lists them.
std::vector<std::wstring> List(const std::wstring& folder, const wchar_t* pattern = L"*") {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      names.push_back(found.cFileName);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") {
        continue;
      }
      std::wstring child = path + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
  DeleteFileW(path.c_str());
}

std::vector<uint8_t> WorkFileBytes(const std::vector<std::wstring>& names) {
  std::vector<uint8_t> bytes(kWorkFileHeader, kWorkFileHeader + kWorkFileHeaderSize);
  for (const std::wstring& name : names) {
    EXPECT_TRUE(EncodeRecord(std::u16string(name.begin(), name.end()), &bytes));
  }
  return bytes;
}

std::vector<std::wstring> WorkFileNames(const std::wstring& path) {
  std::vector<uint8_t> bytes = testing::ReadFileBytes(path);
  if (bytes.size() < kWorkFileHeaderSize) {
    return {L"<no work file>"};
  }
  std::vector<std::wstring> names;
  for (const auto& name :
       DecodeRecords(bytes.data() + kWorkFileHeaderSize, bytes.size() - kWorkFileHeaderSize)) {
    names.emplace_back(name.begin(), name.end());
  }
  return names;
}

// Runs a program with its standard output on a pipe and waits for it to end.
testing::ChildProcessRun RunProgram(const std::wstring& program, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + program + L"\"";
  if (!arguments.empty())
    commandLine += L" " + arguments;
  return testing::RunChildProcess(commandLine, 60000);
}

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appData_ = ShellFolder(CSIDL_APPDATA);
    workFolder_ = appData_ + L"\\Korvi";
    localAppData_ = ShellFolder(CSIDL_LOCAL_APPDATA);
    fontsFolder_ = localAppData_ + L"\\Wkfn";
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    home_ = std::wstring(temp) + L"korvi-home10";
    home9_ = std::wstring(temp) + L"korvi-home9";
    for (const std::wstring& folder : {workFolder_, fontsFolder_, home_, home9_}) {
      RemoveTree(folder);
    }
    CreateDirectoryW(home_.c_str(), nullptr);
    CreateDirectoryW(home9_.c_str(), nullptr);
    // The homes as an installation writes them, one with a trailing backslash.
    SetHome(L"korvihome", home_ + L"\\");
    SetHome(L"korvi9home", home9_);
  }

  void TearDown() override {
    // Leave no test font registered for the next test.
    Run(L"u");
    Run(L"u9");
    for (const std::wstring& folder : {workFolder_, fontsFolder_, home_, home9_}) {
      RemoveTree(folder);
    }
  }

  void SetHome(const wchar_t* name, const std::wstring& folder) {
    ASSERT_TRUE(korvi::testing::SetRegistryValue(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ,
                                                 korvi::testing::Utf16Bytes(folder)));
  }

  // One run of the loader; the exit code is always 0.
  std::string Run(const std::wstring& arguments) {
    testing::ChildProcessRun run = RunProgram(FromUnixPath(KORVI_CONFIG_EXE), arguments);
    EXPECT_EQ(run.exitCode, 0u) << "arguments: " << std::string(arguments.begin(), arguments.end());
    return run.output;
  }

  // What a later process finds in the font table, family by family.
  std::map<std::wstring, bool> Families(std::vector<std::wstring> families = {kTamil, kSans, kMono,
                                                                              kSerif}) {
    std::wstring arguments;
    for (const auto& family : families) {
      arguments += (arguments.empty() ? L"" : L" ") + family;
    }
    std::string output = RunProgram(FromUnixPath(KORVI_FONT_PROBE), arguments).output;
    std::map<std::wstring, bool> found;
    for (const auto& family : families) {
      std::string narrow(family.begin(), family.end());
      found[family] = output.find(narrow + "=1") != std::string::npos;
    }
    return found;
  }

  static std::map<std::wstring, bool> Expect(std::set<std::wstring> present) {
    std::map<std::wstring, bool> expected;
    for (const wchar_t* family : {kTamil, kSans, kMono, kSerif}) {
      expected[family] = present.count(family) > 0;
    }
    return expected;
  }

  static std::vector<uint8_t> Font(const wchar_t* family) {
    std::wstring file = FromUnixPath(KORVI_TEST_FONTS) + L"\\" + family + L".ttf";
    std::vector<uint8_t> bytes = testing::ReadFileBytes(file);
    EXPECT_GT(bytes.size(), 1000u) << "test font missing";
    return bytes;
  }

  void WritePack(const std::wstring& folder, const wchar_t* name,
                 const std::vector<PackEntry>& entries) {
    testing::WriteFileBytes(folder + L"\\" + name, BuildPack(entries));
  }

  // The per-user font files, checked against the work file: every listed name is
  // a file, every other file is one of `unlisted` leftovers, and returns the listed
  // files' contents in list order.
  std::vector<std::vector<uint8_t>> ListedFonts(const wchar_t* workFile = kWorkFile10,
                                                size_t unlisted = 0) {
    std::vector<std::wstring> listed = WorkFileNames(workFolder_ + workFile);
    std::vector<std::wstring> files = List(fontsFolder_);
    std::vector<std::wstring> expected;
    std::vector<std::vector<uint8_t>> contents;
    for (const std::wstring& name : listed) {
      expected.push_back(name.substr(1));
      contents.push_back(testing::ReadFileBytes(fontsFolder_ + name));
    }
    std::sort(files.begin(), files.end());
    std::sort(expected.begin(), expected.end());
    std::vector<std::wstring> leftovers;
    std::set_difference(files.begin(), files.end(), expected.begin(), expected.end(),
                        std::back_inserter(leftovers));
    EXPECT_EQ(files.size(), expected.size() + leftovers.size()) << "a listed file is missing";
    EXPECT_EQ(leftovers.size(), unlisted);
    return contents;
  }

  korvi::testing::RegistryKeyGuard registry_{HKEY_CURRENT_USER, L"Software\\Velona Systems"};
  std::wstring appData_, workFolder_, localAppData_, fontsFolder_, home_, home9_;
};

TEST_F(LoaderTest, ReinstallUnpacksAndRegistersAndUnloadWithdraws) {
  std::vector<uint8_t> tamil = Font(kTamil);
  std::vector<uint8_t> sans = Font(kSans);
  WritePack(home_, L"korvi.fpk",
            {{"TAMIL.ttf", 'A', tamil}, {"SANS.ttf", 'M', sans}, {"MONO.ttf", 'X', Font(kMono)}});

  EXPECT_EQ(Run(L"i"), "");
  // Two kept fonts, each under a name the system chose, listed in pack order.
  std::vector<std::wstring> names = WorkFileNames(workFolder_ + kWorkFile10);
  ASSERT_EQ(names.size(), 2u);
  for (const std::wstring& name : names) {
    EXPECT_EQ(name.substr(0, 4), L"\\K10") << std::string(name.begin(), name.end());
    EXPECT_EQ(name.substr(name.size() - 4), L".tmp");
  }
  std::vector<uint8_t> bytes = testing::ReadFileBytes(workFolder_ + kWorkFile10);
  EXPECT_EQ(bytes, WorkFileBytes(names));
  EXPECT_EQ(ListedFonts(), (std::vector<std::vector<uint8_t>>{tamil, sans}));
  EXPECT_EQ(Families(), Expect({kTamil, kSans}));

  EXPECT_EQ(Run(L"u"), "");
  EXPECT_FALSE(Exists(workFolder_ + kWorkFile10));
  EXPECT_TRUE(List(fontsFolder_).empty());
  EXPECT_EQ(Families(), Expect({}));
}

TEST_F(LoaderTest, EachKeyWorksOnItsSet) {
  WritePack(home_, L"current.fpk", {{"TAMIL.ttf", 'A', Font(kTamil)}});
  WritePack(home9_, L"older.fpk", {{"SERIF.ttf", 'P', Font(kSerif)}});
  const struct {
    const wchar_t* key;
    const wchar_t* workFile;
    const wchar_t* family;
    const wchar_t* unloadKey;
  } cases[] = {
      {L"i", kWorkFile10, kTamil, L"u"},
      {L"is", kWorkFile10, kTamil, L"u"},
      {L"i9", kWorkFile9, kSerif, L"u9"},
      {L"is9", kWorkFile9, kSerif, L"u9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key, c.key + wcslen(c.key)));
    EXPECT_EQ(Run(c.key), "");
    EXPECT_EQ(List(workFolder_), std::vector<std::wstring>{std::wstring(c.workFile + 1)});
    EXPECT_EQ(ListedFonts(c.workFile).size(), 1u);
    EXPECT_EQ(Families(), Expect({c.family}));
    EXPECT_EQ(Run(c.unloadKey), "");
    EXPECT_TRUE(List(workFolder_).empty());
    EXPECT_EQ(Families(), Expect({}));
  }
}

TEST_F(LoaderTest, AnythingButAKeyDoesNothing) {
  WritePack(home_, L"korvi.fpk", {{"TAMIL.ttf", 'A', Font(kTamil)}});
  for (const wchar_t* line : {L"", L"I", L"i ", L"-i", L"U", L"qwsa x", L"i9x", L"/i"}) {
    EXPECT_EQ(Run(line), "");
  }
  EXPECT_FALSE(Exists(workFolder_ + kWorkFile10));
  EXPECT_TRUE(List(fontsFolder_).empty());
}

TEST_F(LoaderTest, WithoutPacksTheWorkFileHoldsItsHeaderOnly) {
  EXPECT_EQ(Run(L"f"), "");  // nothing loads, so it rebuilds: still nothing
  EXPECT_EQ(testing::ReadFileBytes(workFolder_ + kWorkFile10), WorkFileBytes({}));
  EXPECT_TRUE(List(fontsFolder_).empty());
}

TEST_F(LoaderTest, KeepsOnlyFontsOfTheKeptKinds) {
  std::vector<uint8_t> tamil = Font(kTamil);
  std::vector<PackEntry> entries;
  for (char kind : {'A', 'X', 'M', 'a', 'P', ' ', 'F', 'f'}) {
    entries.push_back({std::string("font-") + kind + ".ttf", kind, tamil});
  }
  WritePack(home_, L"kinds.fpk", entries);
  EXPECT_EQ(Run(L"i"), "");
  // Other kinds were unpacked and deleted again: four files, four records.
  EXPECT_EQ(ListedFonts().size(), 4u);
}

TEST_F(LoaderTest, RepairRebuildsBelowTwentyFiveFonts) {
  std::vector<uint8_t> tamil = Font(kTamil);
  for (int kept : {24, 25}) {
    SCOPED_TRACE(kept);
    WritePack(home_, L"many.fpk", std::vector<PackEntry>(kept, {"TAMIL.ttf", 'A', tamil}));
    EXPECT_EQ(Run(L"i"), "");
    ASSERT_EQ(ListedFonts().size(), static_cast<size_t>(kept));
    std::vector<uint8_t> before = testing::ReadFileBytes(workFolder_ + kWorkFile10);
    // A leftover of an earlier run: only a rebuild's unload sweeps it away.
    testing::WriteFileBytes(fontsFolder_ + L"\\K10ZZZZ.tmp", {1, 2, 3});

    EXPECT_EQ(Run(L"f"), "");
    bool rebuilt = kept < 25;
    EXPECT_EQ(Exists(fontsFolder_ + L"\\K10ZZZZ.tmp"), !rebuilt);
    if (rebuilt) {
      EXPECT_EQ(ListedFonts().size(), static_cast<size_t>(kept));
    } else {
      EXPECT_EQ(testing::ReadFileBytes(workFolder_ + kWorkFile10), before);
    }
    EXPECT_EQ(Families(), Expect({kTamil}));
    EXPECT_EQ(Run(L"u"), "");
  }
}

TEST_F(LoaderTest, WorkFileInTheHomeFolderTakesPrecedence) {
  // The home arrangement: 25 fonts in home\Data, listed by a work file beside the packs.
  std::wstring data = home_ + L"\\Data";
  CreateDirectoryW(data.c_str(), nullptr);
  std::vector<uint8_t> serif = Font(kSerif);
  std::vector<std::wstring> names;
  for (int i = 0; i < 25; ++i) {
    names.push_back(L"\\serif" + std::to_wstring(i) + L".ttf");
    testing::WriteFileBytes(data + names.back(), serif);
  }
  testing::WriteFileBytes(data + L"\\K10STRAY.tmp", {0});
  testing::WriteFileBytes(home_ + kWorkFile10, WorkFileBytes(names));
  // A per-user set as well, which the home arrangement hides.
  CreateDirectoryW(workFolder_.c_str(), nullptr);
  CreateDirectoryW(fontsFolder_.c_str(), nullptr);
  testing::WriteFileBytes(fontsFolder_ + L"\\K10SANS.tmp", Font(kSans));
  testing::WriteFileBytes(workFolder_ + kWorkFile10, WorkFileBytes({L"\\K10SANS.tmp"}));

  EXPECT_EQ(Run(L"f"), "");  // 25 loaded: no repair
  EXPECT_EQ(Families(), Expect({kSerif}));

  EXPECT_EQ(Run(L"u"), "");
  EXPECT_EQ(Families(), Expect({}));
  EXPECT_TRUE(List(data).empty());                  // listed fonts and .tmp files deleted
  EXPECT_TRUE(Exists(home_ + kWorkFile10));         // the home work file is never deleted
  EXPECT_FALSE(Exists(workFolder_ + kWorkFile10));  // the per-user one is
  EXPECT_TRUE(Exists(fontsFolder_ + L"\\K10SANS.tmp"));
}

TEST_F(LoaderTest, NamesOutsideTheFontsFolderAreNeitherLoadedNorDeleted) {
  std::wstring data = home_ + L"\\Data";
  CreateDirectoryW(data.c_str(), nullptr);
  CreateDirectoryW((data + L"\\sub").c_str(), nullptr);
  std::vector<uint8_t> tamil = Font(kTamil);
  testing::WriteFileBytes(home_ + L"\\victim.ttf", tamil);
  testing::WriteFileBytes(data + L"\\sub\\K10SUB.tmp", tamil);
  testing::WriteFileBytes(home_ + L"\\DataK10NEXT.tmp", tamil);
  testing::WriteFileBytes(data + L"\\K10OK.tmp", tamil);
  testing::WriteFileBytes(
      home_ + kWorkFile10,
      WorkFileBytes({L"\\..\\victim.ttf", L"\\..\\Korvi11fpk.wrk", L"\\sub\\K10SUB.tmp",
                     L"K10NEXT.tmp", L"\\a/b.tmp", L"\\C:x.tmp", L"\\K10OK.tmp"}));

  EXPECT_EQ(Run(L"u"), "");
  EXPECT_TRUE(Exists(home_ + L"\\victim.ttf"));
  EXPECT_TRUE(Exists(home_ + kWorkFile10));
  EXPECT_TRUE(Exists(data + L"\\sub\\K10SUB.tmp"));
  EXPECT_TRUE(Exists(home_ + L"\\DataK10NEXT.tmp"));
  // The skipped names did not stop the walk: the plain name after them was handled.
  EXPECT_FALSE(Exists(data + L"\\K10OK.tmp"));
}

TEST_F(LoaderTest, MissingListedFontEndsFontHandling) {
  CreateDirectoryW(workFolder_.c_str(), nullptr);
  CreateDirectoryW(fontsFolder_.c_str(), nullptr);
  std::vector<uint8_t> tamil = Font(kTamil);
  std::vector<std::wstring> names;
  for (int i = 0; i < 25; ++i) {
    names.push_back(L"\\K10T" + std::to_wstring(i) + L".tmp");
    testing::WriteFileBytes(fontsFolder_ + names.back(), tamil);
  }
  names.push_back(L"\\K10GONE.tmp");
  names.push_back(L"\\serif.ttf");
  testing::WriteFileBytes(fontsFolder_ + L"\\serif.ttf", Font(kSerif));
  testing::WriteFileBytes(workFolder_ + kWorkFile10, WorkFileBytes(names));

  EXPECT_EQ(Run(L"f"), "");  // the 25 before the gap are enough
  EXPECT_EQ(Families(), Expect({kTamil}));

  EXPECT_EQ(Run(L"u"), "");
  EXPECT_EQ(Families(), Expect({}));
  // After the gap nothing is deleted one by one; the sweep takes only .tmp files.
  EXPECT_EQ(List(fontsFolder_), std::vector<std::wstring>{L"serif.ttf"});
}

TEST_F(LoaderTest, UnloadWithoutAWorkFileDoesNothing) {
  CreateDirectoryW(fontsFolder_.c_str(), nullptr);
  testing::WriteFileBytes(fontsFolder_ + L"\\K10LEFT.tmp", {1});
  EXPECT_EQ(Run(L"u"), "");
  EXPECT_TRUE(Exists(fontsFolder_ + L"\\K10LEFT.tmp"));  // no sweep either
}

TEST_F(LoaderTest, ReadsNoRecordsPast5000Bytes) {
  std::wstring data = home_ + L"\\Data";
  CreateDirectoryW(data.c_str(), nullptr);
  // 357 records of 14 bytes end at byte 4998; the 358th straddles the limit.
  std::vector<std::wstring> names;
  for (int i = 0; i < 359; ++i) {
    wchar_t name[16];
    swprintf(name, 16, L"\\f%06d.dat", i);
    names.push_back(name);
    testing::WriteFileBytes(data + name, {1});
  }
  testing::WriteFileBytes(home_ + kWorkFile10, WorkFileBytes(names));
  EXPECT_EQ(Run(L"u"), "");
  EXPECT_EQ(List(data), (std::vector<std::wstring>{L"f000357.dat", L"f000358.dat"}));
}

// A pack broken at one point, after a good first entry.
struct BrokenPack {
  const char* what;
  std::vector<uint8_t> bytes;
  std::string output;
  std::vector<SeenMessageBox> boxes;
  bool nextPacksRead;    // the failure abandons only this pack
  size_t goodEntries;    // entries of this pack before the failure
  size_t leftovers = 0;  // unlisted files of the abandoned entry, for the next sweep
};

std::vector<BrokenPack> BrokenPacks(const std::vector<uint8_t>& font) {
  std::vector<uint8_t> good = BuildPack({{"ONE.ttf", 'A', font}, {"TWO.ttf", 'A', font}});
  size_t second = kPackHeaderSize + kSizeFieldSize + kEntryHeaderSize + font.size();
  auto cut = [&](size_t size) { return std::vector<uint8_t>(good.begin(), good.begin() + size); };
  std::vector<uint8_t> negative = BuildPack({{"ONE.ttf", 'A', font}}, "2");
  std::vector<uint8_t> entry = BuildEntry({"TWO.ttf", 'A', font}, "-5");
  negative.insert(negative.end(), entry.begin(), entry.end());
  const SeenMessageBox fct009{L"Font Error: FCT009", L"Can't Read Font Data"};
  return {
      {"first block", cut(30), "Velona Font Error: FCT0001", {}, false, 0},
      {"second block", cut(60), "Velona Font Error: FCT0002", {}, false, 0},
      {"third block", cut(90), "Velona Font Error: FCT0003", {}, false, 0},
      {"count", cut(100), "Velona Font Error: FCT0004", {}, false, 0},
      {"size field", cut(second + 4), "Velona Font Error: FCT0005", {}, true, 1},
      {"entry header", cut(second + 20), "Velona Font Error: FCT0006", {}, true, 1},
      {"font data", cut(good.size() - 1), "Velona Font Error: FCT009", {fct009}, true, 1, 1},
      {"negative size", negative, "Velona Font Error: FCT009", {fct009}, true, 1, 1},
  };
}

TEST_F(LoaderTest, BrokenPackKeepsWhatCameBefore) {
  std::vector<uint8_t> tamil = Font(kTamil);
  std::vector<uint8_t> sans = Font(kSans);
  for (const BrokenPack& c : BrokenPacks(tamil)) {
    SCOPED_TRACE(c.what);
    for (const wchar_t* name : {L"a.fpk", L"b.fpk", L"c.fpk", L"d.fpk"}) {
      WritePack(home_, name, {{"SANS.ttf", 'A', sans}});
    }
    testing::WriteFileBytes(home_ + L"\\c.fpk", c.bytes);
    // The packs in the order the program's search returns them.
    std::vector<std::wstring> order = List(home_, L"*.fpk");
    size_t broken = std::find(order.begin(), order.end(), L"c.fpk") - order.begin();
    size_t goodPacks = c.nextPacksRead ? 3 : broken;

    MessageBoxWatcher boxes(MessageBoxWatcher::Scope::kOtherProcesses);
    EXPECT_EQ(Run(L"i"), c.output);
    EXPECT_EQ(boxes.Take(), c.boxes);
    std::vector<std::vector<uint8_t>> listed = ListedFonts(kWorkFile10, c.leftovers);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), sans), static_cast<long>(goodPacks));
    EXPECT_EQ(std::count(listed.begin(), listed.end(), tamil), static_cast<long>(c.goodEntries));
    EXPECT_EQ(listed.size(), goodPacks + c.goodEntries);
    std::set<std::wstring> present;
    if (goodPacks > 0)
      present.insert(kSans);
    if (c.goodEntries > 0)
      present.insert(kTamil);
    EXPECT_EQ(Families(), Expect(present));
    EXPECT_EQ(Run(L"u"), "");
    EXPECT_TRUE(List(fontsFolder_).empty());
  }
}

TEST_F(LoaderTest, FontThatCannotBeLoadedShowsF01) {
  WritePack(
      home_, L"bad.fpk",
      {{"NOTAFONT.ttf", 'A', std::vector<uint8_t>(2000, 0x5A)}, {"TAMIL.ttf", 'A', Font(kTamil)}});
  MessageBoxWatcher boxes(MessageBoxWatcher::Scope::kOtherProcesses);
  EXPECT_EQ(Run(L"i"), "");
  std::vector<std::wstring> names = WorkFileNames(workFolder_ + kWorkFile10);
  ASSERT_EQ(names.size(), 2u);
  std::vector<SeenMessageBox> seen = boxes.Take();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].caption, fontsFolder_ + names[0]);  // the system's text, the file as caption
  EXPECT_EQ(seen[1], (SeenMessageBox{L"Velona Error F01", L"Cannot Load Font"}));
  EXPECT_EQ(Families(), Expect({}));  // loading stopped at the bad font
}

TEST_F(LoaderTest, WorkFileThatCannotBeCreatedShowsFS0002) {
  WritePack(home_, L"korvi.fpk", {{"TAMIL.ttf", 'A', Font(kTamil)}});
  CreateDirectoryW(workFolder_.c_str(), nullptr);
  CreateDirectoryW((workFolder_ + kWorkFile10).c_str(), nullptr);  // in the work file's way
  MessageBoxWatcher boxes(MessageBoxWatcher::Scope::kOtherProcesses);
  EXPECT_EQ(Run(L"i"), "");
  std::vector<SeenMessageBox> seen = boxes.Take();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, L"Create Work File FS0002");
  EXPECT_FALSE(seen[0].text.empty());
  EXPECT_EQ(seen[0].buttons, std::vector<int>{IDOK});
  EXPECT_FALSE(seen[0].hasOwner);
  EXPECT_TRUE(List(fontsFolder_).empty());
  RemoveDirectoryW((workFolder_ + kWorkFile10).c_str());
}

TEST_F(LoaderTest, NoFontFileNameAbandonsThePack) {
  // A file where the fonts folder belongs: no temporary file can be made in it.
  testing::WriteFileBytes(fontsFolder_, {0});
  std::vector<uint8_t> tamil = Font(kTamil);
  WritePack(home_, L"korvi.fpk", {{"ONE.ttf", 'A', tamil}, {"TWO.ttf", 'A', tamil}});
  // Reported once: the second entry is not read as if the first had been consumed.
  EXPECT_EQ(Run(L"i"), "Velona Font Error: FCT008");
  EXPECT_TRUE(WorkFileNames(workFolder_ + kWorkFile10).empty());
  DeleteFileW(fontsFolder_.c_str());
}

TEST_F(LoaderTest, QwsaPostsToTheLookupServer) {
  EXPECT_EQ(Run(L"qwsa"), "");  // no server: nothing happens
  korvi::testing::RecordingWindow server(L"KorviLookupStandIn", L"Korvi10WinSvcFormHidden");
  EXPECT_EQ(Run(L"qwsa"), "");
  korvi::testing::RecordingWindow::PumpMessages();
  EXPECT_EQ(
      server.Messages({WM_COMMAND}),
      (std::vector<korvi::testing::RecordedMessage>{korvi::testing::Posted(WM_COMMAND, 19200, 0)}));
  EXPECT_FALSE(Exists(workFolder_ + kWorkFile10));
}

TEST_F(LoaderTest, NoFontsFolderAbandonsThePack) {
  // A local application-data folder that cannot be made, so the fonts folder has no path.
  const wchar_t kShellFolders[] =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  korvi::testing::RegistryKeyGuard shellFolders(HKEY_CURRENT_USER, kShellFolders);
  ASSERT_TRUE(korvi::testing::SetRegistryValue(HKEY_CURRENT_USER, kShellFolders, L"Local AppData",
                                               REG_EXPAND_SZ,
                                               korvi::testing::Utf16Bytes(L"Q:\\no\\such\\place")));
  std::vector<uint8_t> tamil = Font(kTamil);
  WritePack(home_, L"korvi.fpk", {{"ONE.ttf", 'A', tamil}, {"TWO.ttf", 'A', tamil}});
  EXPECT_EQ(Run(L"i"), "Velona Font Error: FCT007");  // once: the pack is left
  EXPECT_TRUE(WorkFileNames(workFolder_ + kWorkFile10).empty());
  // Loading and unloading without a fonts folder touch nothing.
  testing::WriteFileBytes(workFolder_ + kWorkFile10, WorkFileBytes({L"\\K10A.tmp"}));
  EXPECT_EQ(Run(L"u"), "");
  EXPECT_TRUE(Exists(workFolder_ + kWorkFile10));
}

// Stands in for a disk that refuses the font file: it cannot be opened, or not
// all of its data can be written.
class RefusingWriter : public FontFileWriter {
 public:
  explicit RefusingWriter(bool refuseOpen) : refuseOpen_(refuseOpen) {}
  HANDLE Open(const std::wstring& path) override {
    if (refuseOpen_) {
      return INVALID_HANDLE_VALUE;
    }
    return FontFileWriter::Open(path);
  }
  bool Write(HANDLE, const void*, size_t) override { return false; }

 private:
  bool refuseOpen_;
};

TEST_F(LoaderTest, FontFileThatCannotBeWrittenAbandonsThePack) {
  std::vector<uint8_t> tamil = Font(kTamil);
  WritePack(home_, L"korvi.fpk", {{"ONE.ttf", 'A', tamil}, {"TWO.ttf", 'A', tamil}});
  const struct {
    bool refuseOpen;
    const wchar_t* caption;
    const char* output;
  } cases[] = {
      {true, L"Cannot open for writing", "Velona Font Error: FCT010"},
      {false, L"Error writing file", "Velona Font Error: FCT011"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    RemoveTree(fontsFolder_);
    RefusingWriter writer(c.refuseOpen);
    MessageBoxWatcher boxes;
    ::testing::internal::CaptureStdout();
    Unpack(MakeWorkSet(10), writer);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.output);
    // One entry tried, its file left unlisted under its temporary name.
    std::vector<std::wstring> files = List(fontsFolder_);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(boxes.Take(),
              (std::vector<SeenMessageBox>{{c.caption, fontsFolder_ + L"\\" + files[0]}}));
    EXPECT_TRUE(WorkFileNames(workFolder_ + kWorkFile10).empty());
    // The file is closed after a failed write as well: nothing holds it any more.
    std::wstring file = fontsFolder_ + L"\\" + files[0];
    HANDLE exclusive = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
    CloseHandle(exclusive);
    EXPECT_TRUE(DeleteFileW((fontsFolder_ + L"\\" + files[0]).c_str()));
  }
}

// The DLLs a PE file imports, read from its import table.
std::vector<std::string> ImportedDlls(const std::vector<uint8_t>& pe, WORD* machine,
                                      WORD* subsystem) {
  std::vector<std::string> dlls;
  if (pe.size() < sizeof(IMAGE_DOS_HEADER)) {
    return dlls;
  }
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pe.data());
  if (static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32) > pe.size()) {
    return dlls;
  }
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(pe.data() + dos->e_lfanew);
  *machine = nt->FileHeader.Machine;
  *subsystem = nt->OptionalHeader.Subsystem;
  const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
  auto offset = [&](DWORD rva) -> size_t {
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      const IMAGE_SECTION_HEADER& section = sections[i];
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData) {
        return rva - section.VirtualAddress + section.PointerToRawData;
      }
    }
    return 0;
  };
  size_t at = offset(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
  for (; at != 0 && at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= pe.size();
       at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    auto descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(pe.data() + at);
    size_t name = offset(descriptor->Name);
    if (descriptor->Name == 0 || name == 0) {
      break;
    }
    std::string dll(reinterpret_cast<const char*>(pe.data() + name));
    std::transform(dll.begin(), dll.end(), dll.begin(), ::toupper);
    dlls.push_back(dll);
  }
  return dlls;
}

TEST(DeliverableTest, ImportsOnlySystemDllsAndCarriesAVersion) {
  std::wstring program = FromUnixPath(KORVI_DIST_EXE);
  WORD machine = 0;
  WORD subsystem = 0;
  std::vector<std::string> dlls =
      ImportedDlls(testing::ReadFileBytes(program), &machine, &subsystem);
  EXPECT_EQ(machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  const std::set<std::string> system = {"KERNEL32.DLL", "USER32.DLL",  "GDI32.DLL",
                                        "ADVAPI32.DLL", "SHELL32.DLL", "MSVCRT.DLL"};
  ASSERT_FALSE(dlls.empty());
  for (const std::string& dll : dlls) {
    EXPECT_TRUE(system.count(dll)) << dll;
  }

  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<uint8_t> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, info.data()));
  wchar_t* name = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\OriginalFilename",
                             reinterpret_cast<void**>(&name), &length));
  EXPECT_STREQ(name, L"Korvi10Config.exe");
}

TEST_F(LoaderTest, HomeFolderFromTheMachineWideSettings) {
  // As the 32-bit installer leaves it: no per-user value, the machine-wide one only.
  korvi::testing::RegistryKeyGuard machine(HKEY_LOCAL_MACHINE, L"Software\\Velona Systems");
  ASSERT_TRUE(korvi::testing::DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\Velona Systems"));
  ASSERT_TRUE(korvi::testing::SetRegistryValue(HKEY_LOCAL_MACHINE, kSettingsKey, L"korvihome",
                                               REG_SZ, korvi::testing::Utf16Bytes(home_)));
  WritePack(home_, L"korvi.fpk", {{"TAMIL.ttf", 'A', Font(kTamil)}});
  EXPECT_EQ(Run(L"i"), "");
  EXPECT_EQ(ListedFonts().size(), 1u);
  EXPECT_EQ(Families(), Expect({kTamil}));
  EXPECT_EQ(Run(L"u"), "");
}

TEST_F(LoaderTest, LogsTheWorkFileHeaderAsSevenCharacters) {
  // The header is followed in the file (and so in memory) by more bytes.
  CreateDirectoryW(workFolder_.c_str(), nullptr);
  std::vector<uint8_t> bytes = {'A', 'B', 'C', 'D', 'E', 'F', 'G'};
  std::vector<uint8_t> records = WorkFileBytes({L"\\K10GONE.tmp"});
  bytes.insert(bytes.end(), records.begin() + kWorkFileHeaderSize, records.end());
  testing::WriteFileBytes(workFolder_ + kWorkFile10, bytes);

  korvi::SetDebugLogEnabled(true);
  korvi::testing::DebugOutputCapture output;
  EXPECT_EQ(Load(MakeWorkSet(10)), 0);
  korvi::SetDebugLogEnabled(false);
  std::vector<std::string> lines = output.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "First 7 bytes: 'ABCDEFG'\n"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Read next 14 bytes\n"), lines.end());
}

TEST_F(LoaderTest, LogsTheLengthByteOfEachRecord) {
  // Work files in a home folder come from elsewhere: a name may end before the n bytes its
  // length byte counts, or be empty.
  CreateDirectoryW(workFolder_.c_str(), nullptr);
  std::vector<uint8_t> bytes = WorkFileBytes({L"\\K10GONE.tmp"});
  bytes.insert(bytes.end(), {5, 0xC1, 0x80, 0xC2, 0xC3, 0xC4, 0});
  testing::WriteFileBytes(workFolder_ + kWorkFile10, bytes);

  korvi::SetDebugLogEnabled(true);
  korvi::testing::DebugOutputCapture output;
  EXPECT_EQ(Load(MakeWorkSet(10)), 0);
  korvi::SetDebugLogEnabled(false);
  std::vector<std::string> lengths;
  for (const std::string& line : output.Lines()) {
    if (line.rfind("fnlen = ", 0) == 0) {
      lengths.push_back(line);
    }
  }
  EXPECT_EQ(lengths, (std::vector<std::string>{"fnlen = 13\n", "fnlen = 5\n", "fnlen = 0\n"}));
}

}  // namespace
}  // namespace korvi::fonts
