#include "textservice/edit_sessions.h"

#include "textservice/text_service.h"

namespace korvi {

CEditSessionBase::CEditSessionBase(ITfContext* context, CTextService* owner)
    : context_(context), owner_(owner) {
  static_cast<ITfTextInputProcessor*>(owner_)->AddRef();
}

CEditSessionBase::~CEditSessionBase() {
  static_cast<ITfTextInputProcessor*>(owner_)->Release();
}

STDMETHODIMP CKeyHandlerEditSession::DoEditSession(TfEditCookie ec) {
  return owner()->HandleKeyInSession(ec, context(), static_cast<UINT>(virtualKey_));
}

STDMETHODIMP CStartCompositionEditSession::DoEditSession(TfEditCookie ec) {
  owner()->StartCompositionInSession(ec, context());
  return S_OK;
}

STDMETHODIMP CEndCompositionEditSession::DoEditSession(TfEditCookie ec) {
  owner()->FinishComposition(ec, context());
  return S_OK;
}

STDMETHODIMP CLookupSelectionEditSession::DoEditSession(TfEditCookie ec) {
  return owner()->LookupSelectionInSession(ec, context(), lookUp_, &selectionFound_);
}

HRESULT RequestSession(ITfContext* context, TfClientId clientId, ITfEditSession* session,
                       DWORD flags) {
  if (!context || !session)
    return E_INVALIDARG;
  HRESULT sessionResult = S_OK;
  const HRESULT requestResult =
      context->RequestEditSession(clientId, session, flags, &sessionResult);
  return FAILED(requestResult) ? requestResult : sessionResult;
}

}  // namespace korvi
