// DebugOutputCapture: collects what this process passes to OutputDebugStringA and
// OutputDebugStringW while it lives, as the strings were given (line feeds included). It watches
// the exceptions through which the debugger output travels, so the real functions run unchanged.
//
//   DebugOutputCapture output;
//   DebugLog("x=%d", 1);
//   EXPECT_EQ(output.Lines(), (std::vector<std::string>{"x=1\n"}));
//
// One capture at a time; wide strings are kept as wide strings in WideLines().
#pragma once

#include <string>
#include <vector>

namespace korvi::testing {

class DebugOutputCapture {
 public:
  DebugOutputCapture();
  ~DebugOutputCapture();
  DebugOutputCapture(const DebugOutputCapture&) = delete;
  DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

  // Strings given to OutputDebugStringA (and, where the system passes them on in narrow form,
  // those given to OutputDebugStringW).
  std::vector<std::string> Lines() const;
  // Strings given to OutputDebugStringW, where the system passes them on in wide form.
  std::vector<std::wstring> WideLines() const;
  void Clear();

 private:
  void* handler_;
};

}  // namespace korvi::testing
