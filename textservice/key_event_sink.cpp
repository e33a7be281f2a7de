// The key-event sink: which key-downs the service takes, F12, the key edit session's
// dispatch and the key handler. The rules themselves are the engine's (keystate.h);
// this file turns their decisions into TSF calls.
#include <cwchar>

#include "engine/keys.h"
#include "engine/keystate.h"
#include "textservice/companion.h"
#include "textservice/edit_sessions.h"
#include "textservice/guids.h"
#include "textservice/key_state_reader.h"
#include "textservice/text_service.h"

namespace korvi {
namespace {

// Reads a compartment's VT_I4 value; false when it is missing or of another type.
bool ReadCompartmentI4(IUnknown* owner, REFGUID guid, LONG* value) {
  ComPtr<ITfCompartmentMgr> manager;
  if (!owner || FAILED(owner->QueryInterface(IID_ITfCompartmentMgr, manager.PutVoid()))) {
    return false;
  }
  ComPtr<ITfCompartment> compartment;
  if (FAILED(manager->GetCompartment(guid, compartment.Put())) || !compartment)
    return false;
  VARIANT v;
  VariantInit(&v);
  if (FAILED(compartment->GetValue(&v)))
    return false;
  const bool isI4 = v.vt == VT_I4;
  if (isI4)
    *value = v.lVal;
  VariantClear(&v);
  return isI4;
}

const wchar_t* Wide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}

}  // namespace

bool CTextService::IsInputDisabled() {
  ComPtr<ITfContext> context = FocusedTopContext();
  if (!context)
    return true;
  bool disabled = false;
  LONG value = 0;
  // The later compartment wins.
  if (ReadCompartmentI4(context.Get(), GUID_COMPARTMENT_KEYBOARD_DISABLED, &value)) {
    disabled = value != 0;
  }
  if (ReadCompartmentI4(context.Get(), GUID_COMPARTMENT_EMPTYCONTEXT, &value)) {
    disabled = value != 0;
  }
  return disabled;
}

bool CTextService::IsInputOpen() {
  LONG value = 0;
  return ReadCompartmentI4(threadMgr_.Get(), GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, &value) &&
         value != 0;
}

HRESULT CTextService::SetInputOpen(bool open) {
  ComPtr<ITfCompartmentMgr> manager;
  if (!threadMgr_ || FAILED(threadMgr_->QueryInterface(IID_ITfCompartmentMgr, manager.PutVoid()))) {
    return E_FAIL;
  }
  ComPtr<ITfCompartment> compartment;
  if (FAILED(manager->GetCompartment(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, compartment.Put())) ||
      !compartment) {
    return E_FAIL;
  }
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = open ? 1 : 0;
  return compartment->SetValue(clientId_, &v);
}

bool CTextService::WantsKey(UINT virtualKey) {
  if (IsInputDisabled() || !IsInputOpen())
    return false;
  if (virtualKey == VK_ESCAPE && CheckSelection(false)) {
    CheckSelection(true);
  }
  return KeyIsTaken(static_cast<uint16_t>(virtualKey), ReadKeyModifiers(), HasComposition());
}

void CTextService::PassKeyThrough(ITfContext* context, UINT virtualKey) {
  if (PassKeyThroughEndsWord(keyState_, static_cast<uint16_t>(virtualKey), IsKeyDown(VK_SHIFT),
                             layoutNumber_)) {
    RequestEndComposition(context);
  }
}

STDMETHODIMP CTextService::OnTestKeyDown(ITfContext* context, WPARAM wParam, LPARAM lParam,
                                         BOOL* eaten) {
  if (!eaten)
    return E_INVALIDARG;
  const auto virtualKey = static_cast<UINT>(wParam);
  if (IsModeKeyPress(static_cast<uint16_t>(virtualKey), static_cast<uint32_t>(lParam))) {
    NotifyKeyboardFocus();
    *eaten = TRUE;
    return S_OK;
  }
  *eaten = WantsKey(virtualKey) ? TRUE : FALSE;
  if (!*eaten)
    PassKeyThrough(context, virtualKey);
  return S_OK;
}

