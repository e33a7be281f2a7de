// The jobs of Korvi10Config: unpack the font packs of a font set into per-user font
// files, register them with the session, withdraw and delete them, repair a set with
// too few fonts, and pass one command to the lookup server.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace korvi::fonts {

// Fonts that a loaded set must reach; fewer and "f" rebuilds the set.
inline constexpr int kRepairThreshold = 25;
// Longest path the loader forms, in characters.
inline constexpr size_t kMaxPathLength = 511;

struct WorkSet {
  std::wstring workFileName;  // begins with a backslash
  std::wstring home;          // the set's home folder, no trailing backslash
};

// Generation 10 or 11 is the current set (korvihome), anything else the older one.
WorkSet MakeWorkSet(int generation);

// Opens and fills the file of one unpacked font. Tests stand in a failing one to
// reach the loader's answers to a disk that refuses the data.
class FontFileWriter {
 public:
  virtual ~FontFileWriter() = default;
  // INVALID_HANDLE_VALUE when the file cannot be opened for writing.
  virtual HANDLE Open(const std::wstring& path);
  // False when not all of the data could be written.
  virtual bool Write(HANDLE file, const void* data, size_t size);
};

// Rebuilds the per-user work file and font files from the packs in the home folder.
void Unpack(const WorkSet& set);
void Unpack(const WorkSet& set, FontFileWriter& writer);

// Registers the listed fonts; returns the number of font files registered.
int Load(const WorkSet& set);

// Withdraws and deletes the listed fonts, sweeps the fonts folder's ".tmp" files and
// deletes the per-user work file.
void Unload(const WorkSet& set);

void Reinstall(const WorkSet& set);
void CheckAndRepair(const WorkSet& set);

// Posts command 19200 to the lookup server's window, if there is one.
void TellLookupServer();

// Runs the job that the command line names; anything else does nothing.
void RunCommandLine(const wchar_t* commandLine);

}  // namespace korvi::fonts
