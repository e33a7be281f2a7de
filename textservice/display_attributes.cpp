#include "textservice/display_attributes.h"

#include <cstring>

#include "settings/settings_store.h"

namespace korvi {

// {92FC3E64-3D73-46C0-AEC2-067A85297842}
const GUID kInputAttributeGuid = {
    0x92fc3e64, 0x3d73, 0x46c0, {0xae, 0xc2, 0x06, 0x7a, 0x85, 0x29, 0x78, 0x42}};
// {218F9AF6-2321-43BF-BE38-B465A39140F9}
const GUID kConvertedAttributeGuid = {
    0x218f9af6, 0x2321, 0x43bf, {0xbe, 0x38, 0xb4, 0x65, 0xa3, 0x91, 0x40, 0xf9}};

const TF_DISPLAYATTRIBUTE kInputAttributeDefault = {
    {TF_CT_COLORREF, {0x000000FF}},  // text: red
    {TF_CT_NONE, {0}},               // background
    TF_LS_SOLID,
    FALSE,
    {TF_CT_COLORREF, {0x000000FF}},  // underline: red
    TF_ATTR_INPUT,
};

const TF_DISPLAYATTRIBUTE kConvertedAttributeDefault = {
    {TF_CT_COLORREF, {0x00FFFFFF}},  // text: white
    {TF_CT_COLORREF, {0x00FF0000}},  // background: blue
    TF_LS_NONE,
    FALSE,
    {TF_CT_NONE, {0}},
    TF_ATTR_TARGET_CONVERTED,
};

// The registry keeps the record in the platform's own layout.
static_assert(sizeof(TF_DISPLAYATTRIBUTE) == kAttributeRecordBytes);

namespace {

ComPtr<ITfDisplayAttributeInfo> MakeInfo(LONG index) {
  if (index == 0)
    return MakeComObject<CDisplayAttributeInfoInput>();
  return MakeComObject<CDisplayAttributeInfoConverted>();
}

}  // namespace

STDMETHODIMP CDisplayAttributeInfo::GetGUID(GUID* guid) {
  if (!guid)
    return E_INVALIDARG;
  *guid = *guid_;
  return S_OK;
}

STDMETHODIMP CDisplayAttributeInfo::GetDescription(BSTR* description) {
  if (!description)
    return E_INVALIDARG;
  *description = nullptr;
  *description = SysAllocString(description_);
  return *description ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CDisplayAttributeInfo::GetAttributeInfo(TF_DISPLAYATTRIBUTE* attribute) {
  if (!attribute)
    return E_INVALIDARG;
  uint8_t record[kAttributeRecordBytes];
  if (ReadAttributeRecord(valueName_, record)) {
    memcpy(attribute, record, sizeof record);
  } else {
    *attribute = *defaultAttribute_;
  }
  return S_OK;
}

STDMETHODIMP CDisplayAttributeInfo::SetAttributeInfo(const TF_DISPLAYATTRIBUTE* attribute) {
  if (!attribute)
    return E_INVALIDARG;
  uint8_t record[kAttributeRecordBytes];
  memcpy(record, attribute, sizeof record);
  return WriteAttributeRecord(valueName_, record) ? S_OK : E_FAIL;
}

STDMETHODIMP CDisplayAttributeInfo::Reset() {
  return SetAttributeInfo(defaultAttribute_);
}

CDisplayAttributeInfoInput::CDisplayAttributeInfoInput()
    : CDisplayAttributeInfo(&kInputAttributeGuid, &kInputAttributeDefault,
                            L"TextService Display Attribute Input", kInputAttributeValueName) {}

CDisplayAttributeInfoConverted::CDisplayAttributeInfoConverted()
    : CDisplayAttributeInfo(&kConvertedAttributeGuid, &kConvertedAttributeDefault,
                            L"TextService Display Attribute Converted",
                            kConvertedAttributeValueName) {}

STDMETHODIMP CEnumDisplayAttributeInfo::Clone(IEnumTfDisplayAttributeInfo** clone) {
  if (!clone)
    return E_INVALIDARG;
  *clone = nullptr;
  auto copy = MakeComObject<CEnumDisplayAttributeInfo>(index_);
  if (!copy)
    return E_OUTOFMEMORY;
  *clone = copy.Detach();
  return S_OK;
}

STDMETHODIMP CEnumDisplayAttributeInfo::Next(ULONG count, ITfDisplayAttributeInfo** infos,
                                             ULONG* fetched) {
  if (count == 0)
    return S_OK;
  if (!infos)
    return E_INVALIDARG;
  ULONG stored = 0;
  while (stored < count && (index_ == 0 || index_ == 1)) {
    ComPtr<ITfDisplayAttributeInfo> info = MakeInfo(index_);
    if (!info)
      break;
    infos[stored++] = info.Detach();
    ++index_;
  }
  if (fetched)
    *fetched = stored;
  return stored == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumDisplayAttributeInfo::Reset() {
  index_ = 0;
  return S_OK;
}

STDMETHODIMP CEnumDisplayAttributeInfo::Skip(ULONG count) {
  if (count != 0 && index_ == 0)
    index_ = 1;
  return S_OK;
}

HRESULT EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  auto enumerator = MakeComObject<CEnumDisplayAttributeInfo>();
  if (!enumerator)
    return E_OUTOFMEMORY;
  *out = enumerator.Detach();
  return S_OK;
}

HRESULT GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out) {
  if (!out)
    return E_INVALIDARG;
  *out = nullptr;
  LONG index;
  if (IsEqualGUID(guid, kInputAttributeGuid)) {
    index = 0;
  } else if (IsEqualGUID(guid, kConvertedAttributeGuid)) {
    index = 1;
  } else {
    return E_INVALIDARG;
  }
  ComPtr<ITfDisplayAttributeInfo> info = MakeInfo(index);
  if (!info)
    return E_OUTOFMEMORY;
  *out = info.Detach();
  return S_OK;
}

}  // namespace korvi
