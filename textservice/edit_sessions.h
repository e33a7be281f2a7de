// The text service's edit sessions: one base that holds the context and the service,
// and one small class per purpose. A creator requests a session from the context and
// drops its own reference at once; TSF keeps the session while it needs it.
#pragma once

#include <msctf.h>
#include <windows.h>

#include "textservice/com/com_object.h"
#include "textservice/com/com_ptr.h"
#include "textservice/module.h"

namespace korvi {

class CTextService;

class CEditSessionBase : public ComObject<ModuleObjectCounted, ITfEditSession> {
 public:
  // Holds the context and the owner for the session's life.
  CEditSessionBase(ITfContext* context, CTextService* owner);

 protected:
  ~CEditSessionBase() override;

  ITfContext* context() const { return context_.Get(); }
  CTextService* owner() const { return owner_; }

 private:
  ComPtr<ITfContext> context_;
  CTextService* owner_;  // referenced through its primary interface
};

// Runs the key dispatch for one taken key.
class CKeyHandlerEditSession final : public CEditSessionBase {
 public:
  CKeyHandlerEditSession(ITfContext* context, CTextService* owner, WPARAM virtualKey)
      : CEditSessionBase(context, owner), virtualKey_(virtualKey) {}
  STDMETHODIMP DoEditSession(TfEditCookie ec) override;

 private:
  WPARAM virtualKey_;
};

// Opens a composition at the selection.
class CStartCompositionEditSession final : public CEditSessionBase {
 public:
  using CEditSessionBase::CEditSessionBase;
  STDMETHODIMP DoEditSession(TfEditCookie ec) override;
};

// Ends the composition.
class CEndCompositionEditSession final : public CEditSessionBase {
 public:
  using CEditSessionBase::CEditSessionBase;
  STDMETHODIMP DoEditSession(TfEditCookie ec) override;
};

// Reads the selection; with lookUp it also hands a non-empty one to the lookup server.
class CLookupSelectionEditSession final : public CEditSessionBase {
 public:
  CLookupSelectionEditSession(ITfContext* context, CTextService* owner, bool lookUp)
      : CEditSessionBase(context, owner), lookUp_(lookUp) {}
  STDMETHODIMP DoEditSession(TfEditCookie ec) override;
  bool selectionFound() const { return selectionFound_; }

 private:
  bool lookUp_;
  bool selectionFound_ = false;
};

// Requests session from context for the client; the result of the request, or that of
// the session when it ran at once, is not looked at by the callers.
HRESULT RequestSession(ITfContext* context, TfClientId clientId, ITfEditSession* session,
                       DWORD flags);

}  // namespace korvi
