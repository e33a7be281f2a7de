#include "textservice/guids.h"

#include <cwchar>

namespace korvi {

// {836FD769-192B-428C-9B38-4E804C92D7E1}
const CLSID kTextServiceClsid = {
    0x836fd769, 0x192b, 0x428c, {0x9b, 0x38, 0x4e, 0x80, 0x4c, 0x92, 0xd7, 0xe1}};
// {C3F11CAF-DB37-42B3-BDCB-AB0A59A0988F}
const GUID kLanguageProfileGuid = {
    0xc3f11caf, 0xdb37, 0x42b3, {0xbd, 0xcb, 0xab, 0x0a, 0x59, 0xa0, 0x98, 0x8f}};
// {2C2AA8E8-F25F-4B75-ABD5-44B40A31FE24}
const GUID kPreservedKeyGuid = {
    0x2c2aa8e8, 0xf25f, 0x4b75, {0xab, 0xd5, 0x44, 0xb4, 0x0a, 0x31, 0xfe, 0x24}};
// {0F32690B-19F0-417C-BC11-B85B344EF3EA}
const GUID kLangBarButtonGuid = {
    0x0f32690b, 0x19f0, 0x417c, {0xbc, 0x11, 0xb8, 0x5b, 0x34, 0x4e, 0xf3, 0xea}};

GuidText FormatGuid(const GUID& g) {
  GuidText out{};
  swprintf(out.text, 39, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
           static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
           g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return out;
}

ClassKeyPath TextServiceClassKeyPath() {
  ClassKeyPath out{};
  swprintf(out.text, 45, L"CLSID\\%ls", FormatGuid(kTextServiceClsid).text);
  return out;
}

}  // namespace korvi
