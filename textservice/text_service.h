// CTextService: the Tamil text input processor, one object per thread on which the
// user picks the input method. It holds the thread's state (sinks, composition, layout,
// Tamil mode, key context) and forwards each TSF callback to the code of its concern:
// key_event_sink.cpp (keys), composition.cpp (compositions and the selection), lifecycle.cpp
// (construction, activation, the thread-manager and text-edit sinks, display attributes).
#pragma once

#include <msctf.h>
#include <windows.h>

#include <cstdint>

#include "engine/keystate.h"
#include "textservice/com/com_object.h"
#include "textservice/com/com_ptr.h"
#include "textservice/com/sink_advice.h"
#include "textservice/host_compat.h"
#include "textservice/lang_bar_button.h"
#include "textservice/module.h"
#include "textservice/tsf_extra.h"

namespace korvi {

// Hands the text of range (at most 99 units) to the lookup server; inside an edit session.
void SendLookupWord(TfEditCookie ec, ITfRange* range);

class CTextService final
    : public ComObject<ModuleObjectCounted, ITfTextInputProcessor, ITfThreadFocusSink,
                       ITfThreadMgrEventSink, ITfTextEditSink, ITfKeyEventSink, ITfCompositionSink,
                       ITfDisplayAttributeProvider>,
      public LangBarOwner {
 public:
  // Reads the layout, detects the host and starts the lookup server when it is missing.
  CTextService();

  // The creation function of the class factory: aggregation is refused, and the
  // caller gets the only reference.
  static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out);

  // ITfTextInputProcessor
  STDMETHODIMP Activate(ITfThreadMgr* threadMgr, TfClientId clientId) override;
  STDMETHODIMP Deactivate() override;

  // ITfThreadFocusSink
  STDMETHODIMP OnSetThreadFocus() override { return S_OK; }
  STDMETHODIMP OnKillThreadFocus() override { return S_OK; }

  // ITfThreadMgrEventSink
  STDMETHODIMP OnInitDocumentMgr(ITfDocumentMgr* documentMgr) override;
  STDMETHODIMP OnUninitDocumentMgr(ITfDocumentMgr*) override { return S_OK; }
  STDMETHODIMP OnSetFocus(ITfDocumentMgr* focused, ITfDocumentMgr* previous) override;
  STDMETHODIMP OnPushContext(ITfContext*) override { return S_OK; }
  STDMETHODIMP OnPopContext(ITfContext*) override { return S_OK; }

  // ITfTextEditSink
  STDMETHODIMP OnEndEdit(ITfContext* context, TfEditCookie ec, ITfEditRecord* record) override;

  // ITfKeyEventSink
  STDMETHODIMP OnSetFocus(BOOL) override { return S_OK; }
  STDMETHODIMP OnTestKeyDown(ITfContext* context, WPARAM wParam, LPARAM lParam,
                             BOOL* eaten) override;
  STDMETHODIMP OnTestKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten) override;
  STDMETHODIMP OnKeyDown(ITfContext* context, WPARAM wParam, LPARAM lParam, BOOL* eaten) override;
  STDMETHODIMP OnKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten) override;
  STDMETHODIMP OnPreservedKey(ITfContext* context, REFGUID guid, BOOL* eaten) override;

  // ITfCompositionSink
  STDMETHODIMP OnCompositionTerminated(TfEditCookie ec, ITfComposition* composition) override;

  // ITfDisplayAttributeProvider
  STDMETHODIMP EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) override;
  STDMETHODIMP GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out) override;

  // LangBarOwner: what the language-bar button reads and changes.
  IUnknown* OwnerObject() override { return static_cast<ITfTextInputProcessor*>(this); }
  int32_t layoutNumber() const override { return layoutNumber_; }
  void SetLayoutNumber(int32_t layoutNumber) override { layoutNumber_ = layoutNumber; }
  bool tamilMode() const override { return tamilMode_; }
  void SetTamilMode(bool on) override { tamilMode_ = on; }
  bool IsInputDisabled() override;
  bool CheckSelection(bool lookUp) override;

  // Keyboard open/close state of the thread (the thread manager's compartment).
  bool IsInputOpen();
  HRESULT SetInputOpen(bool open);

  // The key test: does the service take this key-down.
  bool WantsKey(UINT virtualKey);
  // A key-down that the service does not take goes on to the application.
  void PassKeyThrough(ITfContext* context, UINT virtualKey);
  // The key edit session's dispatch, and the key handler it runs.
  HRESULT HandleKeyInSession(TfEditCookie ec, ITfContext* context, UINT virtualKey);
  HRESULT ApplyKey(TfEditCookie ec, ITfContext* context, UINT virtualKey);

  // Compositions and edit sessions.
  void RequestStartComposition(ITfContext* context);
  void RequestEndComposition(ITfContext* context);
  void StartCompositionInSession(TfEditCookie ec, ITfContext* context);
  void FinishComposition(TfEditCookie ec, ITfContext* context);
  bool MarkComposition(TfEditCookie ec, ITfContext* context, TfGuidAtom atom);
  HRESULT ApplyKeyEdit(TfEditCookie ec, ITfContext* context, UINT virtualKey, wchar_t ch,
                       int32_t count, const wchar_t* output);
  void MoveCaretInComposition(TfEditCookie ec, ITfContext* context, UINT virtualKey);
  static bool RangeCovers(TfEditCookie ec, ITfRange* inner, ITfRange* outer);
  // The selection-reading session: its text, and the lookup hand-over.
  HRESULT LookupSelectionInSession(TfEditCookie ec, ITfContext* context, bool lookUp,
                                   bool* selectionFound);

  bool HasComposition() const { return composition_ != nullptr; }
  TfClientId clientId() const { return clientId_; }

 private:
  ~CTextService() override;

  // Moves the one text-edit sink to the top context of documentMgr, or to nothing.
  HRESULT MoveTextEditSink(ITfDocumentMgr* documentMgr);
  // The context that has the focus: the focused document manager's top context.
  ComPtr<ITfContext> FocusedTopContext();
  // Resets previousChar, lastOutputLength and engineStateByte.
  void ResetKeyContext();
  bool ActivateSteps();

  // TSF's side.
  ComPtr<ITfThreadMgr> threadMgr_;
  TfClientId clientId_ = TF_CLIENTID_NULL;
  SinkAdvice threadFocusSink_;
  SinkAdvice threadMgrEventSink_;
  ComPtr<ITfContext> textEditSinkContext_;
  SinkAdvice textEditSink_;
  ComPtr<CLangBarItemButton> langBarButton_;
  ComPtr<ITfComposition> composition_;
  TfGuidAtom inputAttributeAtom_ = TF_INVALID_GUIDATOM;
  TfGuidAtom convertedAttributeAtom_ = TF_INVALID_GUIDATOM;

  // The user's choices.
  int32_t layoutNumber_ = 0;
  bool tamilMode_ = true;

  // The key state that feeds the engine.
  KeyState keyState_;
  wchar_t scratchText_[101] = {};

  // Adaptations to the host application.
  HostFlags hostFlags_;
};

}  // namespace korvi
