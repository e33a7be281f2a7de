#include "testing/tsfmodel/model_host.h"

#include <algorithm>
#include <cstring>

namespace korvi::tsfmodel {

namespace {

bool IsExtendedKey(UINT vk) {
  switch (vk) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE:
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
    case VK_DIVIDE:
    case VK_NUMLOCK:
      return true;
    default:
      return false;
  }
}

std::vector<MenuEntry> Entries(const ModelMenu& menu) {
  std::vector<MenuEntry> entries;
  for (const ModelMenu::Item& item : menu.items()) {
    MenuEntry entry{item.id, item.flags, item.text, {}};
    if (item.submenu)
      entry.submenu = Entries(*item.submenu);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace

wchar_t EditorChar(UINT vk, bool shift, bool capsLock) {
  if (vk >= 'A' && vk <= 'Z') {
    return static_cast<wchar_t>((shift != capsLock) ? vk : vk - 'A' + 'a');
  }
  if (vk >= '0' && vk <= '9')
    return shift ? L")!@#$%^&*("[vk - '0'] : static_cast<wchar_t>(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
    return static_cast<wchar_t>(L'0' + (vk - VK_NUMPAD0));
  struct Oem {
    UINT vk;
    wchar_t plain;
    wchar_t shifted;
  };
  static const Oem kOem[] = {
      {VK_SPACE, L' ', L' '},     {VK_OEM_1, L';', L':'},     {VK_OEM_PLUS, L'=', L'+'},
      {VK_OEM_COMMA, L',', L'<'}, {VK_OEM_MINUS, L'-', L'_'}, {VK_OEM_PERIOD, L'.', L'>'},
      {VK_OEM_2, L'/', L'?'},     {VK_OEM_3, L'`', L'~'},     {VK_OEM_4, L'[', L'{'},
      {VK_OEM_5, L'\\', L'|'},    {VK_OEM_6, L']', L'}'},     {VK_OEM_7, L'\'', L'"'},
      {VK_MULTIPLY, L'*', L'*'},  {VK_ADD, L'+', L'+'},       {VK_SUBTRACT, L'-', L'-'},
      {VK_DECIMAL, L'.', L'.'},   {VK_DIVIDE, L'/', L'/'},    {VK_RETURN, L'\n', L'\n'},
      {VK_TAB, L'\t', L'\t'},
  };
  for (const Oem& o : kOem) {
    if (o.vk == vk)
      return shift ? o.shifted : o.plain;
  }
  return 0;
}

ModelHost::ModelHost()
    // A TSF thread is a COM apartment: services create TSF's category manager and the like.
    : comInitialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))),
      state_(std::make_shared<ModelState>()),
      threadMgr_(MakeComObject<ModelThreadMgr>(state_)) {
  threadMgr_->Activate(&appClientId_);
}

ModelHost::~ModelHost() {
  Deactivate();
  threadMgr_->Deactivate();
  threadMgr_->Shutdown();
  docs_.clear();
  threadMgr_.Reset();
  if (useSystemKeyboardState_) {
    BYTE clear[256] = {};
    SetKeyboardState(clear);
  }
  if (comInitialized_)
    CoUninitialize();
}

int ModelHost::Resolve(int doc) const {
  return doc == kFocused ? focusedDocument() : doc;
}

int ModelHost::focusedDocument() const {
  for (size_t i = 0; i < docs_.size(); ++i) {
    if (docs_[i].Get() == threadMgr_->focus())
      return static_cast<int>(i);
  }
  return kNoFocus;
}

ModelDocumentMgr* ModelHost::DocumentMgr(int doc) const {
  const int i = Resolve(doc);
  return i >= 0 && i < static_cast<int>(docs_.size()) ? docs_[i].Get() : nullptr;
}

ModelContext* ModelHost::Context(int doc) const {
  ModelDocumentMgr* docMgr = DocumentMgr(doc);
  return docMgr ? docMgr->top() : nullptr;
}

int ModelHost::PushEmptyDocument(bool focus) {
  ComPtr<ITfDocumentMgr> docMgr;
  threadMgr_->CreateDocumentMgr(docMgr.Put());
  docs_.emplace_back(static_cast<ModelDocumentMgr*>(docMgr.Get()));
  const int id = static_cast<int>(docs_.size()) - 1;
  if (focus)
    Focus(id);
  return id;
}

int ModelHost::PushDocument(const std::wstring& text, bool focus) {
  const int id = PushEmptyDocument(false);
  ModelDocumentMgr* docMgr = docs_[id].Get();
  ComPtr<ITfContext> context;
  TfEditCookie ec = TF_INVALID_EDIT_COOKIE;
  docMgr->CreateContext(appClientId_, 0, nullptr, context.Put(), &ec);
  auto* model = static_cast<ModelContext*>(context.Get());
  model->document().Replace({0, 0}, text);
  model->document().SetSelection({model->document().length(), model->document().length()});
  docMgr->Push(model);
  if (focus)
    Focus(id);
  return id;
}

void ModelHost::Focus(int doc) {
  threadMgr_->SetFocus(doc == kNoFocus ? nullptr : DocumentMgr(doc));
  threadMgr_->RunQueues();
}

void ModelHost::PopContext(int doc) {
  if (ModelDocumentMgr* docMgr = DocumentMgr(doc))
    docMgr->Pop(0);
  threadMgr_->RunQueues();
}

HRESULT ModelHost::Activate(ITfTextInputProcessor* processor) {
  if (!processor)
    return E_INVALIDARG;
  if (processor_)
    return E_UNEXPECTED;
  const TfClientId tid = threadMgr_->NewClientId();
  ComPtr<ITfTextInputProcessor> keep(processor);
  const HRESULT hr = processor->Activate(threadMgr_.Get(), tid);
  if (SUCCEEDED(hr)) {
    processor_ = std::move(keep);
    clientId_ = tid;
  }
  threadMgr_->RunQueues();
  return hr;
}

HRESULT ModelHost::ActivateFromFactory(IClassFactory* factory) {
  if (!factory)
    return E_INVALIDARG;
  ComPtr<ITfTextInputProcessor> processor;
  const HRESULT hr =
      factory->CreateInstance(nullptr, IID_ITfTextInputProcessor, processor.PutVoid());
  if (FAILED(hr))
    return hr;
  return Activate(processor.Get());
}

HRESULT ModelHost::Deactivate() {
  if (!processor_)
    return S_FALSE;
  threadMgr_->TerminateCompositionsOf(clientId_);
  const HRESULT hr = processor_->Deactivate();
  processor_.Reset();
  clientId_ = TF_CLIENTID_NULL;
  threadMgr_->RunQueues();
  return hr;
}

LPARAM ModelHost::KeyData(UINT vk, bool up, bool alt) {
  // Scan codes are looked up once per key, so that typing costs no layout queries.
  static UINT scanCodes[256];
  static bool known[256];
  const UINT index = vk & 0xFF;
  if (!known[index]) {
    scanCodes[index] = MapVirtualKeyW(index, MAPVK_VK_TO_VSC) & 0xFF;
    known[index] = true;
  }
  const UINT scan = scanCodes[index];
  ULONG bits = 1 | (scan << 16);
  if (IsExtendedKey(vk))
    bits |= 1UL << 24;
  if (alt)
    bits |= 1UL << 29;
  if (up)
    bits |= (1UL << 30) | (1UL << 31);
  return static_cast<LPARAM>(bits);
}

void ModelHost::SetKeyboard(UINT vk, unsigned modifiers, bool keyDown) {
  std::memset(keyboardState_, 0, sizeof keyboardState_);
  auto down = [&](std::initializer_list<int> keys) {
    for (int k : keys)
      keyboardState_[k] |= 0x80;
  };
  if (modifiers & kShift)
    down({VK_SHIFT, VK_LSHIFT});
  if (modifiers & kControl)
    down({VK_CONTROL, VK_LCONTROL});
  if (modifiers & kAlt)
    down({VK_MENU, VK_LMENU});
  if (modifiers & kLeftWin)
    down({VK_LWIN});
  if (modifiers & kRightWin)
    down({VK_RWIN});
  if (modifiers & kApps)
    down({VK_APPS});
  if (modifiers & kCapsLock)
    keyboardState_[VK_CAPITAL] |= 0x01;
  if (keyDown)
    keyboardState_[vk & 0xFF] |= 0x80;
  if (useSystemKeyboardState_)
    SetKeyboardState(keyboardState_);
}

KeyResult ModelHost::KeyDown(UINT vk, unsigned modifiers) {
  SetKeyboard(vk, modifiers, true);
  UINT tsfModifiers = 0;
  if (modifiers & kShift)
    tsfModifiers |= TF_MOD_SHIFT;
  if (modifiers & kControl)
    tsfModifiers |= TF_MOD_CONTROL;
  if (modifiers & kAlt)
    tsfModifiers |= TF_MOD_ALT;
  KeyResult result;
  result.eaten = threadMgr_->ProcessKeyDown(vk, KeyData(vk, false, modifiers & kAlt), tsfModifiers,
                                            &result.preserved);
  if (!result.eaten) {
    result.toEditor = true;
    editorKeys_.push_back(vk);
    if (ModelContext* context = threadMgr_->FocusContext())
      EditorKey(context, vk, modifiers);
  }
  threadMgr_->RunQueues();
  return result;
}

bool ModelHost::KeyUp(UINT vk, unsigned modifiers) {
  SetKeyboard(vk, modifiers, false);
  const bool eaten = threadMgr_->ProcessKeyUp(vk, KeyData(vk, true, modifiers & kAlt));
  threadMgr_->RunQueues();
  return eaten;
}

KeyResult ModelHost::Key(UINT vk, unsigned modifiers) {
  const KeyResult result = KeyDown(vk, modifiers);
  KeyUp(vk, modifiers);
  return result;
}

// The application behind the model: a plain editor that types what a key means on a US layout.
void ModelHost::EditorKey(ModelContext* context, UINT vk, unsigned modifiers) {
  const bool command = modifiers & (kControl | kAlt | kLeftWin | kRightWin);
  context->AppEdit([&](DocumentModel& doc) {
    const Span sel = doc.selection().span;
    auto caret = [&](long at) { doc.SetSelection({at, at}); };
    switch (vk) {
      case VK_LEFT:
        caret(sel.empty() ? sel.start - 1 : sel.start);
        return;
      case VK_RIGHT:
        caret(sel.empty() ? sel.end + 1 : sel.end);
        return;
      case VK_HOME:
        caret(0);
        return;
      case VK_END:
        caret(doc.length());
        return;
      case VK_BACK:
        if (command)
          return;
        doc.Replace(sel.empty() ? Span{sel.start - 1, sel.start} : sel, L"");
        caret(std::max(0L, sel.empty() ? sel.start - 1 : sel.start));
        return;
      case VK_DELETE:
        if (command)
          return;
        doc.Replace(sel.empty() ? Span{sel.start, sel.start + 1} : sel, L"");
        caret(sel.start);
        return;
      default:
        break;
    }
    if (command)
      return;
    const wchar_t ch = EditorChar(vk, modifiers & kShift, modifiers & kCapsLock);
    if (!ch)
      return;
    doc.Replace(sel, std::wstring_view(&ch, 1));
    caret(sel.start + 1);
  });
}

std::wstring ModelHost::Text(int doc) const {
  ModelContext* context = Context(doc);
  return context ? context->document().text() : std::wstring();
}

DocumentModel::Selection ModelHost::Selection(int doc) const {
  ModelContext* context = Context(doc);
  return context ? context->document().selection() : DocumentModel::Selection{};
}

std::optional<Span> ModelHost::CompositionSpan(int doc) const {
  if (ModelContext* context = Context(doc)) {
    for (auto& c : context->compositions()) {
      if (c->live())
        return c->span();
    }
  }
  return std::nullopt;
}

int ModelHost::CompositionCount(int doc) const {
  ModelContext* context = Context(doc);
  return context ? static_cast<int>(context->compositions().size()) : 0;
}

std::optional<long> ModelHost::AttributeAt(long position, int doc, REFGUID property) const {
  ModelContext* context = Context(doc);
  if (!context)
    return std::nullopt;
  return context->document().PropertyAt(context->PropertyKey(property), position);
}

std::vector<DocumentModel::PropertySpan> ModelHost::AttributeSpans(int doc,
                                                                   REFGUID property) const {
  ModelContext* context = Context(doc);
  if (!context)
    return {};
  return context->document().PropertySpans(context->PropertyKey(property));
}

void ModelHost::Select(Span span, int doc) {
  if (ModelContext* context = Context(doc)) {
    context->AppEdit([&](DocumentModel& d) { d.SetSelection(span); });
  }
  threadMgr_->RunQueues();
}

void ModelHost::SetText(const std::wstring& text, int doc) {
  if (ModelContext* context = Context(doc)) {
    context->AppEdit([&](DocumentModel& d) {
      d.Replace({0, d.length()}, text);
      d.SetSelection({d.length(), d.length()});
    });
  }
  threadMgr_->RunQueues();
}

bool ModelHost::KeyboardOpen() const {
  ModelCompartment* c = threadMgr_->compartments().Find(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE);
  return c && c->value().vt == VT_I4 && c->value().lVal != 0;
}

void ModelHost::SetKeyboardOpen(bool open) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = open ? 1 : 0;
  SetThreadCompartment(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, v);
}

