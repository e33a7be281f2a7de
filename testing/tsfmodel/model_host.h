// ModelHost: a TSF host for tests, in one thread, without Windows' TSF manager.
//
// It owns a model thread manager (ITfThreadMgr with ITfSource, ITfKeystrokeMgr, ITfCompartmentMgr
// and ITfLangBarItemMgr), creates documents on it, activates one text input processor, types keys
// as TSF's keystroke manager delivers them, and reads back what the documents hold.
//
//   ModelHost host;
//   int doc = host.PushDocument(L"");                 // a focused document, caret at its end
//   ASSERT_EQ(host.ActivateFromFactory(factory), S_OK);
//   host.Key('K');                                    // down and up, no modifiers
//   host.Key('A', kShift);
//   EXPECT_EQ(host.Text(), L"...");
//   EXPECT_EQ(host.CompositionSpan(), (Span{0, 2}));
//   EXPECT_EQ(host.AttributeAt(0), inputAtom);
//   host.Click(0);                                    // the application moves the caret
//   std::vector<MenuEntry> menu = host.OpenMenu();    // the first language-bar item's menu
//   host.ChooseMenuItem(60);
//   host.Deactivate();
//
// Keys: Key(vk, modifiers) sets the thread's keyboard state with SetKeyboardState (the modifiers,
// Caps Lock's toggle and the key itself), builds the key data with the transition bits of a real
// WM_KEYDOWN/WM_KEYUP, and hands the key-down to the model's keystroke manager: a preserved key
// goes to OnPreservedKey; any other key to OnTestKeyDown and, only when that eats it, to
// OnKeyDown. A key-down that no sink eats reaches the plain editor behind the model, which types
// US-layout characters, Backspace, Delete, Enter, Tab, Left, Right, Home and End at the selection.
// After every call the host lets queued edit sessions run.
//
// Documents are numbered from 0 in the order they were made; the functions that take a document
// default to the focused one (kFocused). Positions are UTF-16 units.
#pragma once

#include <windows.h>

#include <msctf.h>

#include <optional>
#include <string>
#include <vector>

#include "testing/tsfmodel/model_objects.h"

namespace korvi::tsfmodel {

enum Modifier : unsigned {
  kShift = 1,
  kControl = 2,
  kAlt = 4,
  kLeftWin = 8,
  kRightWin = 16,
  kApps = 32,
  kCapsLock = 64,  // the toggle is on
};

struct KeyResult {
  bool eaten = false;      // a sink ate the key-down (OnKeyDown or OnPreservedKey)
  bool preserved = false;  // it was a preserved key that its owner ate
  bool toEditor = false;   // no one ate it: the plain editor got it
};

struct MenuEntry {
  UINT id = 0;
  DWORD flags = 0;
  std::wstring text;
  std::vector<MenuEntry> submenu;
};

class ModelHost {
 public:
  static constexpr int kFocused = -1;

  // Initialises COM on the thread (apartment-threaded) for the host's lifetime.
  ModelHost();
  // Deactivates the processor if it is active, then shuts the model down so that no reference
  // that a processor handed to it stays behind.
  ~ModelHost();
  ModelHost(const ModelHost&) = delete;
  ModelHost& operator=(const ModelHost&) = delete;

  ModelThreadMgr* threadMgr() const { return threadMgr_.Get(); }
  Faults& faults() { return state_->faults; }
  const SessionStats& stats() const { return state_->stats; }

  // --- Documents ------------------------------------------------------------------------------
  // A document manager with one context holding text, the caret at its end; focused if asked.
  int PushDocument(const std::wstring& text = L"", bool focus = true);
  // A document manager without any context (a document whose top context is missing).
  int PushEmptyDocument(bool focus = true);
  void Focus(int doc);  // kFocused is not allowed here; -2 takes the focus away
  static constexpr int kNoFocus = -2;
  void PopContext(int doc = kFocused);
  int focusedDocument() const;
  ModelDocumentMgr* DocumentMgr(int doc = kFocused) const;
  ModelContext* Context(int doc = kFocused) const;  // top context or null

  // --- The text input processor ---------------------------------------------------------------
  // Calls Activate with the thread manager and a new client id. On failure the processor is let
  // go, as TSF does.
  HRESULT Activate(ITfTextInputProcessor* processor);
  // Creates the processor through the factory (IID_ITfTextInputProcessor), then Activate.
  HRESULT ActivateFromFactory(IClassFactory* factory);
  // Terminates the processor's compositions through OnCompositionTerminated, calls Deactivate and
  // lets the processor go. S_FALSE when none was active.
  HRESULT Deactivate();
  ITfTextInputProcessor* processor() const { return processor_.Get(); }
  TfClientId clientId() const { return clientId_; }

