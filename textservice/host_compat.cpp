#include "textservice/host_compat.h"

#include <cwchar>

namespace korvi {
namespace {

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
  return wcsncmp(text, prefix, wcslen(prefix)) == 0;
}

void PostBackspacePair(HWND window) {
  PostMessageW(window, WM_KEYDOWN, VK_BACK, kKeyDownData);
  PostMessageW(window, WM_KEYUP, VK_BACK, kKeyUpData);
}

void SendKeyPair(HWND window, WPARAM key) {
  SendMessageW(window, WM_KEYDOWN, key, kKeyDownData);
  SendMessageW(window, WM_KEYUP, key, kKeyUpData);
}

}  // namespace

HostFacts CurrentHostFacts() {
  HostFacts facts;
  facts.commandLine = GetCommandLineW();
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (GetVersionExW(&version))
    facts.majorVersion = version.dwMajorVersion;
#pragma GCC diagnostic pop
  return facts;
}

HostFlags DetectHost(const HostFacts& facts) {
  wchar_t upper[kCommandLineRoom + 1];
  size_t length = 0;
  for (const wchar_t* c = facts.commandLine; c && *c && length < kCommandLineRoom; ++c) {
    upper[length++] = (*c >= L'a' && *c <= L'z') ? static_cast<wchar_t>(*c - L'a' + L'A') : *c;
  }
  upper[length] = L'\0';
  const auto contains = [&upper](const wchar_t* name) { return wcsstr(upper, name) != nullptr; };

  HostFlags flags;
  if (contains(L"WINWORD.EXE"))
    flags.markCompositions = false;
  if (facts.majorVersion == 5 && !contains(L"WORDPAD.EXE") && !contains(L"WINWORD.EXE") &&
      !contains(L"MSPUB.EXE")) {
    flags.keystrokeCorrections = true;
    if (contains(L"FIREFOX.EXE"))
      flags.postBackspaceChar = false;
    if (contains(L"CHROME.EXE"))
      flags.pairedBackspaces = true;
  }
  return flags;
}

void DeleteByKeystrokes(const HostFlags& flags, int count, const wchar_t* output) {
  HWND window = GetFocus();
  if (count <= 0 || !window)
    return;
  const size_t outputLength = output ? wcsnlen(output, kKeystrokeOutputRoom) : 0;

  wchar_t windowClass[48] = L"";
  wchar_t parentClass[48] = L"";
  GetClassNameW(window, windowClass, 48);
  if (HWND parent = GetParent(window))
    GetClassNameW(parent, parentClass, 48);

  // Counted in 64 bits: the paired form may round an odd count up by one.
  const long long rounds = count;
  if (StartsWith(windowClass, L"paneClassDC") || (StartsWith(windowClass, L"OperaWindowClass") &&
                                                  StartsWith(parentClass, L"OperaWindowClass"))) {
    // Everything queued, so that it lands after the edit session's own insertion.
    const long long pairs = rounds + static_cast<long long>(outputLength);
    for (long long i = 0; i < pairs; ++i)
      PostBackspacePair(window);
    for (size_t i = 0; i < outputLength; ++i)
      PostMessageW(window, WM_CHAR, output[i], 0);
  } else if (StartsWith(parentClass, L"OpWindow")) {
    for (long long i = 0; i < rounds; ++i)
      PostBackspacePair(window);
  } else if (flags.pairedBackspaces) {
    long long even = rounds;
    if (even % 2 != 0) {
      SendKeyPair(window, 0x2A);
      ++even;
    }
    for (long long i = 0; i < even / 2; ++i)
      SendKeyPair(window, VK_BACK);
  } else {
    for (long long i = 0; i < rounds; ++i) {
      SendMessageW(window, WM_KEYDOWN, VK_BACK, kKeyDownData);
      if (flags.postBackspaceChar)
        PostMessageW(window, WM_CHAR, VK_BACK, kKeyDownData);
      SendMessageW(window, WM_KEYUP, VK_BACK, kKeyUpData);
    }
  }
}

}  // namespace korvi