std::optional<VARIANT> ModelHost::ThreadCompartment(REFGUID guid) const {
  ModelCompartment* c = threadMgr_->compartments().Find(guid);
  if (!c || c->value().vt == VT_EMPTY)
    return std::nullopt;
  VARIANT copy;
  VariantInit(&copy);
  VariantCopy(&copy, const_cast<VARIANT*>(&c->value()));
  return copy;
}

void ModelHost::SetThreadCompartment(REFGUID guid, const VARIANT& value) {
  threadMgr_->compartments().Ensure(guid)->SetValue(appClientId_, &value);
}

void ModelHost::SetContextCompartment(REFGUID guid, const VARIANT& value, int doc) {
  if (ModelContext* context = Context(doc)) {
    context->compartments().Ensure(guid)->SetValue(appClientId_, &value);
  }
}

int ModelHost::ThreadMgrEventSinkCount() const {
  return threadMgr_->eventSinkCount(IID_ITfThreadMgrEventSink);
}

int ModelHost::ThreadFocusSinkCount() const {
  return threadMgr_->eventSinkCount(IID_ITfThreadFocusSink);
}

int ModelHost::KeyEventSinkCount() const {
  return static_cast<int>(threadMgr_->keySinks().size());
}

int ModelHost::TextEditSinkCount(int doc) const {
  if (doc != kFocused) {
    ModelContext* context = Context(doc);
    return context ? context->textEditSinkCount() : 0;
  }
  // Without a document named, every context of every document counts.
  int count = 0;
  for (const auto& docMgr : docs_) {
    for (auto& context : docMgr->stack())
      count += context->textEditSinkCount();
  }
  return count;
}

