// The model host against small fake services: each test shows one of TSF's rules that the model
// keeps, so that a service tested in the model meets the same rules as on Windows.
#include "testing/tsfmodel/model_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace korvi {

template <>
struct ComInterfaceIds<ITfLangBarItemButton> {
  static bool Matches(REFIID iid) {
    return IsEqualIID(iid, IID_ITfLangBarItemButton) || IsEqualIID(iid, IID_ITfLangBarItem);
  }
};

namespace tsfmodel {
namespace {

constexpr long kAtom = 42;
const GUID kToggleGuid = {
    0x1b0d1c2e, 0x5a61, 0x4a3e, {0x9b, 0x0e, 0x22, 0x41, 0x6c, 0x7a, 0x10, 0x01}};
const GUID kItemGuid = {
    0x1b0d1c2e, 0x5a61, 0x4a3e, {0x9b, 0x0e, 0x22, 0x41, 0x6c, 0x7a, 0x10, 0x02}};

int g_liveFakes = 0;

class LambdaSession final : public ComObject<NotCounted, ITfEditSession> {
 public:
  explicit LambdaSession(std::function<HRESULT(TfEditCookie)> body) : body_(std::move(body)) {
    ++g_liveFakes;
  }
  ~LambdaSession() override { --g_liveFakes; }
  STDMETHODIMP DoEditSession(TfEditCookie ec) override { return body_(ec); }

