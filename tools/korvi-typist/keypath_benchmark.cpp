// korvi-keypath-bench: the time of each key's whole path through the real Korvi10TxtSvc.dll in the
// model TSF host — the keystroke manager's test call, the real call and the key edit session with
// the sessions it queues — for a paragraph typed in Tamil-99 and one in the phonetic layout.
//
// It measures twice: with Wine's real GetKeyState (a round trip to wineserver), and with key states
// served in process, by pointing the DLL's import of user32!GetKeyState at a reader of the state
// the host keeps. Both runs count how many key-state reads one key costs.
//
//   korvi-keypath-bench [--dll PATH] [--repeat N]
#include <msctf.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "testing/tsfmodel/model_host.h"
#include "tools/keynotation/key_notation.h"
#include "tools/korvi-typist/service_library.h"

namespace {

using korvi::notation::Key;
using korvi::tsfmodel::ModelHost;

// A paragraph of Tamil as a Tamil-99 typist types it, and as a phonetic-layout typist types it.
constexpr char kTamil99Paragraph[] =
    "vphhkf lks/f ;ii/ kc/s clx ;avjf ;ae ;ys;lf hsi'l m\\jf vnjf hyhf kkkf lxl "
    "mt'km jof hvq ld lsnf ssik ; hd' vq'jf uhq lkd hofv i;sf ;v'hf lyf v[f lks/f "
    "hnf hsf' hm ;ae hf ld' ;h m' lkf jl kkld vd hm' mjf jo kx' vm kf, ;h/kf ;k/f.";
constexpr char kPhoneticParagraph[] =
    "vaNakkam tamizh mozhi oru azhakaana mozhi. inRu naangkaL puthiya kathai onRai "
    "padiththOm. athu oru siRiya kiraamaththil vaazhntha oru vivasaayiyin kathai. "
    "avar thinamum kaalaiyil ezhunthu vayalukkuch chenRu uzhaippaar. maalaiyil "
    "viittukkuth thirumpi kudumpaththudan makizhchchiyaaka irunthaar. nanRi.";

// The key state that the in-process reader serves, and the count of reads.
const BYTE* g_keyboard = nullptr;
long g_reads = 0;
SHORT(WINAPI* g_realGetKeyState)(int) = nullptr;

SHORT WINAPI CountingGetKeyState(int vk) {
  ++g_reads;
  return g_realGetKeyState(vk);
}

SHORT WINAPI InProcessGetKeyState(int vk) {
  ++g_reads;
  const BYTE state = g_keyboard[vk & 0xFF];
  return static_cast<SHORT>(((state & 0x80) ? 0xFF80 : 0) | (state & 0x01));
}

// The slot of user32!GetKeyState in the module's import address table, or null.
void** GetKeyStateSlot(HMODULE module) {
  auto base = reinterpret_cast<BYTE*>(module);
  auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name;
       ++d) {
    if (_stricmp(reinterpret_cast<char*>(base + d->Name), "user32.dll") != 0)
      continue;
    auto names = reinterpret_cast<IMAGE_THUNK_DATA64*>(base + d->OriginalFirstThunk);
    auto slots = reinterpret_cast<IMAGE_THUNK_DATA64*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL64(names->u1.Ordinal))
        continue;
      auto byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(byName->Name), "GetKeyState") == 0) {
        return reinterpret_cast<void**>(&slots->u1.Function);
      }
    }
  }
  return nullptr;
}

bool Redirect(void** slot, void* function) {
  DWORD old = 0;
  if (!VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old))
    return false;
  *slot = function;
  VirtualProtect(slot, sizeof(void*), old, &old);
  return true;
}

struct Figures {
  double median = 0;
  double p99 = 0;
  double readsPerKey = 0;
  size_t keys = 0;
};

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

