// The document side of the model: contexts with their edit sessions, ranges, compositions,
// properties, edit records and compartments.
#include <algorithm>

#include "testing/tsfmodel/model_objects.h"

namespace korvi::tsfmodel {

namespace {

Gravity ToGravity(TfGravity g) {
  return g == TF_GRAVITY_FORWARD ? Gravity::kForward : Gravity::kBackward;
}
TfGravity FromGravity(Gravity g) {
  return g == Gravity::kForward ? TF_GRAVITY_FORWARD : TF_GRAVITY_BACKWARD;
}

ActiveEnd ToActiveEnd(TfActiveSelEnd ase) {
  switch (ase) {
    case TF_AE_START:
      return ActiveEnd::kStart;
    case TF_AE_END:
      return ActiveEnd::kEnd;
    default:
      return ActiveEnd::kNone;
  }
}
TfActiveSelEnd FromActiveEnd(ActiveEnd end) {
  switch (end) {
    case ActiveEnd::kStart:
      return TF_AE_START;
    case ActiveEnd::kEnd:
      return TF_AE_END;
    default:
      return TF_AE_NONE;
  }
}

long Sign(long v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

}  // namespace

bool Faults::FailsAdvise(REFIID iid) const {
  return std::any_of(failAdviseSink.begin(), failAdviseSink.end(),
                     [&](const IID& f) { return IsEqualIID(f, iid); });
}

// ---------------------------------------------------------------------------------------------
// Compartments

ModelCompartment::ModelCompartment() {
  VariantInit(&value_);
}
ModelCompartment::~ModelCompartment() {
  VariantClear(&value_);
}

STDMETHODIMP ModelCompartment::SetValue(TfClientId tid, const VARIANT* value) {
  if (!value)
    return E_INVALIDARG;
  // TSF keeps only these value types in a compartment.
  if (value->vt != VT_I4 && value->vt != VT_BSTR && value->vt != VT_UNKNOWN &&
      value->vt != VT_EMPTY) {
    return E_INVALIDARG;
  }
  HRESULT hr = VariantCopy(&value_, const_cast<VARIANT*>(value));
  if (SUCCEEDED(hr))
    lastWriter_ = tid;
  return hr;
}

STDMETHODIMP ModelCompartment::GetValue(VARIANT* value) {
  if (!value)
    return E_INVALIDARG;
  VariantInit(value);
  if (value_.vt == VT_EMPTY)
    return S_FALSE;
  return VariantCopy(value, &value_);
}

HRESULT CompartmentStore::Get(REFGUID guid, ITfCompartment** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  ModelCompartment* c = Ensure(guid);
  if (!c)
    return E_OUTOFMEMORY;
  c->AddRef();
  *out = c;
  return S_OK;
}

HRESULT CompartmentStore::Clear(REFGUID guid) {
  compartments_.erase(guid);
  return S_OK;
}

ModelCompartment* CompartmentStore::Find(REFGUID guid) const {
  auto it = compartments_.find(guid);
  return it == compartments_.end() ? nullptr : it->second.Get();
}

ModelCompartment* CompartmentStore::Ensure(REFGUID guid) {
  ComPtr<ModelCompartment>& slot = compartments_[guid];
  if (!slot)
    slot = MakeComObject<ModelCompartment>();
  return slot.Get();
}

// ---------------------------------------------------------------------------------------------
// Ranges

ModelRange::ModelRange(ComPtr<ModelContext> context, Span span) : context_(std::move(context)) {
  DocumentModel& doc = context_->document();
  start_ = doc.AddAnchor(std::min(span.start, span.end), Gravity::kBackward);
  end_ = doc.AddAnchor(std::max(span.start, span.end), Gravity::kForward);
}

ModelRange::~ModelRange() {
  context_->document().RemoveAnchor(start_);
  context_->document().RemoveAnchor(end_);
}

ModelRange* ModelRange::From(ITfRange* range) {
  return range ? dynamic_cast<ModelRange*>(range) : nullptr;
}

Span ModelRange::span() const {
  const DocumentModel& doc = context_->document();
  return {doc.Position(start_), doc.Position(end_)};
}

long ModelRange::AnchorPosition(TfAnchor anchor) const {
  return anchor == TF_ANCHOR_START ? span().start : span().end;
}

STDMETHODIMP ModelRange::GetText(TfEditCookie ec, DWORD flags, WCHAR* text, ULONG max,
                                 ULONG* count) {
  if (!count || (max > 0 && !text))
    return E_INVALIDARG;
  *count = 0;
  if (!context_->CookieValid(ec, false))
    return TF_E_NOLOCK;
  DocumentModel& doc = context_->document();
  Span s = span();
  if (flags & TF_TF_IGNOREEND)
    s.end = doc.length();
  const std::wstring all = doc.Text(s);
  const ULONG n = std::min<ULONG>(max, static_cast<ULONG>(all.size()));
  std::copy_n(all.data(), n, text);
  *count = n;
  if (flags & TF_TF_MOVESTART)
    doc.MoveEdge(start_, end_, true, s.start + static_cast<long>(n));
  return S_OK;
}

STDMETHODIMP ModelRange::SetText(TfEditCookie ec, DWORD, const WCHAR* text, LONG count) {
  if (count < -1 || (count != 0 && !text))
    return E_INVALIDARG;
  if (!context_->CookieValid(ec, true))
    return TF_E_NOLOCK;
  const std::wstring_view value =
      count == -1 ? std::wstring_view(text) : std::wstring_view(text, static_cast<size_t>(count));
  DocumentModel& doc = context_->document();
  const Span s = span();
  doc.Replace(s, value);
  // Afterwards the range covers the new text, whatever its gravity.
  doc.MoveAnchor(start_, s.start);
  doc.MoveAnchor(end_, s.start + static_cast<long>(value.size()));
  return S_OK;
}

STDMETHODIMP ModelRange::GetFormattedText(TfEditCookie, IDataObject** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelRange::GetEmbedded(TfEditCookie, REFGUID, REFIID, IUnknown** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelRange::InsertEmbedded(TfEditCookie, DWORD, IDataObject*) {
  return E_NOTIMPL;
}

HRESULT ModelRange::Shift(TfEditCookie ec, bool start, LONG req, LONG* moved) {
  if (!moved)
    return E_INVALIDARG;
  *moved = 0;
  if (!context_->CookieValid(ec, false))
    return TF_E_NOLOCK;
  DocumentModel& doc = context_->document();
  const long from = doc.Position(start ? start_ : end_);
  const long to = std::clamp(from + static_cast<long>(req), 0L, doc.length());
  doc.MoveEdge(start_, end_, start, to);
  *moved = to - from;
  return S_OK;
}

HRESULT ModelRange::ShiftToRange(TfEditCookie ec, bool start, ITfRange* range, TfAnchor anchor) {
  ModelRange* other = From(range);
  if (!other || other->context_ != context_)
    return E_INVALIDARG;
  if (!context_->CookieValid(ec, false))
    return TF_E_NOLOCK;
  context_->document().MoveEdge(start_, end_, start, other->AnchorPosition(anchor));
  return S_OK;
}

STDMETHODIMP ModelRange::ShiftStart(TfEditCookie ec, LONG req, LONG* moved, const TF_HALTCOND*) {
  return Shift(ec, true, req, moved);
}

STDMETHODIMP ModelRange::ShiftEnd(TfEditCookie ec, LONG req, LONG* moved, const TF_HALTCOND*) {
  return Shift(ec, false, req, moved);
}

STDMETHODIMP ModelRange::ShiftStartToRange(TfEditCookie ec, ITfRange* range, TfAnchor anchor) {
  return ShiftToRange(ec, true, range, anchor);
}

STDMETHODIMP ModelRange::ShiftEndToRange(TfEditCookie ec, ITfRange* range, TfAnchor anchor) {
  return ShiftToRange(ec, false, range, anchor);
}

// The model's documents have no regions (embedded objects or hidden text).
STDMETHODIMP ModelRange::ShiftStartRegion(TfEditCookie ec, TfShiftDir, BOOL* noRegion) {
  if (!noRegion)
    return E_INVALIDARG;
  if (!context_->CookieValid(ec, false))
    return TF_E_NOLOCK;
  *noRegion = TRUE;
  return S_OK;
}

STDMETHODIMP ModelRange::ShiftEndRegion(TfEditCookie ec, TfShiftDir, BOOL* noRegion) {
  if (!noRegion)
    return E_INVALIDARG;
  if (!context_->CookieValid(ec, false))
    return TF_E_NOLOCK;
  *noRegion = TRUE;
  return S_OK;
}

STDMETHODIMP ModelRange::IsEmpty(TfEditCookie ec, BOOL* empty) {
  if (!empty)
    return E_INVALIDARG;
  if (!context_->CookieValid(ec, false))
    return TF_E_NOLOCK;
  *empty = span().empty();
  return S_OK;
}

STDMETHODIMP ModelRange::Collapse(TfEditCookie ec, TfAnchor anchor) {
  if (!context_->CookieValid(ec, false))
    return TF_E_NOLOCK;
  const long at = AnchorPosition(anchor);
  context_->document().MoveAnchor(start_, at);
  context_->document().MoveAnchor(end_, at);
  return S_OK;
}

STDMETHODIMP ModelRange::IsEqualStart(TfEditCookie ec, ITfRange* with, TfAnchor anchor,
                                      BOOL* equal) {
  LONG result = 0;
  HRESULT hr = CompareStart(ec, with, anchor, &result);
  if (equal)
    *equal = SUCCEEDED(hr) && result == 0;
  return equal ? hr : E_INVALIDARG;
}

STDMETHODIMP ModelRange::IsEqualEnd(TfEditCookie ec, ITfRange* with, TfAnchor anchor, BOOL* equal) {
  LONG result = 0;
  HRESULT hr = CompareEnd(ec, with, anchor, &result);
  if (equal)
    *equal = SUCCEEDED(hr) && result == 0;
  return equal ? hr : E_INVALIDARG;
}

HRESULT ModelRange::Compare(TfEditCookie ec, bool start, ITfRange* with, TfAnchor anchor,
                            LONG* result) {
  ModelRange* other = From(with);
  if (!result || !other || other->context_ != context_)
    return E_INVALIDARG;
  if (!context_->CookieValid(ec, false))
    return TF_E_NOLOCK;
  const Span mine = span();
  *result = Sign((start ? mine.start : mine.end) - other->AnchorPosition(anchor));
  return S_OK;
}

STDMETHODIMP ModelRange::CompareStart(TfEditCookie ec, ITfRange* with, TfAnchor anchor,
                                      LONG* result) {
  return Compare(ec, true, with, anchor, result);
}

STDMETHODIMP ModelRange::CompareEnd(TfEditCookie ec, ITfRange* with, TfAnchor anchor,
                                    LONG* result) {
  return Compare(ec, false, with, anchor, result);
}

STDMETHODIMP ModelRange::AdjustForInsert(TfEditCookie ec, ULONG, BOOL* ok) {
  if (!ok)
    return E_INVALIDARG;
  if (!context_->CookieValid(ec, false))
    return TF_E_NOLOCK;
  *ok = TRUE;
  return S_OK;
}

STDMETHODIMP ModelRange::GetGravity(TfGravity* start, TfGravity* end) {
  if (!start || !end)
    return E_INVALIDARG;
  *start = FromGravity(context_->document().GetGravity(start_));
  *end = FromGravity(context_->document().GetGravity(end_));
  return S_OK;
}

STDMETHODIMP ModelRange::SetGravity(TfEditCookie ec, TfGravity start, TfGravity end) {
  if (!context_->CookieValid(ec, false))
    return TF_E_NOLOCK;
  context_->document().SetGravity(start_, ToGravity(start));
  context_->document().SetGravity(end_, ToGravity(end));
  return S_OK;
}

STDMETHODIMP ModelRange::Clone(ITfRange** out) {
  if (!out)
    return E_INVALIDARG;
  ComPtr<ModelRange> copy = context_->NewRange(span());
  if (!copy)
    return E_OUTOFMEMORY;
  TfGravity gs, ge;
  GetGravity(&gs, &ge);
  copy->context_->document().SetGravity(copy->start_, ToGravity(gs));
  copy->context_->document().SetGravity(copy->end_, ToGravity(ge));
  *out = copy.Detach();
  return S_OK;
}

STDMETHODIMP ModelRange::GetContext(ITfContext** out) {
  return context_.CopyTo(out);
}

// ---------------------------------------------------------------------------------------------
// Compositions

ModelComposition::ModelComposition(ModelContext* context, Span span, TfClientId owner,
                                   ComPtr<ITfCompositionSink> sink)
    : context_(context), owner_(owner), sink_(std::move(sink)) {
  // Backward start, forward end: text typed at either edge joins the composition.
  start_ = context_->document().AddAnchor(span.start, Gravity::kBackward);
  end_ = context_->document().AddAnchor(span.end, Gravity::kForward);
}

ModelComposition::~ModelComposition() {
  Detach();
}

void ModelComposition::Detach() {
  if (context_) {
    context_->document().RemoveAnchor(start_);
    context_->document().RemoveAnchor(end_);
  }
  context_ = nullptr;
  sink_.Reset();
}

Span ModelComposition::span() const {
  if (!context_)
    return {};
  return {context_->document().Position(start_), context_->document().Position(end_)};
}

STDMETHODIMP ModelComposition::GetRange(ITfRange** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  if (!context_)
    return E_UNEXPECTED;
  ComPtr<ModelRange> range = context_->NewRange(span());
  if (!range)
    return E_OUTOFMEMORY;
  *out = range.Detach();
  return S_OK;
}

HRESULT ModelComposition::ShiftEdge(TfEditCookie ec, bool start, ITfRange* to) {
  if (!context_)
    return E_UNEXPECTED;
  ModelRange* range = ModelRange::From(to);
  if (!range || range->context() != context_)
    return E_INVALIDARG;
  if (!context_->CookieValid(ec, true))
    return TF_E_NOLOCK;
  const Span span = range->span();
  context_->document().MoveEdge(start_, end_, start, start ? span.start : span.end);
  return S_OK;
}

STDMETHODIMP ModelComposition::ShiftStart(TfEditCookie ec, ITfRange* newStart) {
  return ShiftEdge(ec, true, newStart);
}

STDMETHODIMP ModelComposition::ShiftEnd(TfEditCookie ec, ITfRange* newEnd) {
  return ShiftEdge(ec, false, newEnd);
}

STDMETHODIMP ModelComposition::EndComposition(TfEditCookie ec) {
  if (!context_)
    return E_UNEXPECTED;
  if (!context_->CookieValid(ec, true))
    return TF_E_NOLOCK;
  ComPtr<ModelComposition> keep(this);
  context_->RemoveComposition(this);
  Detach();
  return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Properties and edit records

ModelProperty::ModelProperty(ComPtr<ModelContext> context, const GUID& guid, int key)
    : context_(std::move(context)), guid_(guid), key_(key) {}

STDMETHODIMP ModelProperty::GetType(GUID* guid) {
  if (!guid)
    return E_INVALIDARG;
  *guid = guid_;
  return S_OK;
}

STDMETHODIMP ModelProperty::EnumRanges(TfEditCookie, IEnumTfRanges** out, ITfRange*) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelProperty::GetValue(TfEditCookie ec, ITfRange* range, VARIANT* value) {
  if (!value)
    return E_INVALIDARG;
  VariantInit(value);
  ModelRange* r = ModelRange::From(range);
  if (!r || r->context() != context_.Get())
    return E_INVALIDARG;
  if (!context_->CookieValid(ec, false))
    return TF_E_NOLOCK;
  // One value over the whole range, or VT_EMPTY, as TSF answers.
  if (auto v = context_->document().PropertyOver(key_, r->span())) {
    value->vt = VT_I4;
    value->lVal = *v;
  }
  return S_OK;
}

STDMETHODIMP ModelProperty::GetContext(ITfContext** out) {
  return context_.CopyTo(out);
}

STDMETHODIMP ModelProperty::FindRange(TfEditCookie, ITfRange*, ITfRange** out, TfAnchor) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelProperty::SetValueStore(TfEditCookie, ITfRange*, ITfPropertyStore*) {
  return E_NOTIMPL;
}

STDMETHODIMP ModelProperty::SetValue(TfEditCookie ec, ITfRange* range, const VARIANT* value) {
  ModelRange* r = ModelRange::From(range);
  if (!value || !r || r->context() != context_.Get())
    return E_INVALIDARG;
  if (!context_->CookieValid(ec, true))
    return TF_E_NOLOCK;
  // The model stores integer values: display attributes and the like are GUID atoms in VT_I4.
  if (value->vt == VT_EMPTY) {
    context_->document().ClearProperty(key_, r->span());
    return S_OK;
  }
  if (value->vt != VT_I4)
    return E_INVALIDARG;
  context_->document().SetProperty(key_, r->span(), value->lVal);
  return S_OK;
}

STDMETHODIMP ModelProperty::Clear(TfEditCookie ec, ITfRange* range) {
  if (!context_->CookieValid(ec, true))
    return TF_E_NOLOCK;
  DocumentModel& doc = context_->document();
  if (!range) {
    doc.ClearProperty(key_, {0, doc.length()});
    return S_OK;
  }
  ModelRange* r = ModelRange::From(range);
  if (!r || r->context() != context_.Get())
    return E_INVALIDARG;
  doc.ClearProperty(key_, r->span());
  return S_OK;
}

STDMETHODIMP ModelEditRecord::GetSelectionStatus(BOOL* changed) {
  if (!changed)
    return E_INVALIDARG;
  *changed = selectionChanged_;
  return S_OK;
}

STDMETHODIMP ModelEditRecord::GetTextAndPropertyUpdates(DWORD, const GUID**, ULONG,
                                                        IEnumTfRanges** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

// ---------------------------------------------------------------------------------------------
// Menus and the language bar's item sink

STDMETHODIMP ModelMenu::AddMenuItem(UINT id, DWORD flags, HBITMAP, HBITMAP, const WCHAR* text,
                                    ULONG length, ITfMenu** submenu) {
  if (length > 0 && !text)
    return E_INVALIDARG;
  if ((flags & TF_LBMENUF_SUBMENU) && !submenu)
    return E_INVALIDARG;
  Item item{id, flags, std::wstring(text ? text : L"", length), nullptr};
  if (flags & TF_LBMENUF_SUBMENU) {
    item.submenu = MakeComObject<ModelMenu>();
    if (!item.submenu)
      return E_OUTOFMEMORY;
    item.submenu.CopyTo(submenu);
  } else if (submenu) {
    *submenu = nullptr;
  }
  items_.push_back(std::move(item));
  return S_OK;
}

STDMETHODIMP ModelLangBarItemSink::OnUpdate(DWORD) {
  ++updates;
  return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Contexts

ModelContext::ModelContext(StatePtr state, ModelDocumentMgr* docMgr, std::wstring text)
    : state_(std::move(state)), docMgr_(docMgr), document_(std::move(text)) {}

ModelContext::~ModelContext() {
  for (auto& c : compositions_)
    c->Detach();
}

bool ModelContext::CookieValid(TfEditCookie ec, bool write) const {
  return std::any_of(holds_.begin(), holds_.end(),
                     [&](const Hold& h) { return h.cookie == ec && (h.write || !write); });
}

TfClientId ModelContext::HolderOf(TfEditCookie ec) const {
  for (const Hold& h : holds_) {
    if (h.cookie == ec)
      return h.tid;
  }
  return TF_CLIENTID_NULL;
}

ComPtr<ModelRange> ModelContext::NewRange(Span span) {
  return MakeComObject<ModelRange>(ComPtr<ModelContext>(this), span);
}

int ModelContext::PropertyKey(REFGUID guid) {
  auto it = propertyKeys_.find(guid);
  if (it != propertyKeys_.end())
    return it->second;
  const int key = static_cast<int>(propertyKeys_.size());
  propertyKeys_.emplace(guid, key);
  return key;
}

void ModelContext::RemoveComposition(ModelComposition* composition) {
  compositions_.erase(
      std::remove_if(compositions_.begin(), compositions_.end(),
                     [&](const ComPtr<ModelComposition>& c) { return c.Get() == composition; }),
      compositions_.end());
}

// Edit sessions follow TSF's rules:
// - With no session running, a request runs at once, unless it asks for TF_ES_ASYNC, which is
//   queued until the host lets queued sessions run.
// - While a session runs, a TF_ES_SYNC request of the same client runs at once inside it (TSF's
//   reentrant lock), but fails with TF_E_SYNCHRONOUS when it wants to write inside a read-only
//   session or comes during an OnEndEdit notice; any other request is queued (TF_S_ASYNC) and runs
//   right after the running session ends. Another client's request gets TF_E_LOCKED.
// - The edit cookie is valid only while DoEditSession (or the notice) runs.
// - After each outermost read-write session the text-edit sinks get OnEndEdit.
STDMETHODIMP ModelContext::RequestEditSession(TfClientId tid, ITfEditSession* session, DWORD flags,
                                              HRESULT* sessionResult) {
  if (!session || !sessionResult)
    return E_INVALIDARG;
  *sessionResult = E_FAIL;
  const bool sync = flags & TF_ES_SYNC;
  const bool async = flags & TF_ES_ASYNC;
  const bool write = (flags & TF_ES_READWRITE) == TF_ES_READWRITE;
  if (!(flags & TF_ES_READ) || (sync && async))
    return E_INVALIDARG;
  if (!docMgr_)
    return TF_E_DISCONNECTED;
  if (state_->faults.refuseEditSession) {
    ++state_->stats.refusedByFault;
    return E_FAIL;
  }
  ComPtr<ModelContext> keep(this);
  if (!holds_.empty()) {
    const Hold& held = holds_.back();
    if (!held.notification && held.tid != tid)
      return TF_E_LOCKED;
    if (sync) {
      if (held.notification || (write && !held.write)) {
        ++state_->stats.refusedSync;
        *sessionResult = TF_E_SYNCHRONOUS;
        return S_OK;
      }
      ++state_->stats.ranAtOnce;
      *sessionResult = RunSession(tid, session, write);
      return S_OK;
    }
  } else if (!async) {
    ++state_->stats.ranAtOnce;
    *sessionResult = RunSession(tid, session, write);
    RunQueue();
    return S_OK;
  }
  queue_.push_back({tid, ComPtr<ITfEditSession>(session), write});
  ++state_->stats.queued;
  *sessionResult = TF_S_ASYNC;
  return S_OK;
}

HRESULT ModelContext::RunSession(TfClientId tid, ITfEditSession* session, bool write) {
  const bool outermost = holds_.empty();
  if (outermost && write)
    document_.BeginEdit();
  const TfEditCookie ec = state_->nextCookie++;
  holds_.push_back({tid, write, false, ec});
  const HRESULT hr = session->DoEditSession(ec);
  holds_.pop_back();
  if (outermost && write)
    NotifyEndEdit();
  return hr;
}

void ModelContext::NotifyEndEdit() {
  const bool selectionChanged = document_.EndEdit().selectionChanged;
  // Sinks may unadvise from inside the notice: call a snapshot.
  std::vector<ComPtr<ITfTextEditSink>> sinks;
  for (auto& entry : textEditSinks_)
    sinks.push_back(entry.second);
  if (sinks.empty())
    return;
  auto record = MakeComObject<ModelEditRecord>(selectionChanged);
  if (!record)
    return;
  const TfEditCookie ec = state_->nextCookie++;
  holds_.push_back({TF_CLIENTID_NULL, false, true, ec});
  for (auto& sink : sinks) {
    ++state_->stats.endEditNotices;
    sink->OnEndEdit(this, ec, record.Get());
  }
  holds_.pop_back();
}

void ModelContext::RunQueue() {
  if (runningQueue_)
    return;
  runningQueue_ = true;
  ComPtr<ModelContext> keep(this);
  while (holds_.empty() && !queue_.empty() && docMgr_) {
    Pending next = std::move(queue_.front());
    queue_.pop_front();
    ++state_->stats.ranFromQueue;
    RunSession(next.tid, next.session.Get(), next.write);
  }
  runningQueue_ = false;
}

void ModelContext::TerminateCompositions(TfClientId owner) {
  ComPtr<ModelContext> keep(this);
  std::vector<ComPtr<ModelComposition>> ending;
  for (auto& c : compositions_) {
    if (owner == TF_CLIENTID_NULL || c->owner() == owner)
      ending.push_back(c);
  }
  for (auto& c : ending) {
    if (!c->live())
      continue;
    ComPtr<ITfCompositionSink> sink(c->sink());
    if (sink) {
      const TfEditCookie ec = state_->nextCookie++;
      holds_.push_back({c->owner(), true, false, ec});
      sink->OnCompositionTerminated(ec, c.Get());
      holds_.pop_back();
    }
    RemoveComposition(c.Get());
    c->Detach();
  }
}

void ModelContext::Detach() {
  ComPtr<ModelContext> keep(this);
  TerminateCompositions(TF_CLIENTID_NULL);
  docMgr_ = nullptr;
  textEditSinks_.clear();
  queue_.clear();
  compartments_.Reset();
}

STDMETHODIMP ModelContext::InWriteSession(TfClientId tid, BOOL* write) {
  if (!write)
    return E_INVALIDARG;
  *write = std::any_of(holds_.begin(), holds_.end(),
                       [&](const Hold& h) { return h.tid == tid && h.write; });
  return S_OK;
}

STDMETHODIMP ModelContext::GetSelection(TfEditCookie ec, ULONG index, ULONG count,
                                        TF_SELECTION* selection, ULONG* fetched) {
  if (!selection || !fetched)
    return E_INVALIDARG;
  *fetched = 0;
  if (!CookieValid(ec, false))
    return TF_E_NOLOCK;
  if (index != static_cast<ULONG>(TF_DEFAULT_SELECTION) && index != 0)
    return TF_E_NOSELECTION;
  if (count == 0)
    return S_OK;
  const DocumentModel::Selection sel = document_.selection();
  ComPtr<ModelRange> range = NewRange(sel.span);
  if (!range)
    return E_OUTOFMEMORY;
  selection[0].range = range.Detach();
  selection[0].style.ase = FromActiveEnd(sel.activeEnd);
  selection[0].style.fInterimChar = sel.interim;
  *fetched = 1;
  return S_OK;
}

STDMETHODIMP ModelContext::SetSelection(TfEditCookie ec, ULONG count,
                                        const TF_SELECTION* selection) {
  if (count == 0 || !selection)
    return E_INVALIDARG;
  if (!CookieValid(ec, true))
    return TF_E_NOLOCK;
  // The model's documents have one selection; the last one given wins.
  const TF_SELECTION& last = selection[count - 1];
  ModelRange* range = ModelRange::From(last.range);
  if (!range || range->context() != this)
    return E_INVALIDARG;
  document_.SetSelection(range->span(), ToActiveEnd(last.style.ase), last.style.fInterimChar);
  return S_OK;
}

STDMETHODIMP ModelContext::GetStart(TfEditCookie ec, ITfRange** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  if (!CookieValid(ec, false))
    return TF_E_NOLOCK;
  ComPtr<ModelRange> range = NewRange({0, 0});
  if (!range)
    return E_OUTOFMEMORY;
  *out = range.Detach();
  return S_OK;
}

STDMETHODIMP ModelContext::GetEnd(TfEditCookie ec, ITfRange** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  if (!CookieValid(ec, false))
    return TF_E_NOLOCK;
  ComPtr<ModelRange> range = NewRange({document_.length(), document_.length()});
  if (!range)
    return E_OUTOFMEMORY;
  *out = range.Detach();
  return S_OK;
}

STDMETHODIMP ModelContext::GetActiveView(ITfContextView** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelContext::EnumViews(IEnumTfContextViews** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelContext::GetStatus(TF_STATUS* status) {
  if (!status)
    return E_INVALIDARG;
  std::memset(status, 0, sizeof *status);
  return S_OK;
}

STDMETHODIMP ModelContext::GetProperty(REFGUID guid, ITfProperty** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  auto property = MakeComObject<ModelProperty>(ComPtr<ModelContext>(this), guid, PropertyKey(guid));
  if (!property)
    return E_OUTOFMEMORY;
  *out = property.Detach();
  return S_OK;
}

STDMETHODIMP ModelContext::GetAppProperty(REFGUID, ITfReadOnlyProperty** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelContext::TrackProperties(const GUID**, ULONG, const GUID**, ULONG,
                                           ITfReadOnlyProperty** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelContext::EnumProperties(IEnumTfProperties** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelContext::GetDocumentMgr(ITfDocumentMgr** out) {
  if (!out)
    return E_INVALIDARG;
  *out = docMgr_;
  if (!docMgr_)
    return S_FALSE;
  docMgr_->AddRef();
  return S_OK;
}

STDMETHODIMP ModelContext::CreateRangeBackup(TfEditCookie, ITfRange*, ITfRangeBackup** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelContext::AdviseSink(REFIID iid, IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie)
    return E_INVALIDARG;
  *cookie = TF_INVALID_COOKIE;
  if (!IsEqualIID(iid, IID_ITfTextEditSink))
    return CONNECT_E_CANNOTCONNECT;
  if (state_->faults.FailsAdvise(iid))
    return E_FAIL;
  ComPtr<ITfTextEditSink> edit;
  if (FAILED(sink->QueryInterface(IID_ITfTextEditSink, edit.PutVoid())))
    return E_NOINTERFACE;
  const DWORD c = state_->nextSinkCookie++;
  textEditSinks_.emplace(c, std::move(edit));
  *cookie = c;
  return S_OK;
}

STDMETHODIMP ModelContext::UnadviseSink(DWORD cookie) {
  return textEditSinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ModelContext::StartComposition(TfEditCookie ec, ITfRange* range,
                                            ITfCompositionSink* sink, ITfComposition** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  ModelRange* r = ModelRange::From(range);
  if (!r || r->context() != this)
    return E_INVALIDARG;
  if (!CookieValid(ec, true))
    return TF_E_NOLOCK;
  auto composition = MakeComObject<ModelComposition>(this, r->span(), HolderOf(ec),
                                                     ComPtr<ITfCompositionSink>(sink));
  if (!composition)
    return E_OUTOFMEMORY;
  compositions_.push_back(composition);
  *out = composition.Detach();
  return S_OK;
}

STDMETHODIMP ModelContext::EnumCompositions(IEnumITfCompositionView** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelContext::FindComposition(TfEditCookie, ITfRange*, IEnumITfCompositionView** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelContext::TakeOwnership(TfEditCookie, ITfCompositionView*, ITfCompositionSink*,
                                         ITfComposition** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelContext::InsertTextAtSelection(TfEditCookie ec, DWORD flags, const WCHAR* text,
                                                 LONG count, ITfRange** out) {
  const bool queryOnly = flags & TF_IAS_QUERYONLY;
  const bool noQuery = flags & TF_IAS_NOQUERY;
  if (out)
    *out = nullptr;
  if ((!noQuery && !out) || count < -1 || (count > 0 && !text))
    return E_INVALIDARG;
  if (!CookieValid(ec, !queryOnly))
    return TF_E_NOLOCK;
  Span span = document_.selection().span;
  if (!queryOnly) {
    const std::wstring_view value =
        count == -1 ? std::wstring_view(text)
                    : std::wstring_view(text ? text : L"", static_cast<size_t>(count));
    document_.Replace(span, value);
    span = {span.start, span.start + static_cast<long>(value.size())};
    document_.SetSelection({span.end, span.end});
  }
  if (noQuery)
    return S_OK;
  ComPtr<ModelRange> range = NewRange(span);
  if (!range)
    return E_OUTOFMEMORY;
  *out = range.Detach();
  return S_OK;
}

STDMETHODIMP ModelContext::InsertEmbeddedAtSelection(TfEditCookie, DWORD, IDataObject*,
                                                     ITfRange** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ModelContext::GetCompartment(REFGUID guid, ITfCompartment** out) {
  return compartments_.Get(guid, out);
}

STDMETHODIMP ModelContext::ClearCompartment(TfClientId, REFGUID guid) {
  return compartments_.Clear(guid);
}

STDMETHODIMP ModelContext::EnumCompartments(IEnumGUID** out) {
  if (out)
    *out = nullptr;
  return E_NOTIMPL;
}

}  // namespace korvi::tsfmodel