 private:
  std::function<HRESULT(TfEditCookie)> body_;
};

HRESULT Request(ITfContext* context, TfClientId tid, DWORD flags,
                std::function<HRESULT(TfEditCookie)> body, HRESULT* hr) {
  auto session = MakeComObject<LambdaSession>(std::move(body));
  return context->RequestEditSession(tid, session.Get(), flags, hr);
}

// A menu button like a text service's: two entries and a submenu, and an ITfSource for the
// language bar's sink.
class FakeButton final : public ComObject<NotCounted, ITfLangBarItemButton, ITfSource> {
 public:
  FakeButton() { ++g_liveFakes; }
  ~FakeButton() override { --g_liveFakes; }
  STDMETHODIMP GetInfo(TF_LANGBARITEMINFO* info) override {
    *info = {};
    info->guidItem = kItemGuid;
    info->dwStyle = TF_LBI_STYLE_BTN_MENU;
    return S_OK;
  }
  STDMETHODIMP GetStatus(DWORD* status) override {
    *status = 0;
    return S_OK;
  }
  STDMETHODIMP Show(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetTooltipString(BSTR* text) override {
    *text = SysAllocString(L"Options");
    return S_OK;
  }
  STDMETHODIMP OnClick(TfLBIClick, POINT, const RECT*) override { return S_OK; }
  STDMETHODIMP InitMenu(ITfMenu* menu) override {
    ComPtr<ITfMenu> sub;
    menu->AddMenuItem(1, TF_LBMENUF_SUBMENU, nullptr, nullptr, L"Layouts", 7, sub.Put());
    if (sub)
      sub->AddMenuItem(11, TF_LBMENUF_CHECKED, nullptr, nullptr, L"One", 3, nullptr);
    menu->AddMenuItem(0, TF_LBMENUF_SEPARATOR, nullptr, nullptr, nullptr, 0, nullptr);
    menu->AddMenuItem(60, TF_LBMENUF_GRAYED, nullptr, nullptr, L"Mode", 4, nullptr);
    return S_OK;
  }
  STDMETHODIMP OnMenuSelect(UINT id) override {
    chosen.push_back(id);
    if (sink)
      sink->OnUpdate(TF_LBI_STATUS);
    return S_OK;
  }
  STDMETHODIMP GetIcon(HICON* icon) override {
    *icon = nullptr;
    return E_FAIL;
  }
  STDMETHODIMP GetText(BSTR* text) override { return GetTooltipString(text); }
  STDMETHODIMP AdviseSink(REFIID iid, IUnknown* unk, DWORD* cookie) override {
    if (!IsEqualIID(iid, IID_ITfLangBarItemSink))
      return CONNECT_E_CANNOTCONNECT;
    if (sink)
      return CONNECT_E_ADVISELIMIT;
    unk->QueryInterface(IID_ITfLangBarItemSink, sink.PutVoid());
    *cookie = 7;
    return S_OK;
  }
  STDMETHODIMP UnadviseSink(DWORD cookie) override {
    if (cookie != 7 || !sink)
      return CONNECT_E_NOCONNECTION;
    sink.Reset();
    return S_OK;
  }

  ComPtr<ITfLangBarItemSink> sink;
  std::vector<UINT> chosen;
};

// A small text service in the shape of a real one: it takes letters into a composition (lower
// case, marked with kAtom), ends the composition on Space, toggles a flag with its preserved key,
// and ends the composition when the selection leaves it.
class FakeService final
    : public ComObject<NotCounted, ITfTextInputProcessor, ITfKeyEventSink, ITfTextEditSink,
                       ITfCompositionSink, ITfThreadMgrEventSink> {
 public:
  FakeService() { ++g_liveFakes; }
  ~FakeService() override { --g_liveFakes; }

  // ITfTextInputProcessor
  STDMETHODIMP Activate(ITfThreadMgr* threadMgr, TfClientId tid) override {
    threadMgr_ = ComPtr<ITfThreadMgr>(threadMgr);
    tid_ = tid;
    ComPtr<ITfSource> source;
    if (FAILED(threadMgr_.As(&source)) ||
        FAILED(source->AdviseSink(IID_ITfThreadMgrEventSink,
                                  static_cast<ITfThreadMgrEventSink*>(this), &eventCookie_))) {
      return Fail();
    }
    ComPtr<ITfDocumentMgr> focus;
    threadMgr_->GetFocus(focus.Put());
    MoveEditSink(focus.Get());
    ComPtr<ITfLangBarItemMgr> items;
    if (FAILED(threadMgr_.As(&items)))
      return Fail();
    button_ = MakeComObject<FakeButton>();
    if (FAILED(items->AddItem(button_.Get()))) {
      button_.Reset();
      return Fail();
    }
    ComPtr<ITfKeystrokeMgr> keys;
    if (FAILED(threadMgr_.As(&keys)) ||
        FAILED(keys->AdviseKeyEventSink(tid_, static_cast<ITfKeyEventSink*>(this), TRUE))) {
      return Fail();
    }
    keySinkAdvised_ = true;
    const TF_PRESERVEDKEY toggle = {VK_OEM_3, TF_MOD_CONTROL};
    if (FAILED(keys->PreserveKey(tid_, kToggleGuid, &toggle, L"Toggle", 6)))
      return Fail();
    return S_OK;
  }
  STDMETHODIMP Deactivate() override {
    if (leaveSinksBehind)
      return S_OK;
    MoveEditSink(nullptr);
    if (threadMgr_) {
      ComPtr<ITfSource> source;
      if (eventCookie_ != TF_INVALID_COOKIE && SUCCEEDED(threadMgr_.As(&source))) {
        source->UnadviseSink(eventCookie_);
      }
      eventCookie_ = TF_INVALID_COOKIE;
      ComPtr<ITfLangBarItemMgr> items;
      if (button_ && SUCCEEDED(threadMgr_.As(&items)))
        items->RemoveItem(button_.Get());
      button_.Reset();
      ComPtr<ITfKeystrokeMgr> keys;
      if (SUCCEEDED(threadMgr_.As(&keys))) {
        if (keySinkAdvised_)
          keys->UnadviseKeyEventSink(tid_);
        const TF_PRESERVEDKEY toggle = {VK_OEM_3, TF_MOD_CONTROL};
        keys->UnpreserveKey(kToggleGuid, &toggle);
      }
    }
    keySinkAdvised_ = false;
    threadMgr_.Reset();
    return S_OK;
  }

  // ITfKeyEventSink
  STDMETHODIMP OnSetFocus(BOOL) override { return S_OK; }
  STDMETHODIMP OnTestKeyDown(ITfContext*, WPARAM vk, LPARAM data, BOOL* eaten) override {
    log.push_back(L"test " + std::to_wstring(vk));
    keyData.push_back(data);
    shiftSeen = GetKeyState(VK_SHIFT) < 0;
    capsSeen = (GetKeyState(VK_CAPITAL) & 1) != 0;
    *eaten = Wants(static_cast<UINT>(vk));
    return S_OK;
  }
  STDMETHODIMP OnTestKeyUp(ITfContext*, WPARAM, LPARAM data, BOOL* eaten) override {
    keyData.push_back(data);
    *eaten = FALSE;
    return S_OK;
  }
  STDMETHODIMP OnKeyDown(ITfContext* context, WPARAM vk, LPARAM, BOOL* eaten) override {
    log.push_back(L"down " + std::to_wstring(vk));
    *eaten = Wants(static_cast<UINT>(vk));
    if (!*eaten || !context)
      return S_OK;
    HRESULT hr = E_FAIL;
    Request(
        context, tid_, TF_ES_SYNC | TF_ES_READWRITE,
        [&, context](TfEditCookie ec) { return HandleKey(context, ec, static_cast<UINT>(vk)); },
        &hr);
    return S_OK;
  }
  STDMETHODIMP OnKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten) override {
    *eaten = FALSE;
    return S_OK;
  }
  STDMETHODIMP OnPreservedKey(ITfContext*, REFGUID guid, BOOL* eaten) override {
    *eaten = IsEqualGUID(guid, kToggleGuid);
    if (*eaten)
      toggled = !toggled;
    return S_OK;
  }