// Types the paragraph `repeat` times into a fresh document of an active service and times each
// key-down as the keystroke manager delivers it.
bool Measure(IClassFactory* factory, unsigned layoutEntry, const std::vector<Key>& keys,
             bool inProcess, int repeat, Figures* out) {
  ModelHost host;
  host.useSystemKeyboardState(!inProcess);
  host.PushDocument(L"");
  if (FAILED(host.ActivateFromFactory(factory)) || FAILED(host.ChooseMenuItem(layoutEntry))) {
    return false;
  }
  g_keyboard = host.keyboardState();
  std::vector<double> micros;
  long reads = 0;
  BYTE state[256] = {};
  for (int r = 0; r < repeat; ++r) {
    host.SetText(L"");
    for (const Key& key : keys) {
      std::memset(state, 0, sizeof state);
      state[VK_SHIFT] = state[VK_LSHIFT] = key.shift ? 0x80 : 0;
      state[key.virtualKey] = 0x80;
      if (inProcess) {
        std::memcpy(const_cast<BYTE*>(host.keyboardState()), state, sizeof state);
      } else {
        SetKeyboardState(state);
      }
      BOOL preserved = FALSE;
      bool isPreserved = false;
      const LPARAM data = ModelHost::KeyData(key.virtualKey, false, false);
      const long readsBefore = g_reads;
      const auto start = std::chrono::steady_clock::now();
      host.threadMgr()->ProcessKeyDown(key.virtualKey, data, key.shift ? TF_MOD_SHIFT : 0,
                                       &isPreserved);
      const auto stop = std::chrono::steady_clock::now();
      reads += g_reads - readsBefore;
      (void)preserved;
      micros.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
      host.threadMgr()->ProcessKeyUp(key.virtualKey,
                                     ModelHost::KeyData(key.virtualKey, true, false));
    }
  }
  out->keys = micros.size();
  out->median = Percentile(micros, 0.5);
  out->p99 = Percentile(micros, 0.99);
  out->readsPerKey = static_cast<double>(reads) / static_cast<double>(micros.size());
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring dll = korvi::typist::DefaultDllPath();
  int repeat = 20;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--dll" && i + 1 < argc) {
      dll = argv[++i];
    } else if (a == L"--repeat" && i + 1 < argc) {
      repeat = std::max(1, _wtoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: korvi-keypath-bench [--dll PATH] [--repeat N]\n");
      return 2;
    }
  }

  korvi::typist::LookupServerStandIn lookupServer;
  if (!lookupServer.ok() || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
    return 1;

  korvi::typist::TextServiceLibrary library(dll);
  IClassFactory* factory = library.Load();
  void** slot = library.module() ? GetKeyStateSlot(library.module()) : nullptr;
  if (!factory || !slot) {
    std::fprintf(stderr,
                 "korvi-keypath-bench: cannot load %ls, or it has no class factory or no "
                 "GetKeyState import\n",
                 dll.c_str());
    return 1;
  }
  g_realGetKeyState = reinterpret_cast<SHORT(WINAPI*)(int)>(*slot);

  struct Paragraph {
    const char* name;
    unsigned layoutEntry;
    const char* keys;
  };
  const Paragraph paragraphs[] = {{"Tamil-99", 12, kTamil99Paragraph},
                                  {"phonetic", 11, kPhoneticParagraph}};
  std::printf("Key path through Korvi10TxtSvc.dll (test call + real call + edit session)\n");
  std::printf("%-10s %-22s %8s %12s %12s %14s\n", "layout", "key states", "keys", "median us",
              "p99 us", "reads per key");
  int status = 0;
  for (const Paragraph& p : paragraphs) {
    std::vector<Key> keys;
    std::string error;
    if (!korvi::notation::ParseKeys(p.keys, keys, error)) {
      std::fprintf(stderr, "korvi-keypath-bench: %s\n", error.c_str());
      return 1;
    }
    for (bool inProcess : {false, true}) {
      Redirect(slot, inProcess ? reinterpret_cast<void*>(&InProcessGetKeyState)
                               : reinterpret_cast<void*>(&CountingGetKeyState));
      Figures f;
      // The wineserver round trips make the real run slow; fewer rounds give enough keys.
      const int rounds = inProcess ? repeat : std::max(1, repeat / 10);
      if (!Measure(factory, p.layoutEntry, keys, inProcess, rounds, &f)) {
        std::fprintf(stderr, "korvi-keypath-bench: the service did not activate\n");
        status = 1;
        continue;
      }
      std::printf("%-10s %-22s %8zu %12.2f %12.2f %14.2f\n", p.name,
                  inProcess ? "served in process" : "Wine's GetKeyState", f.keys, f.median, f.p99,
                  f.readsPerKey);
    }
  }
  Redirect(slot, reinterpret_cast<void*>(g_realGetKeyState));
  std::printf("Goal: p99 with key states served in process under 20 us.\n");
  factory->Release();
  CoUninitialize();
  return status;
}
