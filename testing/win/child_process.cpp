#include "testing/win/child_process.h"

namespace korvi::testing {

ChildProcessRun RunChildProcess(std::wstring commandLine, DWORD timeoutMs) {
  ChildProcessRun run;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
    return run;
  // Only the child's end is inherited; otherwise the read below would never see the pipe close.
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  CloseHandle(writeEnd);
  if (started) {
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &read, nullptr) && read > 0)
      run.output.append(chunk, read);
    WaitForSingleObject(process.hProcess, timeoutMs);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(readEnd);
  return run;
}

}  // namespace korvi::testing
