#include "loader.h"

#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "command.h"
#include "fontpack.h"
#include "settings/debug_log.h"
#include "settings/settings_store.h"
#include "workfile.h"

namespace korvi::fonts {

namespace {

constexpr wchar_t kLookupServerTitle[] = L"Korvi10WinSvcFormHidden";
constexpr WPARAM kLookupServerFontCommand = 19200;
constexpr size_t kHomeCapacity = 512;

// Owns a file handle; INVALID_HANDLE_VALUE when the open failed.
class File {
 public:
  explicit File(HANDLE handle) : handle_(handle) {}
  File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() { Close(); }
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  void Close() {
    if (IsOpen()) {
      CloseHandle(handle_);
      handle_ = INVALID_HANDLE_VALUE;
    }
  }

 private:
  HANDLE handle_;
};

File OpenForReading(const std::wstring& path) {
  return File(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

File CreateForWriting(const std::wstring& path) {
  return File(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
  auto bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    bytes += written;
    size -= written;
  }
  return true;
}

// Pack and work-file bytes straight from an open file.
class FileSource : public ByteSource {
 public:
  explicit FileSource(HANDLE file) : file_(file) {
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
      size_ = static_cast<uint64_t>(size.QuadPart);
    }
  }
  size_t Read(void* dest, size_t size) override {
    auto bytes = static_cast<uint8_t*>(dest);
    size_t total = 0;
    while (total < size) {
      size_t left = size - total;
      DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
      DWORD read = 0;
      if (!ReadFile(file_, bytes + total, chunk, &read, nullptr) || read == 0) {
        break;
      }
      total += read;
    }
    position_ += total;
    return total;
  }
  uint64_t Remaining() const override { return position_ < size_ ? size_ - position_ : 0; }

 private:
  HANDLE file_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
};

std::wstring Wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

std::u16string U16(const std::wstring& text) {
  return std::u16string(text.begin(), text.end());
}

void DropTrailingBackslash(std::wstring* path) {
  if (!path->empty() && path->back() == L'\\') {
    path->pop_back();
  }
}

// A shell folder + sub, created if missing; empty when the shell folder cannot be
// determined or the result would be too long.
std::wstring UserFolder(int csidl, const wchar_t* sub) {
  wchar_t buffer[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer) !=
      S_OK) {
    return L"";
  }
  std::wstring path = buffer;
  if (path.empty()) {
    return L"";
  }
  DropTrailingBackslash(&path);
  path += sub;
  if (path.size() > kMaxPathLength) {
    return L"";
  }
  CreateDirectoryW(path.c_str(), nullptr);  // an existing folder is fine
  return path;
}

std::wstring WorkFolder() {
  return UserFolder(CSIDL_APPDATA, L"\\Korvi");
}
std::wstring UserFontsFolder() {
  return UserFolder(CSIDL_LOCAL_APPDATA, L"\\Wkfn");
}

void Report(const char* code) {
  std::printf("Velona Font Error: %s", code);
  std::fflush(stdout);
}

std::wstring SystemErrorText(DWORD error) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0x400, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring result = length > 0 && text != nullptr ? std::wstring(text, length) : L"";
  LocalFree(text);
  return result;
}

void Box(const std::wstring& text, const wchar_t* caption, UINT style) {
  MessageBoxW(nullptr, text.c_str(), caption, style);
}

// What the packs of one unpacking share.
struct UnpackRun {
  HANDLE workFile;
  FontFileWriter& writer;
  std::vector<uint8_t> data;  // one font's data, reused from font to font
  // The per-user fonts folder, formed (and created) when an entry first needs it.
  std::wstring folder;
};

// Unpacks one pack's entries. False when no further pack is to be processed.
bool UnpackPack(const std::wstring& packPath, UnpackRun& run) {
  File pack = OpenForReading(packPath);
  if (!pack.IsOpen()) {
    return false;
  }
  FileSource source(pack.Get());
  int64_t count = 0;
  PackError error = ReadPackHeader(source, &count);
  if (error != PackError::kNone) {
    Report(PackErrorCode(error));
    return false;
  }
  std::vector<uint8_t>& data = run.data;
  for (int64_t i = 0; i < count; ++i) {
    EntryHeader entry;
    error = ReadEntryHeader(source, &entry);
    if (error != PackError::kNone) {
      Report(PackErrorCode(error));
      return true;
    }
    DebugLog("Working on ttfname: '%ls", Wide(entry.name).c_str());

    // Without a folder or a fresh file name the entry has nowhere to go, and the
    // rest of the pack cannot be trusted to line up: leave the pack.
    if (run.folder.empty()) {
      run.folder = UserFontsFolder();
    }
    const std::wstring& folder = run.folder;
    if (folder.empty()) {
      Report("FCT007");
      return true;
    }
    wchar_t tempPath[MAX_PATH] = {};
    if (GetTempFileNameW(folder.c_str(), L"K10", 0, tempPath) == 0) {
      Report("FCT008");
      return true;
    }
    std::wstring fontPath = tempPath;

    if (ReadFontData(source, entry.dataSize, &data) != PackError::kNone) {
      Box(L"Can't Read Font Data", L"Font Error: FCT009", MB_OK);
      Report("FCT009");
      return true;
    }
    {
      File font(run.writer.Open(fontPath));
      if (!font.IsOpen()) {
        Box(fontPath, L"Cannot open for writing", MB_OK);
        Report("FCT010");
        return true;
      }
      if (!run.writer.Write(font.Get(), data.data(), data.size())) {
        font.Close();
        Box(fontPath, L"Error writing file", MB_OK);
        Report("FCT011");
        return true;
      }
    }

    if (!IsKeptKind(entry.kind)) {
      DeleteFileW(fontPath.c_str());
      continue;
    }
    // The record holds the path below the fonts folder. One that is not a plain
    // name there, or too long for a record, would be cut or misread later.
    std::wstring name =
        fontPath.size() > folder.size() && fontPath.compare(0, folder.size(), folder) == 0
            ? fontPath.substr(folder.size())
            : L"";
    std::vector<uint8_t> record;
    if (fontPath.size() > kMaxPathLength || !IsPlainFontFileName(U16(name)) ||
        !EncodeRecord(U16(name), &record)) {
      DeleteFileW(fontPath.c_str());
      continue;
    }
    WriteAll(run.workFile, record.data(), record.size());
  }
  return true;
}

// The shared walk of loading and unloading; returns the number of fonts loaded.
int LoadOrUnload(const WorkSet& set, bool load) {
  bool homeArrangement = true;
  File workFile = OpenForReading(set.home + set.workFileName);
  if (!workFile.IsOpen()) {
    homeArrangement = false;
    std::wstring folder = WorkFolder();
    if (folder.empty()) {
      return 0;
    }
    std::wstring path = folder + set.workFileName;
    DebugLog("Opening work file %ls", path.c_str());
    workFile = OpenForReading(path);
    if (!workFile.IsOpen()) {
      DebugLog("--- Cannot open work file %ls !", path.c_str());
      return 0;
    }
  }
  FileSource source(workFile.Get());
  WorkFileContents contents;
  bool complete = ReadWorkFile(source, &contents);
  DebugLog("First 7 bytes: '%s'", contents.header);
  workFile.Close();
  if (!complete) {
    return 0;
  }
  DebugLog("Read next %d bytes", static_cast<int>(contents.records.size()));

  std::wstring fontsFolder = homeArrangement ? set.home + L"\\Data" : UserFontsFolder();
  if (fontsFolder.empty()) {
    // Names would land beside the folder that cannot be determined, or in a drive's root.
    return 0;
  }

  int loaded = 0;
  bool handleFonts = true;
  std::vector<size_t> lengths;
  std::vector<std::u16string> names =
      DecodeRecords(contents.records.data(), contents.records.size(), &lengths);
  for (size_t i = 0; i < names.size(); ++i) {
    std::wstring name = Wide(names[i]);
    std::wstring path = fontsFolder + name;
    DebugLog("Working on font %d", static_cast<int>(i + 1));
    DebugLog("fnlen = %d", static_cast<int>(lengths[i]));
    DebugLog("filename = %ls", name.c_str());
    DebugLog("fullfontpath = %ls", path.c_str());
    if (!IsPlainFontFileName(names[i]) || path.size() > kMaxPathLength) {
      // Not a file of the fonts folder: never loaded, never deleted.
      DebugLog("Skipping font name %ls", name.c_str());
      continue;
    }
    if (!handleFonts) {
      continue;
    }
    if (!OpenForReading(path).IsOpen()) {
      DebugLog("Directory not found = %ls", path.c_str());
      handleFonts = false;
      continue;
    }
    if (load) {
      DebugLog("Adding font resource = %ls", path.c_str());
      if (AddFontResourceW(path.c_str()) >= 1) {
        PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
        ++loaded;
      } else {
        Box(SystemErrorText(GetLastError()), path.c_str(), MB_OK | MB_ICONINFORMATION);
        Box(L"Cannot Load Font", L"Velona Error F01", MB_OK);
        break;
      }
    } else {
      DebugLog("Removing font resource = %ls", path.c_str());
      BOOL removed = RemoveFontResourceW(path.c_str());
      DebugLog("   returned %d.", removed);
      if (removed) {
        PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
      }
      DeleteFileW(path.c_str());
    }
  }

  if (!load) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((fontsFolder + L"\\*.tmp").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((fontsFolder + L"\\" + found.cFileName).c_str());
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    std::wstring folder = WorkFolder();
    if (!folder.empty()) {
      DeleteFileW((folder + set.workFileName).c_str());
    }
  }
  return loaded;
}

}  // namespace