  // ITfTextEditSink
  STDMETHODIMP OnEndEdit(ITfContext* context, TfEditCookie ec, ITfEditRecord* record) override {
    BOOL moved = FALSE;
    record->GetSelectionStatus(&moved);
    endEdits.push_back(moved != FALSE);
    if (onEndEdit)
      onEndEdit(context, ec);
    if (!moved || !composition_)
      return S_OK;
    TF_SELECTION sel = {};
    ULONG fetched = 0;
    if (FAILED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &sel, &fetched)) || !fetched) {
      return S_OK;
    }
    ComPtr<ITfRange> selection = ComPtr<ITfRange>::Adopt(sel.range);
    ComPtr<ITfRange> range;
    composition_->GetRange(range.Put());
    LONG start = 0, end = 0;
    range->CompareStart(ec, selection.Get(), TF_ANCHOR_START, &start);
    range->CompareEnd(ec, selection.Get(), TF_ANCHOR_END, &end);
    if (start > 0 || end < 0)
      EndComposition(context);
    return S_OK;
  }

  // ITfCompositionSink
  STDMETHODIMP OnCompositionTerminated(TfEditCookie ec, ITfComposition* composition) override {
    ComPtr<ITfRange> range;
    terminatedWithWriteCookie =
        SUCCEEDED(composition->GetRange(range.Put())) && SUCCEEDED(range->SetText(ec, 0, L"", 0));
    ++terminated;
    composition_.Reset();
    return S_OK;
  }

  // ITfThreadMgrEventSink
  STDMETHODIMP OnInitDocumentMgr(ITfDocumentMgr*) override { return S_OK; }
  STDMETHODIMP OnUninitDocumentMgr(ITfDocumentMgr*) override { return S_OK; }
  STDMETHODIMP OnSetFocus(ITfDocumentMgr* focus, ITfDocumentMgr*) override {
    MoveEditSink(focus);
    return S_OK;
  }
  STDMETHODIMP OnPushContext(ITfContext*) override { return S_OK; }
  STDMETHODIMP OnPopContext(ITfContext*) override {
    ++pops;
    return S_OK;
  }

  std::vector<std::wstring> log;
  std::vector<LPARAM> keyData;
  std::vector<bool> endEdits;
  std::function<void(ITfContext*, TfEditCookie)> onEndEdit;
  bool shiftSeen = false;
  bool capsSeen = false;
  bool toggled = false;
  bool leaveSinksBehind = false;
  bool terminatedWithWriteCookie = false;
  int terminated = 0;
  int pops = 0;

 private:
  HRESULT Fail() {
    Deactivate();
    return E_FAIL;
  }

  bool Wants(UINT vk) const {
    return (vk >= 'A' && vk <= 'Z') || ((vk == VK_SPACE || vk == VK_BACK) && composition_);
  }

  void MoveEditSink(ITfDocumentMgr* docMgr) {
    if (editContext_ && editCookie_ != TF_INVALID_COOKIE) {
      ComPtr<ITfSource> source;
      if (SUCCEEDED(editContext_.As(&source)))
        source->UnadviseSink(editCookie_);
    }
    editContext_.Reset();
    editCookie_ = TF_INVALID_COOKIE;
    if (!docMgr)
      return;
    ComPtr<ITfContext> top;
    if (FAILED(docMgr->GetTop(top.Put())) || !top)
      return;
    ComPtr<ITfSource> source;
    if (SUCCEEDED(top.As(&source)) &&
        SUCCEEDED(source->AdviseSink(IID_ITfTextEditSink, static_cast<ITfTextEditSink*>(this),
                                     &editCookie_))) {
      editContext_ = top;
    }
  }

