// SinkAdvice: one sink advised on an ITfSource (a thread manager or a context), withdrawn again by
// Unadvise() or, at the latest, by the destructor. It keeps the source it advised on, so the
// withdrawal never depends on querying the source object a second time.
//
//   SinkAdvice threadMgrEvents;
//   HRESULT hr = threadMgrEvents.Advise(threadMgr, IID_ITfThreadMgrEventSink,
//                                       static_cast<ITfThreadMgrEventSink*>(this));
//   ...
//   threadMgrEvents.Unadvise();  // in Deactivate; harmless when never advised
#pragma once

#include <msctf.h>
#include <windows.h>

#include <utility>

#include "textservice/com/com_ptr.h"

namespace korvi {

class SinkAdvice {
 public:
  SinkAdvice() = default;
  SinkAdvice(const SinkAdvice&) = delete;
  SinkAdvice& operator=(const SinkAdvice&) = delete;
  SinkAdvice(SinkAdvice&& other) noexcept
      : source_(std::move(other.source_)),
        cookie_(std::exchange(other.cookie_, TF_INVALID_COOKIE)) {}
  SinkAdvice& operator=(SinkAdvice&& other) noexcept {
    if (this != &other) {
      Unadvise();
      source_ = std::move(other.source_);
      cookie_ = std::exchange(other.cookie_, TF_INVALID_COOKIE);
    }
    return *this;
  }
  ~SinkAdvice() { Unadvise(); }

  // Withdraws any earlier advice, then advises sink for sinkIid on the ITfSource of sourceObject.
  // On failure nothing stays advised and cookie() is TF_INVALID_COOKIE.
  HRESULT Advise(IUnknown* sourceObject, REFIID sinkIid, IUnknown* sink) {
    Unadvise();
    if (!sourceObject || !sink)
      return E_INVALIDARG;
    ComPtr<ITfSource> source;
    HRESULT hr = sourceObject->QueryInterface(IID_ITfSource, source.PutVoid());
    if (FAILED(hr))
      return hr;
    DWORD cookie = TF_INVALID_COOKIE;
    hr = source->AdviseSink(sinkIid, sink, &cookie);
    if (FAILED(hr))
      return hr;
    source_ = std::move(source);
    cookie_ = cookie;
    return S_OK;
  }

  // Withdraws the advice if there is one; errors of the source are ignored.
  void Unadvise() {
    if (cookie_ != TF_INVALID_COOKIE && source_)
      source_->UnadviseSink(cookie_);
    cookie_ = TF_INVALID_COOKIE;
    source_.Reset();
  }

  bool IsAdvised() const { return cookie_ != TF_INVALID_COOKIE; }
  DWORD cookie() const { return cookie_; }

 private:
  ComPtr<ITfSource> source_;
  DWORD cookie_ = TF_INVALID_COOKIE;
};

}  // namespace korvi