HANDLE FontFileWriter::Open(const std::wstring& path) {
  // The system has just made this file, empty. Opening it without truncation spares the
  // file system's flush on close of a file that was truncated and rewritten (ext4 under
  // Wine: a tenth of the unpacking time). A file that is not empty after all is emptied,
  // so the result is the same as creating it afresh.
  File file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr));
  LARGE_INTEGER size;
  if (file.IsOpen() && (!GetFileSizeEx(file.Get(), &size) || size.QuadPart != 0) &&
      !SetEndOfFile(file.Get())) {
    return INVALID_HANDLE_VALUE;
  }
  return file.Release();
}

bool FontFileWriter::Write(HANDLE file, const void* data, size_t size) {
  return WriteAll(file, data, size);
}

WorkSet MakeWorkSet(int generation) {
  WorkSet set;
  bool current = generation == 10 || generation == 11;
  set.workFileName = current ? L"\\Korvi11fpk.wrk" : L"\\Korvi98fpk.wrk";
  wchar_t home[kHomeCapacity] = {};
  ReadFontLoaderSetting(current ? L"korvihome" : L"korvi9home", home, kHomeCapacity);
  set.home = home;
  DropTrailingBackslash(&set.home);
  DebugLogW(L"Workfile : %ls", set.workFileName.c_str());
  DebugLogW(L"Korvi Home: %ls", set.home.c_str());
  return set;
}