  HRESULT HandleKey(ITfContext* context, TfEditCookie ec, UINT vk) {
    if (vk == VK_SPACE) {
      Insert(context, ec, L" ");
      EndComposition(context);
      return S_OK;
    }
    if (!composition_) {
      // Opened in a nested synchronous session, as a real service does from its key session.
      HRESULT hr = E_FAIL;
      Request(
          context, tid_, TF_ES_SYNC | TF_ES_READWRITE,
          [&](TfEditCookie inner) {
            ComPtr<ITfInsertAtSelection> insert;
            ComPtr<ITfContextComposition> compose;
            ComPtr<ITfRange> at;
            if (FAILED(ComPtr<ITfContext>(context).As(&insert)) ||
                FAILED(ComPtr<ITfContext>(context).As(&compose)) ||
                FAILED(
                    insert->InsertTextAtSelection(inner, TF_IAS_QUERYONLY, nullptr, 0, at.Put()))) {
              return E_FAIL;
            }
            return compose->StartComposition(
                inner, at.Get(), static_cast<ITfCompositionSink*>(this), composition_.Put());
          },
          &hr);
    }
    const wchar_t ch = static_cast<wchar_t>(vk - 'A' + 'a');
    Insert(context, ec, std::wstring(1, ch));
    if (composition_) {
      ComPtr<ITfRange> range;
      ComPtr<ITfProperty> attribute;
      composition_->GetRange(range.Put());
      context->GetProperty(GUID_PROP_ATTRIBUTE, attribute.Put());
      VARIANT v;
      v.vt = VT_I4;
      v.lVal = kAtom;
      attribute->SetValue(ec, range.Get(), &v);
    }
    return S_OK;
  }

  void Insert(ITfContext* context, TfEditCookie ec, const std::wstring& text) {
    TF_SELECTION sel = {};
    ULONG fetched = 0;
    if (FAILED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &sel, &fetched)) || !fetched) {
      return;
    }
    ComPtr<ITfRange> range = ComPtr<ITfRange>::Adopt(sel.range);
    range->SetText(ec, 0, text.c_str(), static_cast<LONG>(text.size()));
    range->Collapse(ec, TF_ANCHOR_END);
    sel.range = range.Get();
    context->SetSelection(ec, 1, &sel);
  }

  void EndComposition(ITfContext* context) {
    HRESULT hr = E_FAIL;
    // No TF_ES_SYNC: queued when a session is running.
    Request(
        context, tid_, TF_ES_READWRITE,
        [this](TfEditCookie ec) {
          if (composition_)
            composition_->EndComposition(ec);
          composition_.Reset();
          return S_OK;
        },
        &hr);
  }

  ComPtr<ITfThreadMgr> threadMgr_;
  TfClientId tid_ = TF_CLIENTID_NULL;
  DWORD eventCookie_ = TF_INVALID_COOKIE;
  ComPtr<ITfContext> editContext_;
  DWORD editCookie_ = TF_INVALID_COOKIE;
  ComPtr<FakeButton> button_;
  bool keySinkAdvised_ = false;
  ComPtr<ITfComposition> composition_;
};

class ModelHostTest : public ::testing::Test {
 protected:
  ModelHostTest() : host(std::make_unique<ModelHost>()) {}
  ~ModelHostTest() override {
    host.reset();
    service.Reset();
    // A fake that outlives the host would show a reference the model failed to let go.
    EXPECT_EQ(g_liveFakes, 0);
  }
  void Start(const std::wstring& text = L"") {
    host->PushDocument(text);
    service = MakeComObject<FakeService>();
    ASSERT_EQ(host->Activate(service.Get()), S_OK);
  }

  std::unique_ptr<ModelHost> host;
  ComPtr<FakeService> service;
};

TEST_F(ModelHostTest, LettersGrowACompositionAtTheCaretAndSpaceEndsIt) {
  Start(L"x ");
  host->Key('K');
  host->Key('A');
  EXPECT_EQ(host->Text(), L"x ka");
  EXPECT_EQ(host->Selection().span, (Span{4, 4}));
  EXPECT_EQ(host->CompositionSpan(), (Span{2, 4}));
  EXPECT_EQ(host->AttributeAt(2), kAtom);
  EXPECT_EQ(host->AttributeAt(3), kAtom);
  EXPECT_EQ(host->AttributeAt(1), std::nullopt);
  // The ending session is requested inside the key session: it is queued and runs right after.
  const int queuedBefore = host->stats().queued;
  host->Key(VK_SPACE);
  EXPECT_EQ(host->stats().queued, queuedBefore + 1);
  EXPECT_EQ(host->CompositionCount(), 0);
  EXPECT_EQ(host->Text(), L"x ka ");
  // Uneaten keys reach the plain editor behind the model.
  host->Key('1', kShift);
  host->Key(VK_BACK);
  host->Key(VK_BACK);
  EXPECT_EQ(host->Text(), L"x ka");
  EXPECT_EQ(host->editorKeys(), (std::vector<UINT>{'1', VK_BACK, VK_BACK}));
}

