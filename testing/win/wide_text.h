// Narrow(text): a wide string as printable ASCII for test messages; other characters as \uXXXX.
#pragma once

#include <cstdio>
#include <string>

namespace korvi::testing {

inline std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char code[12];
      snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(c));
      out += code;
    }
  }
  return out;
}

}  // namespace korvi::testing
