// CTextService's life: construction, activation and deactivation on a thread, the
// thread-manager sinks, the text-edit sink that follows the focus, and the
// display-attribute provider.
#include <new>

#include "engine/keystate.h"
#include "settings/debug_log.h"
#include "settings/settings_store.h"
#include "textservice/companion.h"
#include "textservice/display_attributes.h"
#include "textservice/guids.h"
#include "textservice/text_service.h"

namespace korvi {
namespace {

constexpr UINT kToggleKey = 0xC0;  // VK_OEM_3, with Ctrl
constexpr wchar_t kToggleDescription[] = L"Toggle State";
constexpr ULONG kToggleDescriptionLength = 12;

const TF_PRESERVEDKEY kPreservedKey = {kToggleKey, TF_MOD_CONTROL};

}  // namespace

CTextService::CTextService() {
  layoutNumber_ = ReadLayoutNumber();
  hostFlags_ = DetectHost();
  const bool running = FindLookupServerWindow() != nullptr;
  DebugLog("IsLookupServerRunning? HWND of lookup server is NOT null? => %s",
           running ? "YES" : "NO");
  if (!running)
    StartLookupServer();
}

CTextService::~CTextService() = default;

HRESULT CTextService::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  if (outer)
    return CLASS_E_NOAGGREGATION;
  auto service = MakeComObject<CTextService>();
  if (!service)
    return E_OUTOFMEMORY;
  return static_cast<ITfTextInputProcessor*>(service.Get())->QueryInterface(iid, out);
}

STDMETHODIMP CTextService::Activate(ITfThreadMgr* threadMgr, TfClientId clientId) {
  if (!threadMgr)
    return E_INVALIDARG;
  threadMgr_ = ComPtr<ITfThreadMgr>(threadMgr);
  clientId_ = clientId;
  if (!ActivateSteps()) {
    Deactivate();
    return E_FAIL;
  }
  return S_OK;
}

bool CTextService::ActivateSteps() {
  NotifyVisualKeyboardActivated();
  ResetKeyContext();

  if (FAILED(threadMgrEventSink_.Advise(threadMgr_.Get(), IID_ITfThreadMgrEventSink,
                                        static_cast<ITfThreadMgrEventSink*>(this)))) {
    return false;
  }
  if (FAILED(threadFocusSink_.Advise(threadMgr_.Get(), IID_ITfThreadFocusSink,
                                     static_cast<ITfThreadFocusSink*>(this)))) {
    return false;
  }

  ComPtr<ITfDocumentMgr> focused;
  if (SUCCEEDED(threadMgr_->GetFocus(focused.Put())) && focused) {
    MoveTextEditSink(focused.Get());
  }

  {
    ComPtr<ITfLangBarItemMgr> items;
    if (FAILED(threadMgr_->QueryInterface(IID_ITfLangBarItemMgr, items.PutVoid())))
      return false;
    langBarButton_ = MakeComObject<CLangBarItemButton>(static_cast<LangBarOwner*>(this));
    if (!langBarButton_)
      return false;
    if (FAILED(items->AddItem(langBarButton_.Get()))) {
      langBarButton_.Reset();
      return false;
    }
  }

  ComPtr<ITfKeystrokeMgr> keystrokes;
  if (FAILED(threadMgr_->QueryInterface(IID_ITfKeystrokeMgr, keystrokes.PutVoid()))) {
    return false;
  }
  if (FAILED(
          keystrokes->AdviseKeyEventSink(clientId_, static_cast<ITfKeyEventSink*>(this), TRUE))) {
    return false;
  }
  if (FAILED(keystrokes->PreserveKey(clientId_, kPreservedKeyGuid, &kPreservedKey,
                                     kToggleDescription, kToggleDescriptionLength))) {
    return false;
  }

  ComPtr<ITfCategoryMgr> categories;
  if (FAILED(CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ITfCategoryMgr, categories.PutVoid())) ||
      !categories) {
    return false;
  }
  if (FAILED(categories->RegisterGUID(kInputAttributeGuid, &inputAttributeAtom_)) ||
      FAILED(categories->RegisterGUID(kConvertedAttributeGuid, &convertedAttributeAtom_))) {
    return false;
  }

  if (!IsInputOpen())
    SetInputOpen(true);
  return true;
}