TEST_F(ModelHostTest, TestCallComesFirstAndTheRealCallOnlyForEatenKeys) {
  Start();
  host->Key('Q');
  host->Key('7');
  EXPECT_EQ(service->log, (std::vector<std::wstring>{L"test 81", L"down 81", L"test 55"}));
  const KeyResult passed = host->Key(VK_OEM_3);
  EXPECT_FALSE(passed.eaten);
  EXPECT_TRUE(passed.toEditor);
  EXPECT_EQ(host->Text(), L"q7`");
}

TEST_F(ModelHostTest, PreservedKeyGoesToOnPreservedKeyOnly) {
  Start();
  ASSERT_EQ(host->PreservedKeyCount(), 1);
  const KeyResult r = host->Key(VK_OEM_3, kControl);
  EXPECT_TRUE(r.eaten);
  EXPECT_TRUE(r.preserved);
  EXPECT_TRUE(service->toggled);
  EXPECT_TRUE(service->log.empty());
  // With other modifiers it is another key.
  host->Key(VK_OEM_3, kControl | kShift);
  EXPECT_TRUE(service->toggled);
  EXPECT_EQ(service->log.size(), 1u);
}

TEST_F(ModelHostTest, KeyDataAndKeyboardStateAreThoseOfRealKeyMessages) {
  Start();
  host->Key('A', kShift | kCapsLock);
  ASSERT_EQ(service->keyData.size(), 2u);
  const auto down = static_cast<ULONG>(service->keyData[0]);
  const auto up = static_cast<ULONG>(service->keyData[1]);
  EXPECT_EQ(down & 0xFFFF, 1u);                       // repeat count
  EXPECT_EQ(down >> 30, 0u);                          // was up, goes down
  EXPECT_EQ(up >> 30, 3u);                            // was down, goes up
  EXPECT_EQ((down >> 16) & 0xFF, (up >> 16) & 0xFF);  // same scan code
  EXPECT_TRUE(service->shiftSeen);
  EXPECT_TRUE(service->capsSeen);
  EXPECT_EQ(static_cast<ULONG>(ModelHost::KeyData(VK_LEFT, false, true)) & (1u << 24 | 1u << 29),
            1u << 24 | 1u << 29);  // extended key, Alt down
  host->Key('B');
  EXPECT_FALSE(service->shiftSeen);
  EXPECT_FALSE(service->capsSeen);
}