int ModelHost::PreservedKeyCount() const {
  return static_cast<int>(threadMgr_->preservedKeys().size());
}

const std::vector<ModelThreadMgr::PreservedKey>& ModelHost::PreservedKeys() const {
  return threadMgr_->preservedKeys();
}

ULONG ModelHost::ThreadMgrForeignRefs() const {
  threadMgr_->AddRef();
  return threadMgr_->Release() - 1;
}

int ModelHost::LangBarItemCount() const {
  return static_cast<int>(threadMgr_->langBarItems().size());
}

ITfLangBarItem* ModelHost::LangBarItem(int index) const {
  const auto& items = threadMgr_->langBarItems();
  return index >= 0 && index < static_cast<int>(items.size()) ? items[index].item.Get() : nullptr;
}

int ModelHost::LangBarItemUpdates(int index) const {
  const auto& items = threadMgr_->langBarItems();
  if (index < 0 || index >= static_cast<int>(items.size()) || !items[index].sink)
    return 0;
  return items[index].sink->updates;
}

ComPtr<ITfLangBarItemButton> ModelHost::Button(int index) const {
  ComPtr<ITfLangBarItemButton> button;
  if (ITfLangBarItem* item = LangBarItem(index)) {
    item->QueryInterface(IID_ITfLangBarItemButton, button.PutVoid());
  }
  return button;
}

std::vector<MenuEntry> ModelHost::OpenMenu(int index, HRESULT* hr) {
  if (hr)
    *hr = E_NOINTERFACE;
  ComPtr<ITfLangBarItemButton> button = Button(index);
  auto menu = MakeComObject<ModelMenu>();
  if (!button || !menu)
    return {};
  const HRESULT result = button->InitMenu(menu.Get());
  if (hr)
    *hr = result;
  threadMgr_->RunQueues();
  return Entries(*menu);
}

HRESULT ModelHost::ChooseMenuItem(UINT id, int index) {
  ComPtr<ITfLangBarItemButton> button = Button(index);
  if (!button)
    return E_NOINTERFACE;
  const HRESULT hr = button->OnMenuSelect(id);
  threadMgr_->RunQueues();
  return hr;
}

}  // namespace korvi::tsfmodel
