// The COM objects of the model TSF host: thin msctf.h interfaces over DocumentModel and a little
// shared state. Tests use them through ModelHost (model_host.h); this header is for the host and
// for tests that need to reach one object directly.
//
// Ownership runs one way, so that nothing keeps a cycle alive: the thread manager holds its
// document managers, a document manager its contexts, a context its compositions. Objects that
// point back up (a context to its document manager, a composition to its context) hold plain
// pointers that are cleared when the upper object lets go. Ranges and properties hold their
// context. Sinks that a text service advises are held until it unadvises them, or until the host
// shuts the model down.
#pragma once

#include <msctf.h>
#include <olectl.h>
#include <windows.h>

#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "testing/tsfmodel/document_model.h"
#include "textservice/com/com_object.h"
#include "textservice/tsf_extra.h"

namespace korvi {

// A property answers for its read-only base too.
template <>
struct ComInterfaceIds<ITfProperty> {
  static bool Matches(REFIID iid) {
    return IsEqualIID(iid, IID_ITfProperty) || IsEqualIID(iid, IID_ITfReadOnlyProperty);
  }
};

namespace tsfmodel {

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
};

// Failure injection: each switch makes one TSF call fail the way a real host can.
struct Faults {
  bool refuseAddItem = false;           // ITfLangBarItemMgr::AddItem gives E_FAIL
  bool refuseEditSession = false;       // RequestEditSession gives E_FAIL and never runs it
  bool failAdviseKeyEventSink = false;  // ITfKeystrokeMgr::AdviseKeyEventSink gives E_FAIL
  bool failPreserveKey = false;         // ITfKeystrokeMgr::PreserveKey gives E_FAIL
  // ITfSource::AdviseSink (thread manager and contexts) gives E_FAIL for these sink IIDs.
  std::vector<IID> failAdviseSink;

  bool FailsAdvise(REFIID iid) const;
};

// What the edit-session machinery did, for tests that check TSF's scheduling rules.
struct SessionStats {
  int ranAtOnce = 0;       // run inside the request
  int queued = 0;          // queued (TF_S_ASYNC)
  int ranFromQueue = 0;    // queued sessions that have run
  int refusedSync = 0;     // TF_E_SYNCHRONOUS
  int refusedByFault = 0;  // refused through Faults::refuseEditSession
  int endEditNotices = 0;  // OnEndEdit calls made
};

// State that every model object may reach, whoever outlives whom.
struct ModelState {
  Faults faults;
  SessionStats stats;
  TfClientId nextClientId = 1;
  TfEditCookie nextCookie = 0x100;
  DWORD nextSinkCookie = 1;
};
using StatePtr = std::shared_ptr<ModelState>;

class ModelContext;
class ModelDocumentMgr;
class ModelThreadMgr;

// Values by GUID, behind ITfCompartmentMgr (thread manager and contexts).
class ModelCompartment final : public ComObject<NotCounted, ITfCompartment> {
 public:
  ModelCompartment();
  ~ModelCompartment() override;
  STDMETHODIMP SetValue(TfClientId tid, const VARIANT* value) override;
  STDMETHODIMP GetValue(VARIANT* value) override;

  const VARIANT& value() const { return value_; }
  TfClientId lastWriter() const { return lastWriter_; }

 private:
  VARIANT value_;
  TfClientId lastWriter_ = TF_CLIENTID_NULL;
};

class CompartmentStore {
 public:
  HRESULT Get(REFGUID guid, ITfCompartment** out);
  HRESULT Clear(REFGUID guid);
  // Null when nobody has asked for or set the compartment yet.
  ModelCompartment* Find(REFGUID guid) const;
  ModelCompartment* Ensure(REFGUID guid);
  void Reset() { compartments_.clear(); }

 private:
  std::map<GUID, ComPtr<ModelCompartment>, GuidLess> compartments_;
};

class ModelRange final : public ComObject<NotCounted, ITfRange> {
 public:
  ModelRange(ComPtr<ModelContext> context, Span span);
  ~ModelRange() override;

