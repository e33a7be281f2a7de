// Korvi10Config: one job named on the command line, no window, exit code 0.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <cstdio>

#include "loader.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  // Reports go to standard output byte for byte, without line ends.
  _setmode(_fileno(stdout), _O_BINARY);
  korvi::fonts::RunCommandLine(commandLine);
  std::fflush(stdout);
  return 0;
}