STDMETHODIMP CTextService::OnKeyDown(ITfContext* context, WPARAM wParam, LPARAM lParam,
                                     BOOL* eaten) {
  if (!eaten)
    return E_INVALIDARG;
  const auto virtualKey = static_cast<UINT>(wParam);
  if (IsModeKeyPress(static_cast<uint16_t>(virtualKey), static_cast<uint32_t>(lParam))) {
    NotifyKeyboardFocus();
    tamilMode_ = !tamilMode_;
    ResetKeyContext();
    RequestEndComposition(context);
    *eaten = TRUE;
    return S_OK;
  }
  *eaten = WantsKey(virtualKey) ? TRUE : FALSE;
  if (*eaten) {
    if (auto session = MakeComObject<CKeyHandlerEditSession>(context, this, wParam)) {
      RequestSession(context, clientId_, session.Get(), TF_ES_SYNC | TF_ES_READWRITE);
    }
  } else {
    PassKeyThrough(context, virtualKey);
  }
  return S_OK;
}

STDMETHODIMP CTextService::OnTestKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten) {
  if (!eaten)
    return E_INVALIDARG;
  *eaten = FALSE;
  return S_OK;
}

STDMETHODIMP CTextService::OnKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten) {
  if (!eaten)
    return E_INVALIDARG;
  *eaten = FALSE;
  return S_OK;
}

HRESULT CTextService::HandleKeyInSession(TfEditCookie ec, ITfContext* context, UINT virtualKey) {
  const auto key = static_cast<uint16_t>(virtualKey);
  const KeyAction action = DispatchKey(key, tamilMode_, layoutNumber_);
  switch (action) {
    case KeyAction::LookUpWord: {
      MarkComposition(ec, context, convertedAttributeAtom_);
      ComPtr<ITfRange> range;
      if (composition_ && SUCCEEDED(composition_->GetRange(range.Put())) && range) {
        SendLookupWord(ec, range.Get());
      }
      return S_OK;
    }
    case KeyAction::MoveCaret:
      ResetKeyContext();
      MoveCaretInComposition(ec, context, virtualKey);
      return S_OK;
    case KeyAction::Swallow:
      return S_OK;
    case KeyAction::ApplyThenEndWord:
    case KeyAction::ApplyThenEndUnlessDollar:
    case KeyAction::ApplyThenEndIfWordEndKey:
      break;
  }
  const HRESULT result = ApplyKey(ec, context, virtualKey);
  if (WordEndsAfterApply(action, keyState_, key, layoutNumber_)) {
    RequestEndComposition(context);
  }
  return result;
}

HRESULT CTextService::ApplyKey(TfEditCookie ec, ITfContext* context, UINT virtualKey) {
  if (!composition_)
    RequestStartComposition(context);
  // Only Shift and Caps Lock matter here: each read is a round trip to the window server.
  const bool shift = IsKeyDown(VK_SHIFT);
  const bool capsLock = (ReadKeyState(VK_CAPITAL) & 0x0001) != 0;
  const KeyEdit edit = ComputeKeyEdit(keyState_, static_cast<uint16_t>(virtualKey), shift, capsLock,
                                      tamilMode_, layoutNumber_);
  const HRESULT result = ApplyKeyEdit(ec, context, virtualKey, static_cast<wchar_t>(edit.ch),
                                      edit.count, Wide(keyState_.outputBuffer));
  if (result != S_OK)
    NoteEditNotWritten(keyState_);
  return result;
}

STDMETHODIMP CTextService::OnPreservedKey(ITfContext*, REFGUID guid, BOOL* eaten) {
  if (!eaten)
    return E_INVALIDARG;
  if (IsEqualGUID(guid, kPreservedKeyGuid)) {
    SetInputOpen(!IsInputOpen());
    *eaten = TRUE;
  } else {
    *eaten = FALSE;
  }
  return S_OK;
}

void CTextService::ResetKeyContext() {
  keyState_.ResetKeyContext();
}

}  // namespace korvi