  STDMETHODIMP GetText(TfEditCookie ec, DWORD flags, WCHAR* text, ULONG max, ULONG* count) override;
  STDMETHODIMP SetText(TfEditCookie ec, DWORD flags, const WCHAR* text, LONG count) override;
  STDMETHODIMP GetFormattedText(TfEditCookie ec, IDataObject** out) override;
  STDMETHODIMP GetEmbedded(TfEditCookie ec, REFGUID service, REFIID iid, IUnknown** out) override;
  STDMETHODIMP InsertEmbedded(TfEditCookie ec, DWORD flags, IDataObject* data) override;
  STDMETHODIMP ShiftStart(TfEditCookie ec, LONG req, LONG* moved, const TF_HALTCOND* halt) override;
  STDMETHODIMP ShiftEnd(TfEditCookie ec, LONG req, LONG* moved, const TF_HALTCOND* halt) override;
  STDMETHODIMP ShiftStartToRange(TfEditCookie ec, ITfRange* range, TfAnchor anchor) override;
  STDMETHODIMP ShiftEndToRange(TfEditCookie ec, ITfRange* range, TfAnchor anchor) override;
  STDMETHODIMP ShiftStartRegion(TfEditCookie ec, TfShiftDir dir, BOOL* noRegion) override;
  STDMETHODIMP ShiftEndRegion(TfEditCookie ec, TfShiftDir dir, BOOL* noRegion) override;
  STDMETHODIMP IsEmpty(TfEditCookie ec, BOOL* empty) override;
  STDMETHODIMP Collapse(TfEditCookie ec, TfAnchor anchor) override;
  STDMETHODIMP IsEqualStart(TfEditCookie ec, ITfRange* with, TfAnchor anchor, BOOL* equal) override;
  STDMETHODIMP IsEqualEnd(TfEditCookie ec, ITfRange* with, TfAnchor anchor, BOOL* equal) override;
  STDMETHODIMP CompareStart(TfEditCookie ec, ITfRange* with, TfAnchor anchor,
                            LONG* result) override;
  STDMETHODIMP CompareEnd(TfEditCookie ec, ITfRange* with, TfAnchor anchor, LONG* result) override;
  STDMETHODIMP AdjustForInsert(TfEditCookie ec, ULONG insert, BOOL* ok) override;
  STDMETHODIMP GetGravity(TfGravity* start, TfGravity* end) override;
  STDMETHODIMP SetGravity(TfEditCookie ec, TfGravity start, TfGravity end) override;
  STDMETHODIMP Clone(ITfRange** out) override;
  STDMETHODIMP GetContext(ITfContext** out) override;

  Span span() const;
  ModelContext* context() const { return context_.Get(); }
  // The model's own range behind an interface pointer; null for a foreign one.
  static ModelRange* From(ITfRange* range);

 private:
  HRESULT Shift(TfEditCookie ec, bool start, LONG req, LONG* moved);
  HRESULT ShiftToRange(TfEditCookie ec, bool start, ITfRange* range, TfAnchor anchor);
  HRESULT Compare(TfEditCookie ec, bool start, ITfRange* with, TfAnchor anchor, LONG* result);
  long AnchorPosition(TfAnchor anchor) const;

  ComPtr<ModelContext> context_;
  DocumentModel::AnchorId start_;
  DocumentModel::AnchorId end_;
};

class ModelComposition final : public ComObject<NotCounted, ITfComposition> {
 public:
  ModelComposition(ModelContext* context, Span span, TfClientId owner,
                   ComPtr<ITfCompositionSink> sink);
  ~ModelComposition() override;

  STDMETHODIMP GetRange(ITfRange** out) override;
  STDMETHODIMP ShiftStart(TfEditCookie ec, ITfRange* newStart) override;
  STDMETHODIMP ShiftEnd(TfEditCookie ec, ITfRange* newEnd) override;
  STDMETHODIMP EndComposition(TfEditCookie ec) override;

  bool live() const { return context_ != nullptr; }
  TfClientId owner() const { return owner_; }
  Span span() const;
  ITfCompositionSink* sink() const { return sink_.Get(); }
  // Lets go of the document: the anchors, the context pointer and the sink.
  void Detach();

 private:
  HRESULT ShiftEdge(TfEditCookie ec, bool start, ITfRange* to);

  ModelContext* context_;
  DocumentModel::AnchorId start_;
  DocumentModel::AnchorId end_;
  TfClientId owner_;
  ComPtr<ITfCompositionSink> sink_;
};

class ModelProperty final : public ComObject<NotCounted, ITfProperty> {
 public:
  ModelProperty(ComPtr<ModelContext> context, const GUID& guid, int key);