  // --- Keys -----------------------------------------------------------------------------------
  KeyResult Key(UINT vk, unsigned modifiers = 0);
  KeyResult KeyDown(UINT vk, unsigned modifiers = 0);
  bool KeyUp(UINT vk, unsigned modifiers = 0);
  // The key data of a key message: repeat count 1, the scan code, the extended-key bit, the
  // context bit (Alt down), the previous-state bit and the transition bit.
  static LPARAM KeyData(UINT vk, bool up, bool alt);
  // The state last given to SetKeyboardState (also kept when useSystemKeyboardState is off, for
  // benchmarks that serve key states in process).
  const BYTE* keyboardState() const { return keyboardState_; }
  void useSystemKeyboardState(bool use) { useSystemKeyboardState_ = use; }
  // Keys that reached the plain editor, in order.
  const std::vector<UINT>& editorKeys() const { return editorKeys_; }
  void SetThreadFocus(bool focus) { threadMgr_->SetThreadFocus(focus); }

  // --- Reading and changing documents ---------------------------------------------------------
  std::wstring Text(int doc = kFocused) const;
  DocumentModel::Selection Selection(int doc = kFocused) const;
  // The first live composition's span.
  std::optional<Span> CompositionSpan(int doc = kFocused) const;
  int CompositionCount(int doc = kFocused) const;
  // The value of a property (GUID_PROP_ATTRIBUTE unless told) on the unit at position.
  std::optional<long> AttributeAt(long position, int doc = kFocused,
                                  REFGUID property = GUID_PROP_ATTRIBUTE) const;
  std::vector<DocumentModel::PropertySpan> AttributeSpans(
      int doc = kFocused, REFGUID property = GUID_PROP_ATTRIBUTE) const;
  // The application moves the selection (a click, or a drag from start to end); the text-edit
  // sinks hear of it through OnEndEdit.
  void Click(long position, int doc = kFocused) { Select({position, position}, doc); }
  void Select(Span span, int doc = kFocused);
  // The application replaces its whole text, caret at the end.
  void SetText(const std::wstring& text, int doc = kFocused);
  void RunPendingSessions() { threadMgr_->RunQueues(); }

  // --- Compartments ---------------------------------------------------------------------------
  bool KeyboardOpen() const;  // GUID_COMPARTMENT_KEYBOARD_OPENCLOSE is a non-zero VT_I4
  void SetKeyboardOpen(bool open);
  std::optional<VARIANT> ThreadCompartment(REFGUID guid) const;  // caller clears the VARIANT
  void SetThreadCompartment(REFGUID guid, const VARIANT& value);
  void SetContextCompartment(REFGUID guid, const VARIANT& value, int doc = kFocused);

  // --- What a processor left advised ----------------------------------------------------------
  int ThreadMgrEventSinkCount() const;
  int ThreadFocusSinkCount() const;
  int KeyEventSinkCount() const;
  int TextEditSinkCount(int doc = kFocused) const;
  int PreservedKeyCount() const;
  const std::vector<ModelThreadMgr::PreservedKey>& PreservedKeys() const;
  // References on the thread manager that are not the host's own.
  ULONG ThreadMgrForeignRefs() const;

  // --- Language bar ---------------------------------------------------------------------------
  int LangBarItemCount() const;
  ITfLangBarItem* LangBarItem(int index = 0) const;
  // Calls InitMenu on the item's ITfLangBarItemButton with a fresh menu and returns what it
  // added. hr (if given) receives InitMenu's result, or E_NOINTERFACE without a button.
  std::vector<MenuEntry> OpenMenu(int index = 0, HRESULT* hr = nullptr);
  HRESULT ChooseMenuItem(UINT id, int index = 0);
  // How often the item called the language bar's sink (OnUpdate).
  int LangBarItemUpdates(int index = 0) const;

 private:
  int Resolve(int doc) const;
  ComPtr<ITfLangBarItemButton> Button(int index) const;
  void SetKeyboard(UINT vk, unsigned modifiers, bool keyDown);
  void EditorKey(ModelContext* context, UINT vk, unsigned modifiers);

  bool comInitialized_;
  StatePtr state_;
  ComPtr<ModelThreadMgr> threadMgr_;
  TfClientId appClientId_ = TF_CLIENTID_NULL;
  std::vector<ComPtr<ModelDocumentMgr>> docs_;
  ComPtr<ITfTextInputProcessor> processor_;
  TfClientId clientId_ = TF_CLIENTID_NULL;
  BYTE keyboardState_[256] = {};
  bool useSystemKeyboardState_ = true;
  std::vector<UINT> editorKeys_;
};

// The US-layout character of a key, or 0: what the plain editor types.
wchar_t EditorChar(UINT vk, bool shift, bool capsLock);

}  // namespace korvi::tsfmodel