TEST_F(ModelHostTest, EditSessionSchedulingFollowsTsf) {
  Start(L"ab");
  ITfContext* context = host->Context();
  const TfClientId tid = host->clientId();
  std::vector<std::string> order;
  HRESULT hr = E_FAIL;

  // Outside any session: a request runs at once and hands back DoEditSession's result.
  EXPECT_EQ(Request(
                context, tid, TF_ES_SYNC | TF_ES_READ, [](TfEditCookie) { return S_FALSE; }, &hr),
            S_OK);
  EXPECT_EQ(hr, S_FALSE);

  // Inside: the same client's synchronous request runs at once, others wait for the end.
  HRESULT nestedSync = E_FAIL, nestedAsync = E_FAIL, nestedRwInRead = E_FAIL;
  HRESULT otherClient = S_OK;
  Request(
      context, tid, TF_ES_READWRITE,
      [&](TfEditCookie) {
        order.push_back("outer");
        Request(
            context, tid, TF_ES_SYNC | TF_ES_READWRITE,
            [&](TfEditCookie) {
              order.push_back("nested sync");
              return S_OK;
            },
            &nestedSync);
        Request(
            context, tid, TF_ES_READWRITE,
            [&](TfEditCookie) {
              order.push_back("queued");
              return S_OK;
            },
            &nestedAsync);
        HRESULT ignored;
        otherClient = Request(
            context, tid + 100, TF_ES_READ, [](TfEditCookie) { return S_OK; }, &ignored);
        order.push_back("outer ends");
        return S_OK;
      },
      &hr);
  EXPECT_EQ(order, (std::vector<std::string>{"outer", "nested sync", "outer ends", "queued"}));
  EXPECT_EQ(nestedSync, S_OK);
  EXPECT_EQ(nestedAsync, TF_S_ASYNC);
  EXPECT_EQ(otherClient, TF_E_LOCKED);

  // Writing inside a read-only session, or synchronously during OnEndEdit, is refused.
  Request(
      context, tid, TF_ES_READ,
      [&](TfEditCookie) {
        Request(
            context, tid, TF_ES_SYNC | TF_ES_READWRITE, [](TfEditCookie) { return S_OK; },
            &nestedRwInRead);
        return S_OK;
      },
      &hr);
  EXPECT_EQ(nestedRwInRead, TF_E_SYNCHRONOUS);
  HRESULT duringNotice = E_FAIL;
  service->onEndEdit = [&](ITfContext* c, TfEditCookie) {
    Request(
        c, tid, TF_ES_SYNC | TF_ES_READ, [](TfEditCookie) { return S_OK; }, &duringNotice);
  };
  host->Click(0);
  service->onEndEdit = nullptr;
  EXPECT_EQ(duringNotice, TF_E_SYNCHRONOUS);

  // TF_ES_ASYNC waits for the host even when nothing runs.
  bool ran = false;
  Request(
      context, tid, TF_ES_ASYNC | TF_ES_READ,
      [&](TfEditCookie) {
        ran = true;
        return S_OK;
      },
      &hr);
  EXPECT_EQ(hr, TF_S_ASYNC);
  EXPECT_FALSE(ran);
  EXPECT_EQ(host->Context()->pendingSessions(), 1);
  host->RunPendingSessions();
  EXPECT_TRUE(ran);
  EXPECT_EQ(host->Context()->pendingSessions(), 0);

  // Bad flags.
  EXPECT_EQ(Request(
                context, tid, TF_ES_SYNC, [](TfEditCookie) { return S_OK; }, &hr),
            E_INVALIDARG);
  EXPECT_EQ(Request(
                context, tid, TF_ES_SYNC | TF_ES_ASYNC | TF_ES_READ,
                [](TfEditCookie) { return S_OK; }, &hr),
            E_INVALIDARG);
}

TEST_F(ModelHostTest, CookiesAreValidOnlyInsideTheirSession) {
  Start(L"abc");
  ITfContext* context = host->Context();
  TfEditCookie readCookie = 0, writeCookie = 0;
  HRESULT hr, inside = E_FAIL, writeWithRead = S_OK;
  Request(
      context, host->clientId(), TF_ES_SYNC | TF_ES_READ,
      [&](TfEditCookie ec) {
        readCookie = ec;
        ComPtr<ITfRange> start;
        inside = context->GetStart(ec, start.Put());
        writeWithRead = start->SetText(ec, 0, L"x", 1);
        return S_OK;
      },
      &hr);
  Request(
      context, host->clientId(), TF_ES_SYNC | TF_ES_READWRITE,
      [&](TfEditCookie ec) {
        writeCookie = ec;
        return S_OK;
      },
      &hr);
  EXPECT_EQ(inside, S_OK);
  EXPECT_EQ(writeWithRead, TF_E_NOLOCK);
  EXPECT_NE(readCookie, writeCookie);
  for (TfEditCookie stale : {readCookie, writeCookie}) {
    TF_SELECTION sel = {};
    ULONG fetched = 0;
    EXPECT_EQ(context->GetSelection(stale, TF_DEFAULT_SELECTION, 1, &sel, &fetched), TF_E_NOLOCK);
    EXPECT_EQ(fetched, 0u);
  }
  EXPECT_EQ(host->Text(), L"abc");
}

TEST_F(ModelHostTest, OnEndEditSaysWhetherTheSelectionMoved) {
  Start(L"abcd");
  service->endEdits.clear();
  HRESULT hr;
  Request(
      host->Context(), host->clientId(), TF_ES_SYNC | TF_ES_READWRITE,
      [](TfEditCookie) { return S_OK; }, &hr);
  host->Click(1);
  Request(
      host->Context(), host->clientId(), TF_ES_SYNC | TF_ES_READ, [](TfEditCookie) { return S_OK; },
      &hr);  // read-only: no notice
  EXPECT_EQ(service->endEdits, (std::vector<bool>{false, true}));
}