  STDMETHODIMP GetType(GUID* guid) override;
  STDMETHODIMP EnumRanges(TfEditCookie ec, IEnumTfRanges** out, ITfRange* target) override;
  STDMETHODIMP GetValue(TfEditCookie ec, ITfRange* range, VARIANT* value) override;
  STDMETHODIMP GetContext(ITfContext** out) override;
  STDMETHODIMP FindRange(TfEditCookie ec, ITfRange* range, ITfRange** out,
                         TfAnchor anchor) override;
  STDMETHODIMP SetValueStore(TfEditCookie ec, ITfRange* range, ITfPropertyStore* store) override;
  STDMETHODIMP SetValue(TfEditCookie ec, ITfRange* range, const VARIANT* value) override;
  STDMETHODIMP Clear(TfEditCookie ec, ITfRange* range) override;

 private:
  ComPtr<ModelContext> context_;
  GUID guid_;
  int key_;
};

class ModelEditRecord final : public ComObject<NotCounted, ITfEditRecord> {
 public:
  explicit ModelEditRecord(bool selectionChanged) : selectionChanged_(selectionChanged) {}
  STDMETHODIMP GetSelectionStatus(BOOL* changed) override;
  STDMETHODIMP GetTextAndPropertyUpdates(DWORD flags, const GUID** props, ULONG count,
                                         IEnumTfRanges** out) override;

 private:
  bool selectionChanged_;
};

// One menu (or submenu) that a language-bar button fills in InitMenu.
class ModelMenu final : public ComObject<NotCounted, ITfMenu> {
 public:
  struct Item {
    UINT id;
    DWORD flags;
    std::wstring text;
    ComPtr<ModelMenu> submenu;
  };
  STDMETHODIMP AddMenuItem(UINT id, DWORD flags, HBITMAP bitmap, HBITMAP mask, const WCHAR* text,
                           ULONG length, ITfMenu** submenu) override;
  const std::vector<Item>& items() const { return items_; }

