#include "testing/win/debug_output_capture.h"

#include <windows.h>

#include <mutex>

#ifndef DBG_PRINTEXCEPTION_WIDE_C
#define DBG_PRINTEXCEPTION_WIDE_C 0x4001000AL
#endif

namespace korvi::testing {
namespace {

std::mutex g_mutex;
std::vector<std::string> g_lines;
std::vector<std::wstring> g_wideLines;

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  if (record->NumberParameters < 2)
    return EXCEPTION_CONTINUE_SEARCH;
  // Parameters: the length including the NUL, then the string.
  const size_t length = static_cast<size_t>(record->ExceptionInformation[0]);
  const ULONG_PTR text = record->ExceptionInformation[1];
  if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && text && length > 0) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.emplace_back(reinterpret_cast<const char*>(text), length - 1);
  } else if (record->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C && text && length > 0) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_wideLines.emplace_back(reinterpret_cast<const wchar_t*>(text), length - 1);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

DebugOutputCapture::DebugOutputCapture() : handler_(AddVectoredExceptionHandler(1, OnException)) {
  Clear();
}

DebugOutputCapture::~DebugOutputCapture() {
  if (handler_)
    RemoveVectoredExceptionHandler(handler_);
}

std::vector<std::string> DebugOutputCapture::Lines() const {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_lines;
}

std::vector<std::wstring> DebugOutputCapture::WideLines() const {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_wideLines;
}

void DebugOutputCapture::Clear() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_lines.clear();
  g_wideLines.clear();
}

}  // namespace korvi::testing
