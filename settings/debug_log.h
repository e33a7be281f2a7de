// The debug log: printf-style lines to the debugger output (OutputDebugStringA/W).
//
// The log has a switch, off by default. Off, each call still passes the bare line feed to the
// debugger output, so the call sites cost the same with the switch in either position; on, the
// message is formatted (cut to fit 4096 bytes, or 4096 wide characters for DebugLogW) and passed
// with its line feed as one string.
//
// In the narrow form "%S" inserts a wide string. MinGW's printf converts it through the C locale,
// so a wide string is cut at its first character outside ASCII.
#pragma once

namespace korvi {

inline constexpr int kDebugLogBufferSize = 4096;

void SetDebugLogEnabled(bool enabled);
bool DebugLogEnabled();

void DebugLog(const char* format, ...);
void DebugLogW(const wchar_t* format, ...);

}  // namespace korvi