 private:
  std::vector<Item> items_;
};

// The language bar's own sink on an item, advised when the item is added.
class ModelLangBarItemSink final : public ComObject<NotCounted, ITfLangBarItemSink> {
 public:
  STDMETHODIMP OnUpdate(DWORD flags) override;
  int updates = 0;
};

class ModelContext final
    : public ComObject<NotCounted, ITfContext, ITfSource, ITfContextComposition,
                       ITfInsertAtSelection, ITfCompartmentMgr> {
 public:
  ModelContext(StatePtr state, ModelDocumentMgr* docMgr, std::wstring text);
  ~ModelContext() override;

  // ITfContext
  STDMETHODIMP RequestEditSession(TfClientId tid, ITfEditSession* session, DWORD flags,
                                  HRESULT* sessionResult) override;
  STDMETHODIMP InWriteSession(TfClientId tid, BOOL* write) override;
  STDMETHODIMP GetSelection(TfEditCookie ec, ULONG index, ULONG count, TF_SELECTION* selection,
                            ULONG* fetched) override;
  STDMETHODIMP SetSelection(TfEditCookie ec, ULONG count, const TF_SELECTION* selection) override;
  STDMETHODIMP GetStart(TfEditCookie ec, ITfRange** out) override;
  STDMETHODIMP GetEnd(TfEditCookie ec, ITfRange** out) override;
  STDMETHODIMP GetActiveView(ITfContextView** out) override;
  STDMETHODIMP EnumViews(IEnumTfContextViews** out) override;
  STDMETHODIMP GetStatus(TF_STATUS* status) override;
  STDMETHODIMP GetProperty(REFGUID guid, ITfProperty** out) override;
  STDMETHODIMP GetAppProperty(REFGUID guid, ITfReadOnlyProperty** out) override;
  STDMETHODIMP TrackProperties(const GUID** props, ULONG count, const GUID** appProps,
                               ULONG appCount, ITfReadOnlyProperty** out) override;
  STDMETHODIMP EnumProperties(IEnumTfProperties** out) override;
  STDMETHODIMP GetDocumentMgr(ITfDocumentMgr** out) override;
  STDMETHODIMP CreateRangeBackup(TfEditCookie ec, ITfRange* range, ITfRangeBackup** out) override;
  // ITfSource
  STDMETHODIMP AdviseSink(REFIID iid, IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP UnadviseSink(DWORD cookie) override;
  // ITfContextComposition
  STDMETHODIMP StartComposition(TfEditCookie ec, ITfRange* range, ITfCompositionSink* sink,
                                ITfComposition** out) override;
  STDMETHODIMP EnumCompositions(IEnumITfCompositionView** out) override;
  STDMETHODIMP FindComposition(TfEditCookie ec, ITfRange* range,
                               IEnumITfCompositionView** out) override;
  STDMETHODIMP TakeOwnership(TfEditCookie ec, ITfCompositionView* view, ITfCompositionSink* sink,
                             ITfComposition** out) override;
  // ITfInsertAtSelection
  STDMETHODIMP InsertTextAtSelection(TfEditCookie ec, DWORD flags, const WCHAR* text, LONG count,
                                     ITfRange** out) override;
  STDMETHODIMP InsertEmbeddedAtSelection(TfEditCookie ec, DWORD flags, IDataObject* data,
                                         ITfRange** out) override;
  // ITfCompartmentMgr
  STDMETHODIMP GetCompartment(REFGUID guid, ITfCompartment** out) override;
  STDMETHODIMP ClearCompartment(TfClientId tid, REFGUID guid) override;
  STDMETHODIMP EnumCompartments(IEnumGUID** out) override;

  DocumentModel& document() { return document_; }
  const DocumentModel& document() const { return document_; }
  CompartmentStore& compartments() { return compartments_; }
  const StatePtr& state() const { return state_; }

  // True while a session or notification holds ec; write asks for a read-write hold.
  bool CookieValid(TfEditCookie ec, bool write) const;
  ComPtr<ModelRange> NewRange(Span span);
  // The property key of a GUID inside DocumentModel.
  int PropertyKey(REFGUID guid);
  const std::vector<ComPtr<ModelComposition>>& compositions() const { return compositions_; }
  void RemoveComposition(ModelComposition* composition);
  int textEditSinkCount() const { return static_cast<int>(textEditSinks_.size()); }
  int pendingSessions() const { return static_cast<int>(queue_.size()); }

  // Terminates, through OnCompositionTerminated, the compositions of owner (all of them when
  // owner is TF_CLIENTID_NULL), each inside a read-write hold of its owner.
  void TerminateCompositions(TfClientId owner);
  // An edit by the application itself (a click, a key that no service took): the text-edit sinks
  // hear of it through OnEndEdit as after a session.
  template <typename Edit>
  void AppEdit(Edit edit) {
    if (!holds_.empty())
      return;
    ComPtr<ModelContext> keep(this);
    document_.BeginEdit();
    edit(document_);
    NotifyEndEdit();
    RunQueue();
  }
  // Runs the queued sessions that may run now.
  void RunQueue();
  // Popped from its document manager: terminates compositions and lets go of everything.
  void Detach();

 private:
  struct Hold {
    TfClientId tid;
    bool write;
    bool notification;
    TfEditCookie cookie;
  };
  struct Pending {
    TfClientId tid;
    ComPtr<ITfEditSession> session;
    bool write;
  };

  HRESULT RunSession(TfClientId tid, ITfEditSession* session, bool write);
  void NotifyEndEdit();
  TfClientId HolderOf(TfEditCookie ec) const;

  StatePtr state_;
  ModelDocumentMgr* docMgr_;
  DocumentModel document_;
  CompartmentStore compartments_;
  std::vector<ComPtr<ModelComposition>> compositions_;
  std::map<DWORD, ComPtr<ITfTextEditSink>> textEditSinks_;
  std::vector<Hold> holds_;
  std::deque<Pending> queue_;
  bool runningQueue_ = false;
  std::map<GUID, int, GuidLess> propertyKeys_;
};

class ModelDocumentMgr final : public ComObject<NotCounted, ITfDocumentMgr> {
 public:
  ModelDocumentMgr(StatePtr state, ModelThreadMgr* threadMgr);
  ~ModelDocumentMgr() override;

  STDMETHODIMP CreateContext(TfClientId owner, DWORD flags, IUnknown* unk, ITfContext** out,
                             TfEditCookie* ec) override;
  STDMETHODIMP Push(ITfContext* context) override;
  STDMETHODIMP Pop(DWORD flags) override;
  STDMETHODIMP GetTop(ITfContext** out) override;
  STDMETHODIMP GetBase(ITfContext** out) override;
  STDMETHODIMP EnumContexts(IEnumTfContexts** out) override;

  ModelContext* top() const { return stack_.empty() ? nullptr : stack_.back().Get(); }
  const std::vector<ComPtr<ModelContext>>& stack() const { return stack_; }
  void Shutdown();

 private:
  void PopOne();

  StatePtr state_;
  ModelThreadMgr* threadMgr_;
  std::vector<ComPtr<ModelContext>> stack_;
};

class ModelThreadMgr final : public ComObject<NotCounted, ITfThreadMgr, ITfSource, ITfKeystrokeMgr,
                                              ITfCompartmentMgr, ITfLangBarItemMgr> {
 public:
  struct KeySink {
    ComPtr<ITfKeyEventSink> sink;
    bool foreground;
  };
  struct PreservedKey {
    TfClientId tid;
    GUID guid;
    TF_PRESERVEDKEY key;
    std::wstring description;
  };
  struct LangBarItem {
    ComPtr<ITfLangBarItem> item;
    ComPtr<ITfSource> source;
    DWORD cookie;
    ComPtr<ModelLangBarItemSink> sink;
  };
  explicit ModelThreadMgr(StatePtr state);
  ~ModelThreadMgr() override;

  // ITfThreadMgr
  STDMETHODIMP Activate(TfClientId* tid) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP CreateDocumentMgr(ITfDocumentMgr** out) override;
  STDMETHODIMP EnumDocumentMgrs(IEnumTfDocumentMgrs** out) override;
  STDMETHODIMP GetFocus(ITfDocumentMgr** out) override;
  STDMETHODIMP SetFocus(ITfDocumentMgr* docMgr) override;
  STDMETHODIMP AssociateFocus(HWND hwnd, ITfDocumentMgr* docMgr, ITfDocumentMgr** prev) override;
  STDMETHODIMP IsThreadFocus(BOOL* focus) override;
  STDMETHODIMP GetFunctionProvider(REFCLSID clsid, ITfFunctionProvider** out) override;
  STDMETHODIMP EnumFunctionProviders(IEnumTfFunctionProviders** out) override;
  STDMETHODIMP GetGlobalCompartment(ITfCompartmentMgr** out) override;
  // ITfSource
  STDMETHODIMP AdviseSink(REFIID iid, IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP UnadviseSink(DWORD cookie) override;
  // ITfKeystrokeMgr
  STDMETHODIMP AdviseKeyEventSink(TfClientId tid, ITfKeyEventSink* sink, BOOL foreground) override;
  STDMETHODIMP UnadviseKeyEventSink(TfClientId tid) override;
  STDMETHODIMP GetForeground(CLSID* clsid) override;
  STDMETHODIMP TestKeyDown(WPARAM wParam, LPARAM lParam, BOOL* eaten) override;
  STDMETHODIMP TestKeyUp(WPARAM wParam, LPARAM lParam, BOOL* eaten) override;
  STDMETHODIMP KeyDown(WPARAM wParam, LPARAM lParam, BOOL* eaten) override;
  STDMETHODIMP KeyUp(WPARAM wParam, LPARAM lParam, BOOL* eaten) override;
  STDMETHODIMP GetPreservedKey(ITfContext* context, const TF_PRESERVEDKEY* key,
                               GUID* guid) override;
  STDMETHODIMP IsPreservedKey(REFGUID guid, const TF_PRESERVEDKEY* key, BOOL* registered) override;
  STDMETHODIMP PreserveKey(TfClientId tid, REFGUID guid, const TF_PRESERVEDKEY* key,
                           const WCHAR* description, ULONG length) override;
  STDMETHODIMP UnpreserveKey(REFGUID guid, const TF_PRESERVEDKEY* key) override;
  STDMETHODIMP SetPreservedKeyDescription(REFGUID guid, const WCHAR* description,
                                          ULONG length) override;
  STDMETHODIMP GetPreservedKeyDescription(REFGUID guid, BSTR* description) override;
  STDMETHODIMP SimulatePreservedKey(ITfContext* context, REFGUID guid, BOOL* eaten) override;
  // ITfCompartmentMgr
  STDMETHODIMP GetCompartment(REFGUID guid, ITfCompartment** out) override;
  STDMETHODIMP ClearCompartment(TfClientId tid, REFGUID guid) override;
  STDMETHODIMP EnumCompartments(IEnumGUID** out) override;
  // ITfLangBarItemMgr
  STDMETHODIMP EnumItems(IEnumTfLangBarItems** out) override;
  STDMETHODIMP GetItem(REFGUID guid, ITfLangBarItem** out) override;
  STDMETHODIMP AddItem(ITfLangBarItem* item) override;
  STDMETHODIMP RemoveItem(ITfLangBarItem* item) override;
  STDMETHODIMP AdviseItemSink(ITfLangBarItemSink* sink, DWORD* cookie, REFGUID item) override;
  STDMETHODIMP UnadviseItemSink(DWORD cookie) override;
  STDMETHODIMP GetItemFloatingRect(DWORD thread, REFGUID guid, RECT* rect) override;
  STDMETHODIMP GetItemsStatus(ULONG count, const GUID* guids, DWORD* status) override;
  STDMETHODIMP GetItemNum(ULONG* count) override;
  STDMETHODIMP GetItems(ULONG count, ITfLangBarItem** items, TF_LANGBARITEMINFO* info,
                        DWORD* status, ULONG* fetched) override;
  STDMETHODIMP AdviseItemsSink(ULONG count, ITfLangBarItemSink** sinks, const GUID* items,
                               DWORD* cookies) override;
  STDMETHODIMP UnadviseItemsSink(ULONG count, DWORD* cookies) override;

  TfClientId NewClientId() { return state_->nextClientId++; }
  // The top context of the focused document, or null.
  ModelContext* FocusContext() const;
  ModelDocumentMgr* focus() const { return focus_.Get(); }
  // A key-down as TSF's message hook sees it: a preserved key goes to OnPreservedKey; any other
  // key to OnTestKeyDown, and to OnKeyDown only when the test ate it. True when a sink ate it.
  bool ProcessKeyDown(UINT vk, LPARAM keyData, UINT modifiers, bool* preserved);
  bool ProcessKeyUp(UINT vk, LPARAM keyData);
  // Sends the thread-focus notices to the ITfThreadFocusSinks.
  void SetThreadFocus(bool focus);
  void NotifyContext(ModelDocumentMgr* docMgr, ModelContext* context, bool pushed);
  // Terminates every composition that tid owns, in every document.
  void TerminateCompositionsOf(TfClientId tid);
  void RunQueues();
  // Lets go of everything: documents (terminating their compositions), sinks, keys and items.
  void Shutdown();

  CompartmentStore& compartments() { return compartments_; }
  int eventSinkCount(REFIID iid) const;
  const std::map<TfClientId, KeySink>& keySinks() const { return keySinks_; }
  const std::vector<PreservedKey>& preservedKeys() const { return preservedKeys_; }
  const std::vector<LangBarItem>& langBarItems() const { return langBarItems_; }
  const std::vector<ComPtr<ModelDocumentMgr>>& documentMgrs() const { return docMgrs_; }

 private:
  struct EventSink {
    IID iid;
    ComPtr<IUnknown> sink;
  };
  using KeyMethod = HRESULT (STDMETHODCALLTYPE ITfKeyEventSink::*)(ITfContext*, WPARAM, LPARAM,
                                                                   BOOL*);
  ITfKeyEventSink* ForegroundSink() const;
  HRESULT CallForeground(KeyMethod method, WPARAM wParam, LPARAM lParam, BOOL* eaten);
  void ReleaseAll();
  template <typename Sink, typename Call>
  void ForEachSink(Call call);

  StatePtr state_;
  bool activated_ = false;
  TfClientId appClientId_ = TF_CLIENTID_NULL;
  std::vector<ComPtr<ModelDocumentMgr>> docMgrs_;
  ComPtr<ModelDocumentMgr> focus_;
  std::map<DWORD, EventSink> eventSinks_;
  std::map<TfClientId, KeySink> keySinks_;
  TfClientId foregroundTid_ = TF_CLIENTID_NULL;
  std::vector<PreservedKey> preservedKeys_;
  std::vector<LangBarItem> langBarItems_;
  CompartmentStore compartments_;
};

}  // namespace tsfmodel
}  // namespace korvi
