// A test fixture with the real Korvi10TxtSvc.dll activated in the model TSF host on an empty,
// focused document. It guards the product's per-user registry key, stands in for the lookup
// server's window (so that creating the service starts nothing), watches message boxes, and
// checks at the end that the library can unload: a leaked reference fails the test that leaked it.
#pragma once

#include <gtest/gtest.h>
#include <msctf.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/tsfmodel/model_host.h"
#include "testing/win/message_box_watcher.h"
#include "testing/win/recording_window.h"
#include "testing/win/registry_fixture.h"
#include "textservice/dll_fixture.h"

namespace korvi::testing {

// One key of a key string: a virtual key and its modifiers.
struct TypedKey {
  UINT vk;
  unsigned modifiers;
};

// Keys in korvi-type's notation (tools/keynotation/key_notation.h); a string that does not parse
// fails the calling test.
std::vector<TypedKey> ParseKeys(const std::wstring& keys);

// Runs this test program again, as another host process: only the tests that filter names (also
// disabled ones), with extra words on its command line. The result is its exit code and output.
struct ChildRun {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;
  // gtest's summary says that exactly one test ran and passed.
  bool OnePassed() const { return output.find("[  PASSED  ] 1 test.") != std::string::npos; }
};
ChildRun RunThisProgram(const std::wstring& filter, const std::wstring& extraArguments);

// Whether this process's command line holds text (case-insensitively).
bool CommandLineMentions(const std::wstring& text);

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Stores imemode per user (before Start, so that the new service reads it).
  void StoreLayout(const wchar_t* text);
  // A host with one empty focused document (unless told otherwise) and the service active in it.
  void Start(bool withDocument = true);
  // Creates a service object through the factory without activating it.
  ITfTextInputProcessor* CreateService();

  void Type(const std::wstring& keys, unsigned extraModifiers = 0);
  tsfmodel::ModelHost& host() { return *host_; }

  // The atoms that the real category manager gives the two display-attribute GUIDs.
  static TfGuidAtom InputAtom();
  static TfGuidAtom ConvertedAtom();

  // The lookup file's bytes (TEMP points at a folder of the test's own), empty when absent.
  std::vector<uint8_t> LookupFileBytes() const;
  // What the lookup file holds for word: a byte-order mark, then "word{~}word" in UTF-16LE.
  static std::vector<uint8_t> LookupBytesFor(const std::wstring& word);
  // The lookup messages posted to the stand-in lookup server since the last call.
  int TakeLookupMessages();

  // Whether any unit of the focused document carries a display attribute.
  bool AnyAttribute();

  // Stops the host (deactivating the service); a test may call it early.
  void StopHost();

  RegistryKeyGuard userSettings_{HKEY_CURRENT_USER, L"Software\\Velona Systems"};
  RecordingWindow lookupServer_{L"KorviTestLookupServer", L"Korvi10WinSvcFormHidden"};
  MessageBoxWatcher boxes_;
  LoadedTextService dll_;
  IClassFactory* factory_ = nullptr;
  std::optional<tsfmodel::ModelHost> host_;
  std::wstring savedTemp_;
  std::wstring temp_;
};

}  // namespace korvi::testing