TEST_F(ModelHostTest, ClickOutsideTheCompositionEndsIt) {
  Start(L"ab ");
  host->Key('K');
  host->Key('A');
  host->Click(4);  // inside: the composition stays
  EXPECT_EQ(host->CompositionSpan(), (Span{3, 5}));
  host->Click(1);
  EXPECT_EQ(host->CompositionCount(), 0);
  EXPECT_EQ(host->Text(), L"ab ka");
}

TEST_F(ModelHostTest, DeactivationAndPoppingTerminateOwnedCompositions) {
  Start(L"");
  host->Key('K');
  ASSERT_EQ(host->CompositionCount(), 1);
  host->Deactivate();
  EXPECT_EQ(service->terminated, 1);
  EXPECT_TRUE(service->terminatedWithWriteCookie);
  EXPECT_EQ(host->CompositionCount(), 0);
  EXPECT_EQ(host->Text(), L"");  // the sink was given a write cookie and used it

  ASSERT_EQ(host->Activate(service.Get()), S_OK);
  host->Key('M');
  ASSERT_EQ(host->CompositionCount(), 1);
  host->PopContext();
  EXPECT_EQ(service->terminated, 2);
  EXPECT_EQ(service->pops, 1);
  EXPECT_EQ(host->Context(), nullptr);
}

TEST_F(ModelHostTest, DeactivationLeavesNothingAdvised) {
  Start(L"");
  EXPECT_EQ(host->ThreadMgrEventSinkCount(), 1);
  EXPECT_EQ(host->KeyEventSinkCount(), 1);
  EXPECT_EQ(host->TextEditSinkCount(), 1);
  EXPECT_EQ(host->LangBarItemCount(), 1);
  EXPECT_GT(host->ThreadMgrForeignRefs(), 0u);
  host->Deactivate();
  EXPECT_EQ(host->ThreadMgrEventSinkCount(), 0);
  EXPECT_EQ(host->KeyEventSinkCount(), 0);
  EXPECT_EQ(host->TextEditSinkCount(), 0);
  EXPECT_EQ(host->LangBarItemCount(), 0);
  EXPECT_EQ(host->PreservedKeyCount(), 0);
  EXPECT_EQ(host->ThreadMgrForeignRefs(), 0u);
}

TEST_F(ModelHostTest, EachInjectedFailureFailsActivation) {
  struct Case {
    const char* name;
    std::function<void(Faults&)> set;
  };
  const Case cases[] = {
      {"AddItem refused", [](Faults& f) { f.refuseAddItem = true; }},
      {"thread-manager advice fails",
       [](Faults& f) { f.failAdviseSink.push_back(IID_ITfThreadMgrEventSink); }},
      {"key-event advice fails", [](Faults& f) { f.failAdviseKeyEventSink = true; }},
      {"preserving the key fails", [](Faults& f) { f.failPreserveKey = true; }},
  };
  for (const Case& c : cases) {
    ModelHost h;
    h.PushDocument(L"");
    c.set(h.faults());
    auto s = MakeComObject<FakeService>();
    EXPECT_EQ(h.Activate(s.Get()), E_FAIL) << c.name;
    EXPECT_EQ(h.processor(), nullptr) << c.name;
    EXPECT_EQ(h.ThreadMgrEventSinkCount() + h.KeyEventSinkCount() + h.TextEditSinkCount() +
                  h.PreservedKeyCount() + h.LangBarItemCount(),
              0)
        << c.name;
    EXPECT_EQ(h.ThreadMgrForeignRefs(), 0u) << c.name;
  }
}

TEST_F(ModelHostTest, TextEditAdviceFailureAndMissingTopContextLeaveNoSink) {
  host->faults().failAdviseSink.push_back(IID_ITfTextEditSink);
  Start(L"");
  EXPECT_EQ(host->TextEditSinkCount(), 0);
  host->faults().failAdviseSink.clear();
  const int empty = host->PushEmptyDocument();
  EXPECT_EQ(host->Context(empty), nullptr);
  EXPECT_EQ(host->TextEditSinkCount(), 0);
  const KeyResult r = host->Key('A');  // no context: the key reaches no document
  EXPECT_TRUE(r.toEditor || r.eaten);
  host->Focus(0);
  EXPECT_EQ(host->TextEditSinkCount(), 1);
}

