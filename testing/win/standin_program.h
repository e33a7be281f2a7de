// Installing and observing the stand-in companion program (standin_program.cpp).
//
//   StandinInstall home(L"vkbdhome");                // a fresh folder under TEMP
//   home.Install(L"Korvi10VkbdApp.exe");             // the stand-in under that name
//   ShowCompanionKeyboard(30);
//   auto run = home.WaitForStart();                  // its path and arguments, or nothing
//
// The folder and everything in it are deleted again when the object goes. KORVI_STANDIN_RECORD is
// set for this process (and so for the programs it starts) while the object lives.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvi::testing {

struct StandinRun {
  std::wstring program;                 // the full path it ran from
  std::vector<std::wstring> arguments;  // without the program itself
};

// The Windows path of the built stand-in program.
std::wstring StandinProgramPath();

class StandinInstall {
 public:
  explicit StandinInstall(const std::wstring& folderName);
  ~StandinInstall();
  StandinInstall(const StandinInstall&) = delete;
  StandinInstall& operator=(const StandinInstall&) = delete;

  // The folder, without a trailing backslash.
  const std::wstring& folder() const { return folder_; }
  // Copies the stand-in into the folder under fileName; false when the copy fails.
  bool Install(const std::wstring& fileName);
  // Waits (at most about ten seconds) for a started stand-in's record and takes it away.
  std::optional<StandinRun> WaitForStart();
  // Whether a record is there now, without waiting.
  bool Started() const;

 private:
  std::wstring folder_;
  std::wstring record_;
  std::vector<std::wstring> installed_;
};

// Turns a path of the build machine into the one Wine gives it (drive Z: is the root).
std::wstring HostPathToWindows(const std::string& hostPath);

}  // namespace korvi::testing
