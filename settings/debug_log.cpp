#include "settings/debug_log.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace korvi {
namespace {

std::atomic<bool> g_enabled{false};

}  // namespace

void SetDebugLogEnabled(bool enabled) {
  g_enabled = enabled;
}

bool DebugLogEnabled() {
  return g_enabled;
}

void DebugLog(const char* format, ...) {
  if (!g_enabled || !format) {
    OutputDebugStringA("\n");
    return;
  }
  // The message is cut to the buffer; the line feed goes after it.
  char line[kDebugLogBufferSize + 1];
  va_list args;
  va_start(args, format);
  if (vsnprintf(line, kDebugLogBufferSize, format, args) < 0)
    line[0] = '\0';
  va_end(args);
  const size_t length = strlen(line);
  line[length] = '\n';
  line[length + 1] = '\0';
  OutputDebugStringA(line);
}

void DebugLogW(const wchar_t* format, ...) {
  if (!g_enabled || !format) {
    OutputDebugStringW(L"\n");
    return;
  }
  wchar_t line[kDebugLogBufferSize + 1];
  va_list args;
  va_start(args, format);
  if (vswprintf(line, kDebugLogBufferSize, format, args) < 0)
    line[0] = L'\0';
  va_end(args);
  line[kDebugLogBufferSize - 1] = L'\0';
  const size_t length = wcslen(line);
  line[length] = L'\n';
  line[length + 1] = L'\0';
  OutputDebugStringW(line);
}

}  // namespace korvi