TEST_F(ModelHostTest, RefusedEditSessionNeverRuns) {
  Start(L"ab");
  host->faults().refuseEditSession = true;
  const KeyResult r = host->Key('K');
  EXPECT_TRUE(r.eaten);
  EXPECT_EQ(host->Text(), L"ab");
  EXPECT_EQ(host->stats().refusedByFault, 1);
}

TEST_F(ModelHostTest, MenuOpensAndChoicesReachTheButton) {
  Start();
  ASSERT_EQ(host->LangBarItemCount(), 1);
  HRESULT hr = E_FAIL;
  const std::vector<MenuEntry> menu = host->OpenMenu(0, &hr);
  EXPECT_EQ(hr, S_OK);
  ASSERT_EQ(menu.size(), 3u);
  EXPECT_EQ(menu[0].text, L"Layouts");
  EXPECT_EQ(menu[0].flags, static_cast<DWORD>(TF_LBMENUF_SUBMENU));
  ASSERT_EQ(menu[0].submenu.size(), 1u);
  EXPECT_EQ(menu[0].submenu[0].id, 11u);
  EXPECT_EQ(menu[0].submenu[0].text, L"One");
  EXPECT_EQ(menu[1].flags, static_cast<DWORD>(TF_LBMENUF_SEPARATOR));
  EXPECT_EQ(menu[1].text, L"");
  EXPECT_EQ(menu[2].id, 60u);
  EXPECT_EQ(host->ChooseMenuItem(60), S_OK);
  // The language bar advised its sink on the item when it was added.
  EXPECT_EQ(host->LangBarItemUpdates(), 1);
}

TEST_F(ModelHostTest, ShutdownBreaksCyclesThatAServiceLeftBehind) {
  Start(L"");
  host->Key('K');  // a composition holds the service as its sink
  ASSERT_EQ(host->CompositionCount(), 1);
  // A service whose Deactivate withdraws nothing: sinks, key, item and composition stay with the
  // model, and the host's shutdown must still let the service go (the fixture checks that).
  service->leaveSinksBehind = true;
  host->Deactivate();
  EXPECT_EQ(host->KeyEventSinkCount(), 1);
  EXPECT_EQ(host->LangBarItemCount(), 1);
}

TEST_F(ModelHostTest, RangesShiftCompareReadAndWriteAsTsfDoes) {
  Start(L"abcdef");
  ITfContext* context = host->Context();
  HRESULT hr;
  Request(
      context, host->clientId(), TF_ES_SYNC | TF_ES_READWRITE,
      [&](TfEditCookie ec) {
        ComPtr<ITfRange> range;
        context->GetStart(ec, range.Put());
        LONG moved = 0;
        // Shifts are clamped to the text, and the end follows a start pushed past it.
        EXPECT_EQ(range->ShiftEnd(ec, 3, &moved, nullptr), S_OK);
        EXPECT_EQ(moved, 3);
        range->ShiftStart(ec, -5, &moved, nullptr);
        EXPECT_EQ(moved, 0);
        ComPtr<ITfRange> copy;
        range->Clone(copy.Put());
        copy->ShiftStart(ec, 4, &moved, nullptr);
        LONG order = 0;
        copy->CompareEnd(ec, range.Get(), TF_ANCHOR_END, &order);
        EXPECT_EQ(order, 1);  // the copy's end was pushed to 4; the original still ends at 3
        WCHAR text[8] = {};
        ULONG count = 0;
        range->GetText(ec, TF_TF_MOVESTART, text, 2, &count);
        EXPECT_EQ(std::wstring(text, count), L"ab");
        BOOL equal = FALSE;
        range->IsEqualStart(ec, range.Get(), TF_ANCHOR_END, &equal);
        EXPECT_FALSE(equal);  // start moved to 2, end stays at 3
        // Writing makes the range cover the new text.
        EXPECT_EQ(range->SetText(ec, 0, L"XYZ", 3), S_OK);
        range->GetText(ec, 0, text, 8, &count);
        EXPECT_EQ(std::wstring(text, count), L"XYZ");
        return S_OK;
      },
      &hr);
  EXPECT_EQ(host->Text(), L"abXYZdef");
}

TEST_F(ModelHostTest, RangesGiveTheirAnchorsBack) {
  Start(L"abc");
  const int before = host->Context()->document().anchorCount();
  host->Key('K');
  host->Key(VK_SPACE);
  host->Click(1);
  EXPECT_EQ(host->Context()->document().anchorCount(), before + 2);  // the attribute span
}

}  // namespace
}  // namespace tsfmodel
}  // namespace korvi
