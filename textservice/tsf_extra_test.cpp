// The declarations that fill mingw's gaps must match the SDK bit for bit: a wrong IID makes
// QueryInterface miss, a wrong slot order calls the wrong method.
#include "tsf_extra.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring IidText(const IID& iid) {
  wchar_t text[40] = {};
  StringFromGUID2(iid, text, 40);
  return text;
}

TEST(TsfExtra, IidsAreTheDocumentedOnes) {
  struct Case {
    const IID& iid;
    const IID& uuidof;
    const wchar_t* text;
  };
  const Case cases[] = {
      {IID_ITfLangBarItemButton, __uuidof(ITfLangBarItemButton),
       L"{28C7F1D0-DE25-11D2-AFDD-00105A2799B5}"},
      {IID_ITfMenu, __uuidof(ITfMenu), L"{6F8A98E4-AAA0-4F15-8C5B-07E0DF0A3DD8}"},
      {IID_ITfDisplayAttributeProvider, __uuidof(ITfDisplayAttributeProvider),
       L"{FEE47777-163C-4769-996A-6E9C50AD8F54}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IidText(c.iid), c.text);
    EXPECT_TRUE(IsEqualIID(c.iid, c.uuidof)) << IidText(c.iid);
  }
}

TEST(TsfExtra, ConstantsAreTheDocumentedOnes) {
  EXPECT_EQ(TF_LBI_STYLE_BTN_MENU, 0x00020000);
  EXPECT_EQ(TF_LBI_STYLE_BTN_BUTTON, 0x00010000);
  EXPECT_EQ(TF_LBI_STYLE_BTN_TOGGLE, 0x00040000);
  EXPECT_EQ(TF_LBMENUF_CHECKED, 0x01);
  EXPECT_EQ(TF_LBMENUF_SUBMENU, 0x02);
  EXPECT_EQ(TF_LBMENUF_SEPARATOR, 0x04);
  EXPECT_EQ(TF_LBMENUF_RADIOCHECKED, 0x08);
  EXPECT_EQ(TF_LBMENUF_GRAYED, 0x10);
  EXPECT_EQ(TF_E_SYNCHRONOUS, static_cast<HRESULT>(0x80040208));
  EXPECT_EQ(TF_S_ASYNC, static_cast<HRESULT>(0x00040300));
}

// A button whose methods record their slot: called through a plain vtable, each index must reach
// the method that the SDK puts there.
class SlotButton : public ITfLangBarItemButton {
 public:
  int last = -1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return Hit(0); }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(Hit(1)); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(Hit(2)); }
  HRESULT STDMETHODCALLTYPE GetInfo(TF_LANGBARITEMINFO*) override { return Hit(3); }
  HRESULT STDMETHODCALLTYPE GetStatus(DWORD*) override { return Hit(4); }
  HRESULT STDMETHODCALLTYPE Show(BOOL) override { return Hit(5); }
  HRESULT STDMETHODCALLTYPE GetTooltipString(BSTR*) override { return Hit(6); }
  HRESULT STDMETHODCALLTYPE OnClick(TfLBIClick, POINT, const RECT*) override { return Hit(7); }
  HRESULT STDMETHODCALLTYPE InitMenu(ITfMenu*) override { return Hit(8); }
  HRESULT STDMETHODCALLTYPE OnMenuSelect(UINT) override { return Hit(9); }
  HRESULT STDMETHODCALLTYPE GetIcon(HICON*) override { return Hit(10); }
  HRESULT STDMETHODCALLTYPE GetText(BSTR*) override { return Hit(11); }

 private:
  HRESULT Hit(int slot) {
    last = slot;
    return S_OK;
  }
};

TEST(TsfExtra, ButtonSlotsFollowTheSdkOrder) {
  SlotButton button;
  void** vtable = *reinterpret_cast<void***>(static_cast<ITfLangBarItemButton*>(&button));
  // Slots 8 to 11 take one pointer-sized argument, so they can be called uniformly.
  using OneArg = HRESULT(STDMETHODCALLTYPE*)(ITfLangBarItemButton*, void*);
  for (int slot : {8, 10, 11}) {
    reinterpret_cast<OneArg>(vtable[slot])(&button, nullptr);
    EXPECT_EQ(button.last, slot);
  }
  using UintArg = HRESULT(STDMETHODCALLTYPE*)(ITfLangBarItemButton*, UINT);
  reinterpret_cast<UintArg>(vtable[9])(&button, 0);
  EXPECT_EQ(button.last, 9);
}

}  // namespace