void Unpack(const WorkSet& set) {
  FontFileWriter writer;
  Unpack(set, writer);
}

void Unpack(const WorkSet& set, FontFileWriter& writer) {
  std::wstring folder = WorkFolder();
  std::wstring path = folder.empty() ? L"" : folder + set.workFileName;
  DebugLog("Creating work file '%ls'", path.c_str());
  File workFile = path.empty() ? File(INVALID_HANDLE_VALUE) : CreateForWriting(path);
  if (!workFile.IsOpen()) {
    DWORD error = path.empty() ? ERROR_PATH_NOT_FOUND : GetLastError();
    Box(SystemErrorText(error), L"Create Work File FS0002", MB_OK | MB_ICONINFORMATION);
    return;
  }
  WriteAll(workFile.Get(), kWorkFileHeader, kWorkFileHeaderSize);

  UnpackRun run{workFile.Get(), writer, {}, L""};
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileExW((set.home + L"\\*.fpk").c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    return;
  }
  do {
    std::wstring packPath = set.home + L"\\" + found.cFileName;
    DebugLog("Opening font pack '%ls'", packPath.c_str());
    if (!UnpackPack(packPath, run)) {
      break;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

int Load(const WorkSet& set) {
  return LoadOrUnload(set, true);
}

void Unload(const WorkSet& set) {
  LoadOrUnload(set, false);
}

void Reinstall(const WorkSet& set) {
  Unload(set);
  Unpack(set);
  Load(set);
}

void CheckAndRepair(const WorkSet& set) {
  if (Load(set) >= kRepairThreshold) {
    return;
  }
  Unload(set);
  Unpack(set);
  Load(set);
}

void TellLookupServer() {
  HWND server = FindWindowW(nullptr, kLookupServerTitle);
  if (server != nullptr) {
    PostMessageW(server, WM_COMMAND, kLookupServerFontCommand, 0);
  }
}

void RunCommandLine(const wchar_t* commandLine) {
  Command command = ParseCommand(U16(commandLine != nullptr ? commandLine : L""));
  switch (command.job) {
    case Job::kNone:
      return;
    case Job::kTellLookupServer:
      TellLookupServer();
      return;
    case Job::kReinstall:
      Reinstall(MakeWorkSet(command.generation));
      return;
    case Job::kUnload:
      Unload(MakeWorkSet(command.generation));
      return;
    case Job::kCheckAndRepair:
      CheckAndRepair(MakeWorkSet(command.generation));
      return;
  }
}

}  // namespace korvi::fonts
