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

namespace {

using korvi::notation::Key;

constexpr char kUsage[] =
    "usage: korvi-typist [--layout L] [--dll PATH] [KEYS]\n"
    "  L: 0..5, 7, korvi, tamil99, moe-singapore, velona7, mylai, newtw, oldtw, velona6\n"
    "  PATH: the text service DLL (default: Korvi10TxtSvc.dll beside this program)\n"
    "  KEYS: korvi-type's notation; without KEYS each line of standard input is typed\n"
    "        into a fresh document.\n";

// The lookup server's hidden window, so that the service's start-up finds it and starts nothing.
class LookupServerStandIn {
 public:
  LookupServerStandIn() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KorviTypistLookupServer";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"Korvi10WinSvcFormHidden", 0, 0, 0, 0, 0,
                              nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~LookupServerStandIn() {
    if (window_)
      DestroyWindow(window_);
  }
  bool ok() const { return window_ != nullptr; }

 private:
  HWND window_ = nullptr;
};

// The DLL, loaded afresh for every document so that each starts from the library's load state.
class TextServiceLibrary {
 public:
  explicit TextServiceLibrary(std::wstring path) : path_(std::move(path)) {}
  ~TextServiceLibrary() { Unload(); }

  IClassFactory* Load() {
    module_ = LoadLibraryW(path_.c_str());
    if (!module_)
      return nullptr;
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    // {836FD769-192B-428C-9B38-4E804C92D7E1}, the service's CLSID.
    const CLSID clsid = {
        0x836fd769, 0x192b, 0x428c, {0x9b, 0x38, 0x4e, 0x80, 0x4c, 0x92, 0xd7, 0xe1}};
    if (!get || FAILED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
      return nullptr;
    }
    return factory;
  }
  void Unload() {
    if (module_)
      FreeLibrary(module_);
    module_ = nullptr;
  }

 private:
  std::wstring path_;
  HMODULE module_ = nullptr;
};

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

std::wstring DefaultDllPath() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring self(path, n < MAX_PATH ? n : 0);
  const size_t slash = self.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? L"" : self.substr(0, slash + 1)) + L"Korvi10TxtSvc.dll";
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
