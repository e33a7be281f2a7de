// korvi-typist: types keys through the real Korvi10TxtSvc.dll, loaded by its class factory and
// activated in the model TSF host, and prints each document's text as UTF-8.
//
//   korvi-typist [--layout L] [--dll PATH] [KEYS]
//
// Without KEYS every line of standard input is typed into a fresh document by a freshly loaded
// library, one output line per input line, as korvi-type does. Errors exit with code 2.
#include <msctf.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "testing/tsfmodel/model_host.h"
#include "tools/keynotation/key_notation.h"
#include "tools/korvi-typist/layout_menu.h"
#include "tools/korvi-typist/service_library.h"

namespace {

using korvi::notation::Key;
using korvi::typist::DefaultDllPath;
using korvi::typist::LookupServerStandIn;
using korvi::typist::TextServiceLibrary;

constexpr char kUsage[] =
    "usage: korvi-typist [--layout L] [--dll PATH] [KEYS]\n"
    "  L: 0..5, 7, korvi, tamil99, moe-singapore, velona7, mylai, newtw, oldtw, velona6\n"
    "  PATH: the text service DLL (default: Korvi10TxtSvc.dll beside this program)\n"
    "  KEYS: korvi-type's notation; without KEYS each line of standard input is typed\n"
    "        into a fresh document.\n";

std::string ToUtf8(const std::wstring& text) {
  if (text.empty())
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty())
    return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

// Types one line into a fresh document; false when the service cannot be made or activated.
bool TypeLine(TextServiceLibrary& library, unsigned menuEntry, const std::vector<Key>& keys,
              std::wstring* text) {
  IClassFactory* factory = library.Load();
  if (!factory)
    return false;
  bool ok = false;
  {
    korvi::tsfmodel::ModelHost host;
    host.PushDocument(L"");
    if (SUCCEEDED(host.ActivateFromFactory(factory)) && SUCCEEDED(host.ChooseMenuItem(menuEntry))) {
      for (const Key& key : keys) {
        host.Key(key.virtualKey, key.shift ? unsigned{korvi::tsfmodel::kShift} : 0u);
      }
      *text = host.Text();
      ok = true;
    }
  }
  factory->Release();
  library.Unload();
  return ok;
}

int Run(const std::vector<std::string>& args) {
  korvi::notation::TypingCommand command;
  std::string error;
  if (!korvi::notation::ParseTypingCommand(args, std::cin, {/*trace=*/false, /*dll=*/true}, command,
                                           error)) {
    std::cerr << "korvi-typist: " << error << '\n' << kUsage;
    return 2;
  }
  if (command.help) {
    std::cout << kUsage;
    return 0;
  }
  const std::optional<unsigned> menuEntry = korvi::typist::LayoutMenuEntry(command.layout);
  if (!menuEntry) {
    std::cerr << "korvi-typist: layout " << command.layout.layoutNumber
              << " has no entry in the service's menu\n";
    return 2;
  }
  const std::optional<std::wstring> dll =
      command.dll ? std::optional<std::wstring>(FromUtf8(*command.dll)) : std::nullopt;

  LookupServerStandIn lookupServer;
  if (!lookupServer.ok() || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::cerr << "korvi-typist: cannot set up the host\n";
    return 1;
  }
  TextServiceLibrary library(dll ? *dll : DefaultDllPath());
  int result = 0;
  for (const std::vector<Key>& keys : command.documents) {
    std::wstring text;
    if (!TypeLine(library, *menuEntry, keys, &text)) {
      std::cerr << "korvi-typist: cannot load or activate the text service\n";
      result = 1;
      break;
    }
    std::cout << ToUtf8(text) << '\n';
  }
  std::cout.flush();
  CoUninitialize();
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Byte-exact UTF-8 with LF line ends, whatever the console does.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stdin), _O_BINARY);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(ToUtf8(argv[i]));
  return Run(args);
}