STDMETHODIMP CTextService::Deactivate() {
  MoveTextEditSink(nullptr);
  NotifyVisualKeyboardDeactivated();
  threadMgrEventSink_.Unadvise();
  threadFocusSink_.Unadvise();
  if (langBarButton_) {
    ComPtr<ITfLangBarItemMgr> items;
    if (threadMgr_ &&
        SUCCEEDED(threadMgr_->QueryInterface(IID_ITfLangBarItemMgr, items.PutVoid()))) {
      items->RemoveItem(langBarButton_.Get());
    }
    langBarButton_.Reset();
  }
  ComPtr<ITfKeystrokeMgr> keystrokes;
  if (threadMgr_ &&
      SUCCEEDED(threadMgr_->QueryInterface(IID_ITfKeystrokeMgr, keystrokes.PutVoid()))) {
    keystrokes->UnadviseKeyEventSink(clientId_);
    keystrokes->UnpreserveKey(kPreservedKeyGuid, &kPreservedKey);
  }
  threadMgr_.Reset();
  clientId_ = TF_CLIENTID_NULL;
  return S_OK;
}

STDMETHODIMP CTextService::OnInitDocumentMgr(ITfDocumentMgr*) {
  NotifyKeyboardFocus();
  return S_OK;
}

STDMETHODIMP CTextService::OnSetFocus(ITfDocumentMgr* focused, ITfDocumentMgr*) {
  NotifyKeyboardFocus();
  MoveTextEditSink(focused);
  return S_OK;
}

HRESULT CTextService::MoveTextEditSink(ITfDocumentMgr* documentMgr) {
  textEditSink_.Unadvise();
  textEditSinkContext_.Reset();
  if (!documentMgr)
    return S_OK;
  ComPtr<ITfContext> context;
  if (FAILED(documentMgr->GetTop(context.Put())))
    return E_FAIL;
  if (!context)
    return S_OK;
  const HRESULT hr =
      textEditSink_.Advise(context.Get(), IID_ITfTextEditSink, static_cast<ITfTextEditSink*>(this));
  if (FAILED(hr))
    return hr;
  textEditSinkContext_ = std::move(context);
  return S_OK;
}

ComPtr<ITfContext> CTextService::FocusedTopContext() {
  ComPtr<ITfContext> context;
  ComPtr<ITfDocumentMgr> focused;
  if (!threadMgr_ || FAILED(threadMgr_->GetFocus(focused.Put())) || !focused)
    return context;
  if (FAILED(focused->GetTop(context.Put())))
    context.Reset();
  return context;
}

STDMETHODIMP CTextService::OnEndEdit(ITfContext* context, TfEditCookie ec, ITfEditRecord* record) {
  BOOL selectionChanged = FALSE;
  if (!context || !record || FAILED(record->GetSelectionStatus(&selectionChanged)) ||
      !selectionChanged || !composition_) {
    return S_OK;
  }
  TF_SELECTION selection = {};
  ULONG fetched = 0;
  if (FAILED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched))) {
    return S_OK;
  }
  auto selectionRange = ComPtr<ITfRange>::Adopt(selection.range);
  if (fetched != 1 || !selectionRange)
    return S_OK;
  ComPtr<ITfRange> compositionRange;
  if (FAILED(composition_->GetRange(compositionRange.Put())) || !compositionRange)
    return S_OK;
  if (!RangeCovers(ec, selectionRange.Get(), compositionRange.Get())) {
    RequestEndComposition(context);
  }
  return S_OK;
}

STDMETHODIMP CTextService::EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) {
  return korvi::EnumDisplayAttributeInfo(out);
}

STDMETHODIMP CTextService::GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out) {
  return korvi::GetDisplayAttributeInfo(guid, out);
}

}  // namespace korvi
