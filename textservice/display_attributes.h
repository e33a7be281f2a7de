// The service's two display attributes: the input attribute on text being composed, and the
// converted attribute that Escape puts on a word handed to the lookup server.
//
// TSF reads them through CTextService's ITfDisplayAttributeProvider, whose two methods forward to
// EnumDisplayAttributeInfo and GetDisplayAttributeInfo below. Every call makes fresh objects; each
// object reads the per-user override from the registry each time it is asked, so a change that
// one process writes is seen by the next reader anywhere. Every object counts itself in the module
// object count while it lives.
#pragma once

#include <msctf.h>
#include <windows.h>

#include "textservice/com/com_object.h"
#include "textservice/module.h"

namespace korvi {

extern const GUID kInputAttributeGuid;
extern const GUID kConvertedAttributeGuid;

// Red text with a solid red underline; white text on blue.
extern const TF_DISPLAYATTRIBUTE kInputAttributeDefault;
extern const TF_DISPLAYATTRIBUTE kConvertedAttributeDefault;

// Value names of the overrides under the display-attribute key of the settings store.
inline constexpr wchar_t kInputAttributeValueName[] = L"DisplayAttributeInput";
inline constexpr wchar_t kConvertedAttributeValueName[] = L"DisplayAttributeConverted";

// One attribute over constant data; the two kinds differ only in what they are made with.
class CDisplayAttributeInfo : public ComObject<ModuleObjectCounted, ITfDisplayAttributeInfo> {
 public:
  STDMETHODIMP GetGUID(GUID* guid) override;
  STDMETHODIMP GetDescription(BSTR* description) override;
  // The override when the registry holds exactly 36 bytes for it, otherwise the default.
  STDMETHODIMP GetAttributeInfo(TF_DISPLAYATTRIBUTE* attribute) override;
  // Stores the attribute per user; E_FAIL when the key or the value cannot be written.
  STDMETHODIMP SetAttributeInfo(const TF_DISPLAYATTRIBUTE* attribute) override;
  // Writes the default (it does not merely forget the override).
  STDMETHODIMP Reset() override;

 protected:
  CDisplayAttributeInfo(const GUID* guid, const TF_DISPLAYATTRIBUTE* defaultAttribute,
                        const wchar_t* description, const wchar_t* valueName)
      : guid_(guid),
        defaultAttribute_(defaultAttribute),
        description_(description),
        valueName_(valueName) {}

 private:
  const GUID* guid_;
  const TF_DISPLAYATTRIBUTE* defaultAttribute_;
  const wchar_t* description_;
  const wchar_t* valueName_;
};

class CDisplayAttributeInfoInput final : public CDisplayAttributeInfo {
 public:
  CDisplayAttributeInfoInput();
};

class CDisplayAttributeInfoConverted final : public CDisplayAttributeInfo {
 public:
  CDisplayAttributeInfoConverted();
};

// Enumerates the input attribute (index 0), then the converted one (index 1).
class CEnumDisplayAttributeInfo final
    : public ComObject<ModuleObjectCounted, IEnumTfDisplayAttributeInfo> {
 public:
  explicit CEnumDisplayAttributeInfo(LONG index = 0) : index_(index) {}

  STDMETHODIMP Clone(IEnumTfDisplayAttributeInfo** clone) override;
  // S_OK when count objects were stored, S_FALSE when fewer; count 0 touches nothing.
  STDMETHODIMP Next(ULONG count, ITfDisplayAttributeInfo** infos, ULONG* fetched) override;
  STDMETHODIMP Reset() override;
  // Any non-zero count from the start moves to the converted attribute, not past it.
  STDMETHODIMP Skip(ULONG count) override;

 private:
  LONG index_;
};

// ITfDisplayAttributeProvider's methods. A null out pointer, and for GetDisplayAttributeInfo any
// GUID but the two above, give E_INVALIDARG.
HRESULT EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out);
HRESULT GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out);

}  // namespace korvi
