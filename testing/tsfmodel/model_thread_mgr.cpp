// The thread side of the model: the thread manager with its sources, keystroke manager,
// compartments and language-bar item manager, and the document managers.
#include <algorithm>

#include "testing/tsfmodel/model_objects.h"

namespace korvi::tsfmodel {

namespace {

// TF_MOD_* bits reduced to Alt, Control and Shift, whichever side.
UINT Sideless(UINT modifiers) {
  UINT m = modifiers & (TF_MOD_ALT | TF_MOD_CONTROL | TF_MOD_SHIFT);
  if (modifiers & (TF_MOD_LALT | TF_MOD_RALT))
    m |= TF_MOD_ALT;
  if (modifiers & (TF_MOD_LCONTROL | TF_MOD_RCONTROL))
    m |= TF_MOD_CONTROL;
  if (modifiers & (TF_MOD_LSHIFT | TF_MOD_RSHIFT))
    m |= TF_MOD_SHIFT;
  return m;
}

bool SameKey(const TF_PRESERVEDKEY& a, const TF_PRESERVEDKEY& b) {
  return a.uVKey == b.uVKey && Sideless(a.uModifiers) == Sideless(b.uModifiers);
}

bool KeyMatches(const TF_PRESERVEDKEY& key, UINT vk, UINT modifiers) {
  if (key.uVKey != vk)
    return false;
  if (key.uModifiers & TF_MOD_IGNORE_ALL_MODIFIER)
    return true;
  return Sideless(key.uModifiers) == Sideless(modifiers);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Document managers

ModelDocumentMgr::ModelDocumentMgr(StatePtr state, ModelThreadMgr* threadMgr)
    : state_(std::move(state)), threadMgr_(threadMgr) {}

ModelDocumentMgr::~ModelDocumentMgr() {
  Shutdown();
}

void ModelDocumentMgr::Shutdown() {
  while (!stack_.empty())
    PopOne();
  threadMgr_ = nullptr;
}

STDMETHODIMP ModelDocumentMgr::CreateContext(TfClientId, DWORD, IUnknown*, ITfContext** out,
                                             TfEditCookie* ec) {
  if (!out || !ec)
    return E_INVALIDARG;
  *out = nullptr;
  auto context = MakeComObject<ModelContext>(state_, this, std::wstring());
  if (!context)
    return E_OUTOFMEMORY;
  *ec = state_->nextCookie++;
  *out = context.Detach();
  return S_OK;
}

STDMETHODIMP ModelDocumentMgr::Push(ITfContext* context) {
  auto* model = dynamic_cast<ModelContext*>(context);
  if (!model)
    return E_INVALIDARG;
  // TSF's stack holds a document's own context and at most one above it.
  if (stack_.size() >= 2)
    return TF_E_STACKFULL;
  stack_.emplace_back(model);
  if (threadMgr_)
    threadMgr_->NotifyContext(this, model, true);
  return S_OK;
}

void ModelDocumentMgr::PopOne() {
  ComPtr<ModelContext> context = stack_.back();
  // As TSF does: compositions in a popped context end through their sinks first.
  context->TerminateCompositions(TF_CLIENTID_NULL);
  stack_.pop_back();
  if (threadMgr_)
    threadMgr_->NotifyContext(this, context.Get(), false);
  context->Detach();
}

STDMETHODIMP ModelDocumentMgr::Pop(DWORD flags) {
  if (stack_.empty())
    return E_FAIL;
  ComPtr<ModelDocumentMgr> keep(this);
  if (flags & TF_POPF_ALL) {
    while (!stack_.empty())
      PopOne();
  } else {
    PopOne();
  }
  return S_OK;
}

STDMETHODIMP ModelDocumentMgr::GetTop(ITfContext** out) {
  if (!out)
    return E_INVALIDARG;
  *out = top();
  if (*out)
    (*out)->AddRef();
  return S_OK;
}

STDMETHODIMP ModelDocumentMgr::GetBase(ITfContext** out) {
  if (!out)
    return E_INVALIDARG;
  *out = stack_.empty() ? nullptr : stack_.front().Get();
  if (*out)
    (*out)->AddRef();
  return S_OK;
}

STDMETHODIMP ModelDocumentMgr::EnumContexts(IEnumTfContexts** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

// ---------------------------------------------------------------------------------------------
// Thread manager

ModelThreadMgr::ModelThreadMgr(StatePtr state) : state_(std::move(state)) {}

ModelThreadMgr::~ModelThreadMgr() {
  ReleaseAll();
}

template <typename Sink, typename Call>
void ModelThreadMgr::ForEachSink(Call call) {
  std::vector<ComPtr<IUnknown>> sinks;
  for (auto& entry : eventSinks_) {
    if (IsEqualIID(entry.second.iid, __uuidof(Sink)))
      sinks.push_back(entry.second.sink);
  }
  // Each pointer was obtained by QueryInterface for Sink's IID.
  for (auto& sink : sinks)
    call(static_cast<Sink*>(sink.Get()));
}

void ModelThreadMgr::Shutdown() {
  ComPtr<ModelThreadMgr> keep(this);
  ReleaseAll();
}

void ModelThreadMgr::ReleaseAll() {
  std::vector<ComPtr<ModelDocumentMgr>> docs = std::move(docMgrs_);
  docMgrs_.clear();
  focus_.Reset();
  for (auto& doc : docs)
    doc->Shutdown();
  docs.clear();
  eventSinks_.clear();
  keySinks_.clear();
  foregroundTid_ = TF_CLIENTID_NULL;
  preservedKeys_.clear();
  std::vector<LangBarItem> items = std::move(langBarItems_);
  langBarItems_.clear();
  for (auto& item : items) {
    if (item.source)
      item.source->UnadviseSink(item.cookie);
  }
  items.clear();
  compartments_.Reset();
}

ModelContext* ModelThreadMgr::FocusContext() const {
  return focus_ ? focus_->top() : nullptr;
}

void ModelThreadMgr::NotifyContext(ModelDocumentMgr*, ModelContext* context, bool pushed) {
  ForEachSink<ITfThreadMgrEventSink>([&](ITfThreadMgrEventSink* sink) {
    if (pushed) {
      sink->OnPushContext(context);
    } else {
      sink->OnPopContext(context);
    }
  });
}

void ModelThreadMgr::TerminateCompositionsOf(TfClientId tid) {
  std::vector<ComPtr<ModelDocumentMgr>> docs = docMgrs_;
  for (auto& doc : docs) {
    std::vector<ComPtr<ModelContext>> stack = doc->stack();
    for (auto& context : stack)
      context->TerminateCompositions(tid);
  }
}

void ModelThreadMgr::RunQueues() {
  std::vector<ComPtr<ModelDocumentMgr>> docs = docMgrs_;
  for (auto& doc : docs) {
    std::vector<ComPtr<ModelContext>> stack = doc->stack();
    for (auto& context : stack)
      context->RunQueue();
  }
}

void ModelThreadMgr::SetThreadFocus(bool focus) {
  ForEachSink<ITfThreadFocusSink>([&](ITfThreadFocusSink* sink) {
    if (focus) {
      sink->OnSetThreadFocus();
    } else {
      sink->OnKillThreadFocus();
    }
  });
}

int ModelThreadMgr::eventSinkCount(REFIID iid) const {
  return static_cast<int>(std::count_if(eventSinks_.begin(), eventSinks_.end(),
                                        [&](auto& e) { return IsEqualIID(e.second.iid, iid); }));
}

STDMETHODIMP ModelThreadMgr::Activate(TfClientId* tid) {
  if (!tid)
    return E_INVALIDARG;
  if (!activated_) {
    appClientId_ = NewClientId();
    activated_ = true;
  }
  *tid = appClientId_;
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::Deactivate() {
  activated_ = false;
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::CreateDocumentMgr(ITfDocumentMgr** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  auto doc = MakeComObject<ModelDocumentMgr>(state_, this);
  if (!doc)
    return E_OUTOFMEMORY;
  docMgrs_.push_back(doc);
  ForEachSink<ITfThreadMgrEventSink>(
      [&](ITfThreadMgrEventSink* sink) { sink->OnInitDocumentMgr(doc.Get()); });
  *out = doc.Detach();
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::EnumDocumentMgrs(IEnumTfDocumentMgrs** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::GetFocus(ITfDocumentMgr** out) {
  return focus_.CopyTo(out);
}

STDMETHODIMP ModelThreadMgr::SetFocus(ITfDocumentMgr* docMgr) {
  ModelDocumentMgr* model = nullptr;
  if (docMgr) {
    model = dynamic_cast<ModelDocumentMgr*>(docMgr);
    if (!model)
      return E_INVALIDARG;
  }
  if (model == focus_.Get())
    return S_OK;
  ComPtr<ModelDocumentMgr> previous = std::move(focus_);
  focus_ = ComPtr<ModelDocumentMgr>(model);
  ForEachSink<ITfThreadMgrEventSink>(
      [&](ITfThreadMgrEventSink* sink) { sink->OnSetFocus(focus_.Get(), previous.Get()); });
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::AssociateFocus(HWND, ITfDocumentMgr*, ITfDocumentMgr** prev) {
  if (prev)
    *prev = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::IsThreadFocus(BOOL* focus) {
  if (!focus)
    return E_INVALIDARG;
  *focus = TRUE;
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::GetFunctionProvider(REFCLSID, ITfFunctionProvider** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::EnumFunctionProviders(IEnumTfFunctionProviders** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::GetGlobalCompartment(ITfCompartmentMgr** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::AdviseSink(REFIID iid, IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie)
    return E_INVALIDARG;
  *cookie = TF_INVALID_COOKIE;
  if (!IsEqualIID(iid, IID_ITfThreadMgrEventSink) && !IsEqualIID(iid, IID_ITfThreadFocusSink)) {
    return CONNECT_E_CANNOTCONNECT;
  }
  if (state_->faults.FailsAdvise(iid))
    return E_FAIL;
  ComPtr<IUnknown> typed;
  if (FAILED(sink->QueryInterface(iid, typed.PutVoid())))
    return E_NOINTERFACE;
  const DWORD c = state_->nextSinkCookie++;
  eventSinks_.emplace(c, EventSink{iid, std::move(typed)});
  *cookie = c;
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::UnadviseSink(DWORD cookie) {
  return eventSinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ModelThreadMgr::AdviseKeyEventSink(TfClientId tid, ITfKeyEventSink* sink,
                                                BOOL foreground) {
  if (!sink)
    return E_INVALIDARG;
  if (state_->faults.failAdviseKeyEventSink)
    return E_FAIL;
  if (keySinks_.count(tid))
    return CONNECT_E_ADVISELIMIT;
  keySinks_.emplace(tid, KeySink{ComPtr<ITfKeyEventSink>(sink), foreground != FALSE});
  if (foreground) {
    foregroundTid_ = tid;
    sink->OnSetFocus(TRUE);
  }
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::UnadviseKeyEventSink(TfClientId tid) {
  if (!keySinks_.erase(tid))
    return CONNECT_E_NOCONNECTION;
  if (foregroundTid_ == tid)
    foregroundTid_ = TF_CLIENTID_NULL;
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::GetForeground(CLSID* clsid) {
  if (!clsid)
    return E_INVALIDARG;
  *clsid = GUID_NULL;
  return ForegroundSink() ? S_OK : S_FALSE;
}

ITfKeyEventSink* ModelThreadMgr::ForegroundSink() const {
  auto it = keySinks_.find(foregroundTid_);
  return it == keySinks_.end() ? nullptr : it->second.sink.Get();
}

HRESULT ModelThreadMgr::CallForeground(KeyMethod method, WPARAM wParam, LPARAM lParam,
                                       BOOL* eaten) {
  if (!eaten)
    return E_INVALIDARG;
  *eaten = FALSE;
  ComPtr<ITfKeyEventSink> sink(ForegroundSink());
  return sink ? (sink.Get()->*method)(FocusContext(), wParam, lParam, eaten) : S_OK;
}

STDMETHODIMP ModelThreadMgr::TestKeyDown(WPARAM wParam, LPARAM lParam, BOOL* eaten) {
  return CallForeground(&ITfKeyEventSink::OnTestKeyDown, wParam, lParam, eaten);
}

STDMETHODIMP ModelThreadMgr::TestKeyUp(WPARAM wParam, LPARAM lParam, BOOL* eaten) {
  return CallForeground(&ITfKeyEventSink::OnTestKeyUp, wParam, lParam, eaten);
}

STDMETHODIMP ModelThreadMgr::KeyDown(WPARAM wParam, LPARAM lParam, BOOL* eaten) {
  return CallForeground(&ITfKeyEventSink::OnKeyDown, wParam, lParam, eaten);
}

STDMETHODIMP ModelThreadMgr::KeyUp(WPARAM wParam, LPARAM lParam, BOOL* eaten) {
  return CallForeground(&ITfKeyEventSink::OnKeyUp, wParam, lParam, eaten);
}

bool ModelThreadMgr::ProcessKeyDown(UINT vk, LPARAM keyData, UINT modifiers, bool* preserved) {
  ComPtr<ModelThreadMgr> keep(this);
  if (preserved)
    *preserved = false;
  for (const PreservedKey& pk : std::vector<PreservedKey>(preservedKeys_)) {
    if (!KeyMatches(pk.key, vk, modifiers))
      continue;
    auto it = keySinks_.find(pk.tid);
    if (it == keySinks_.end())
      continue;
    ComPtr<ITfKeyEventSink> sink = it->second.sink;
    BOOL eaten = FALSE;
    sink->OnPreservedKey(FocusContext(), pk.guid, &eaten);
    if (eaten) {
      if (preserved)
        *preserved = true;
      return true;
    }
  }
  BOOL eaten = FALSE;
  TestKeyDown(vk, keyData, &eaten);
  if (!eaten)
    return false;
  eaten = FALSE;
  KeyDown(vk, keyData, &eaten);
  return eaten != FALSE;
}

bool ModelThreadMgr::ProcessKeyUp(UINT vk, LPARAM keyData) {
  ComPtr<ModelThreadMgr> keep(this);
  BOOL eaten = FALSE;
  TestKeyUp(vk, keyData, &eaten);
  if (!eaten)
    return false;
  eaten = FALSE;
  KeyUp(vk, keyData, &eaten);
  return eaten != FALSE;
}

STDMETHODIMP ModelThreadMgr::GetPreservedKey(ITfContext*, const TF_PRESERVEDKEY* key, GUID* guid) {
  if (!key || !guid)
    return E_INVALIDARG;
  *guid = GUID_NULL;
  for (const PreservedKey& pk : preservedKeys_) {
    if (SameKey(pk.key, *key)) {
      *guid = pk.guid;
      return S_OK;
    }
  }
  return S_FALSE;
}

STDMETHODIMP ModelThreadMgr::IsPreservedKey(REFGUID guid, const TF_PRESERVEDKEY* key,
                                            BOOL* registered) {
  if (!key || !registered)
    return E_INVALIDARG;
  *registered = std::any_of(preservedKeys_.begin(), preservedKeys_.end(), [&](auto& pk) {
    return IsEqualGUID(pk.guid, guid) && SameKey(pk.key, *key);
  });
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::PreserveKey(TfClientId tid, REFGUID guid, const TF_PRESERVEDKEY* key,
                                         const WCHAR* description, ULONG length) {
  if (!key || (length > 0 && !description))
    return E_INVALIDARG;
  if (state_->faults.failPreserveKey)
    return E_FAIL;
  for (const PreservedKey& pk : preservedKeys_) {
    if (SameKey(pk.key, *key))
      return TF_E_ALREADY_EXISTS;
  }
  preservedKeys_.push_back(
      {tid, guid, *key, std::wstring(description ? description : L"", length)});
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::UnpreserveKey(REFGUID guid, const TF_PRESERVEDKEY* key) {
  if (!key)
    return E_INVALIDARG;
  auto it = std::find_if(preservedKeys_.begin(), preservedKeys_.end(), [&](auto& pk) {
    return IsEqualGUID(pk.guid, guid) && SameKey(pk.key, *key);
  });
  if (it == preservedKeys_.end())
    return CONNECT_E_NOCONNECTION;
  preservedKeys_.erase(it);
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::SetPreservedKeyDescription(REFGUID guid, const WCHAR* description,
                                                        ULONG length) {
  if (length > 0 && !description)
    return E_INVALIDARG;
  for (PreservedKey& pk : preservedKeys_) {
    if (IsEqualGUID(pk.guid, guid)) {
      pk.description.assign(description ? description : L"", length);
      return S_OK;
    }
  }
  return E_INVALIDARG;
}

STDMETHODIMP ModelThreadMgr::GetPreservedKeyDescription(REFGUID guid, BSTR* description) {
  if (!description)
    return E_INVALIDARG;
  *description = nullptr;
  for (const PreservedKey& pk : preservedKeys_) {
    if (IsEqualGUID(pk.guid, guid)) {
      *description =
          SysAllocStringLen(pk.description.data(), static_cast<UINT>(pk.description.size()));
      return *description ? S_OK : E_OUTOFMEMORY;
    }
  }
  return E_INVALIDARG;
}

STDMETHODIMP ModelThreadMgr::SimulatePreservedKey(ITfContext* context, REFGUID guid, BOOL* eaten) {
  if (!eaten)
    return E_INVALIDARG;
  *eaten = FALSE;
  for (const PreservedKey& pk : std::vector<PreservedKey>(preservedKeys_)) {
    auto it = keySinks_.find(pk.tid);
    if (!IsEqualGUID(pk.guid, guid) || it == keySinks_.end())
      continue;
    ComPtr<ITfKeyEventSink> sink = it->second.sink;
    return sink->OnPreservedKey(context, guid, eaten);
  }
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::GetCompartment(REFGUID guid, ITfCompartment** out) {
  return compartments_.Get(guid, out);
}

STDMETHODIMP ModelThreadMgr::ClearCompartment(TfClientId, REFGUID guid) {
  return compartments_.Clear(guid);
}

STDMETHODIMP ModelThreadMgr::EnumCompartments(IEnumGUID** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::EnumItems(IEnumTfLangBarItems** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::GetItem(REFGUID guid, ITfLangBarItem** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  for (auto& entry : langBarItems_) {
    TF_LANGBARITEMINFO info = {};
    if (SUCCEEDED(entry.item->GetInfo(&info)) && IsEqualGUID(info.guidItem, guid)) {
      return entry.item.CopyTo(out);
    }
  }
  return E_INVALIDARG;
}

STDMETHODIMP ModelThreadMgr::AddItem(ITfLangBarItem* item) {
  if (!item)
    return E_INVALIDARG;
  if (state_->faults.refuseAddItem)
    return E_FAIL;
  LangBarItem entry{ComPtr<ITfLangBarItem>(item), nullptr, TF_INVALID_COOKIE, nullptr};
  // The language bar listens to its items through their ITfSource, as TSF's does.
  if (SUCCEEDED(item->QueryInterface(IID_ITfSource, entry.source.PutVoid()))) {
    entry.sink = MakeComObject<ModelLangBarItemSink>();
    if (!entry.sink ||
        FAILED(entry.source->AdviseSink(IID_ITfLangBarItemSink, entry.sink.Get(), &entry.cookie))) {
      entry.source.Reset();
      entry.cookie = TF_INVALID_COOKIE;
    }
  }
  langBarItems_.push_back(std::move(entry));
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::RemoveItem(ITfLangBarItem* item) {
  if (!item)
    return E_INVALIDARG;
  ComPtr<IUnknown> identity;
  item->QueryInterface(IID_IUnknown, identity.PutVoid());
  for (auto it = langBarItems_.begin(); it != langBarItems_.end(); ++it) {
    ComPtr<IUnknown> other;
    it->item->QueryInterface(IID_IUnknown, other.PutVoid());
    if (it->item.Get() != item && other != identity)
      continue;
    LangBarItem entry = std::move(*it);
    langBarItems_.erase(it);
    if (entry.source)
      entry.source->UnadviseSink(entry.cookie);
    return S_OK;
  }
  return E_INVALIDARG;
}

STDMETHODIMP ModelThreadMgr::AdviseItemSink(ITfLangBarItemSink*, DWORD* cookie, REFGUID) {
  if (cookie)
    *cookie = TF_INVALID_COOKIE;
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::UnadviseItemSink(DWORD) {
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::GetItemFloatingRect(DWORD, REFGUID, RECT*) {
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::GetItemsStatus(ULONG, const GUID*, DWORD*) {
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::GetItemNum(ULONG* count) {
  if (!count)
    return E_INVALIDARG;
  *count = static_cast<ULONG>(langBarItems_.size());
  return S_OK;
}

STDMETHODIMP ModelThreadMgr::GetItems(ULONG count, ITfLangBarItem** items, TF_LANGBARITEMINFO* info,
                                      DWORD* status, ULONG* fetched) {
  if (!items || !info || !status || !fetched)
    return E_INVALIDARG;
  ULONG n = 0;
  for (; n < count && n < langBarItems_.size(); ++n) {
    langBarItems_[n].item.CopyTo(&items[n]);
    info[n] = {};
    items[n]->GetInfo(&info[n]);
    status[n] = 0;
    items[n]->GetStatus(&status[n]);
  }
  *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP ModelThreadMgr::AdviseItemsSink(ULONG, ITfLangBarItemSink**, const GUID*, DWORD*) {
  return E_NOTIMPL;
}

STDMETHODIMP ModelThreadMgr::UnadviseItemsSink(ULONG, DWORD*) {
  return E_NOTIMPL;
}

}  // namespace korvi::tsfmodel
