// Unpacking a pack of 30 fonts (over 20 MB) against a plain copy of the same bytes,
// side by side in one run: the pack copied as one file, and the 30 fonts copied as
// 30 files (the files unpacking makes). Prints the times and the ratios (goal: at
// most 1.5).
//
// Runs in the user's folders of the Wine prefix under its own work-file name, and
// deletes only the files it made.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "loader.h"
#include "packbuilder.h"
#include "workfile.h"

namespace {

using namespace korvi::fonts;

constexpr int kFonts = 30;
constexpr size_t kFontSize = 720 * 1024;
constexpr int kRounds = 9;

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Deletes the font files that the work file lists, and the work file.
void RemoveUnpacked(const std::wstring& workFile, const std::wstring& fontsFolder) {
  std::vector<uint8_t> bytes = ReadBytes(workFile);
  if (bytes.size() >= kWorkFileHeaderSize) {
    for (const auto& name :
         DecodeRecords(bytes.data() + kWorkFileHeaderSize, bytes.size() - kWorkFileHeaderSize)) {
      DeleteFileW((fontsFolder + std::wstring(name.begin(), name.end())).c_str());
    }
  }
  DeleteFileW(workFile.c_str());
}

std::wstring Folder(const wchar_t* variable, const wchar_t* sub) {
  wchar_t path[MAX_PATH] = {};
  GetEnvironmentVariableW(variable, path, MAX_PATH);
  return std::wstring(path) + sub;
}

}  // namespace

int wmain() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  WorkSet set;
  set.workFileName = L"\\KorviBenchmark.wrk";
  set.home = std::wstring(temp) + L"korvi-benchmark";
  CreateDirectoryW(set.home.c_str(), nullptr);

  // Font data of no pattern that a file system could compress or share.
  std::vector<PackEntry> entries(kFonts);
  uint32_t seed = 12345;
  for (int i = 0; i < kFonts; ++i) {
    entries[i].name = "BENCH" + std::to_string(i) + ".ttf";
    entries[i].data.resize(kFontSize);
    for (uint8_t& byte : entries[i].data) {
      seed = seed * 1664525u + 1013904223u;
      byte = static_cast<uint8_t>(seed >> 24);
    }
  }
  std::vector<uint8_t> pack = BuildPack(entries);
  std::wstring packPath = set.home + L"\\benchmark.fpk";
  {
    std::ofstream out(packPath.c_str(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(pack.data()),
              static_cast<std::streamsize>(pack.size()));
  }
  std::wstring copyPath = set.home + L"\\copy.bin";
  std::wstring workFile = Folder(L"APPDATA", L"\\Korvi") + set.workFileName;
  std::wstring fontsFolder = Folder(L"LOCALAPPDATA", L"\\Wkfn");

  // The same fonts as separate files, for the file-by-file copy.
  std::wstring sources = set.home + L"\\fonts";
  std::wstring copies = set.home + L"\\copies";
  CreateDirectoryW(sources.c_str(), nullptr);
  CreateDirectoryW(copies.c_str(), nullptr);
  for (int i = 0; i < kFonts; ++i) {
    std::ofstream out((sources + L"\\" + std::to_wstring(i) + L".ttf").c_str(),
                      std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(entries[i].data.data()),
              static_cast<std::streamsize>(entries[i].data.size()));
  }

  std::vector<double> unpackTimes;
  std::vector<double> copyTimes;
  std::vector<double> fileCopyTimes;
  for (int round = 0; round < kRounds; ++round) {
    double start = Seconds();
    Unpack(set);
    unpackTimes.push_back(Seconds() - start);
    RemoveUnpacked(workFile, fontsFolder);

    start = Seconds();
    CopyFileW(packPath.c_str(), copyPath.c_str(), FALSE);
    copyTimes.push_back(Seconds() - start);
    DeleteFileW(copyPath.c_str());

    start = Seconds();
    for (int i = 0; i < kFonts; ++i) {
      std::wstring name = L"\\" + std::to_wstring(i) + L".ttf";
      CopyFileW((sources + name).c_str(), (copies + name).c_str(), FALSE);
    }
    fileCopyTimes.push_back(Seconds() - start);
    for (int i = 0; i < kFonts; ++i) {
      DeleteFileW((copies + L"\\" + std::to_wstring(i) + L".ttf").c_str());
    }
  }
  for (int i = 0; i < kFonts; ++i) {
    DeleteFileW((sources + L"\\" + std::to_wstring(i) + L".ttf").c_str());
  }
  RemoveDirectoryW(sources.c_str());
  RemoveDirectoryW(copies.c_str());
  DeleteFileW(packPath.c_str());
  RemoveDirectoryW(set.home.c_str());

  std::sort(unpackTimes.begin(), unpackTimes.end());
  std::sort(copyTimes.begin(), copyTimes.end());
  std::sort(fileCopyTimes.begin(), fileCopyTimes.end());
  double unpack = unpackTimes[kRounds / 2];
  double copy = copyTimes[kRounds / 2];
  double fileCopy = fileCopyTimes[kRounds / 2];
  double megabytes = static_cast<double>(pack.size()) / (1024.0 * 1024.0);
  std::printf("pack: %d fonts, %.1f MB; median of %d rounds\n", kFonts, megabytes, kRounds);
  std::printf("unpack:                    %8.1f ms  (%.0f MB/s)\n", unpack * 1000,
              megabytes / unpack);
  std::printf("plain copy, one file:      %8.1f ms  (%.0f MB/s)\n", copy * 1000, megabytes / copy);
  std::printf("plain copy, %d files:      %8.1f ms  (%.0f MB/s)\n", kFonts, fileCopy * 1000,
              megabytes / fileCopy);
  std::printf("ratio unpack / one-file copy: %.2f (goal: at most 1.50)\n", unpack / copy);
  std::printf("ratio unpack / %d-file copy:  %.2f (goal: at most 1.50)\n", kFonts,
              unpack / fileCopy);
  return 0;
}
