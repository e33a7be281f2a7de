// Runs another program for a test and collects what it prints.
#pragma once

#include <windows.h>

#include <string>

namespace korvi::testing {

struct ChildProcessRun {
  DWORD exitCode = 0xFFFFFFFF;  // also when the program could not be started
  std::string output;           // standard output and standard error, interleaved
};

// Starts the command line (program first, quoted where needed) with its standard output and
// error on one pipe, reads until the program closes them, and waits at most timeoutMs for its end.
ChildProcessRun RunChildProcess(std::wstring commandLine, DWORD timeoutMs = 120000);

}  // namespace korvi::testing
