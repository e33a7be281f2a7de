// TSF declarations that mingw-w64 10's msctf.h and ctfutb.h lack, with the IIDs and method order of
// the Windows SDK. Each block is guarded by the macro that mingw's own headers define for the same
// thing, so a later mingw that declares it wins and this header adds nothing.
//
// The IIDs are defined here (selectany, like DEFINE_GUID under INITGUID) because mingw's libuuid
// lacks them too; any number of translation units may include this header.
#pragma once

#include <msctf.h>
#include <windows.h>

// ---------------------------------------------------------------------------------------------
// Result codes. mingw has TF_E_NOLOCK and a few others, but not these; the values are the text
// store's TS_* codes, which TSF reuses.
#ifndef TF_E_SYNCHRONOUS
#define TF_E_SYNCHRONOUS MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0208)
#endif
#ifndef TF_E_READONLY
#define TF_E_READONLY MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0209)
#endif
#ifndef TF_E_INVALIDPOS
#define TF_E_INVALIDPOS MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0200)
#endif
#ifndef TF_E_NOSELECTION
#define TF_E_NOSELECTION MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0205)
#endif
#ifndef TF_E_NOOBJECT
#define TF_E_NOOBJECT MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0202)
#endif
#ifndef TF_E_LOCKED
#define TF_E_LOCKED MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0500)
#endif
#ifndef TF_E_NOTOWNEDRANGE
#define TF_E_NOTOWNEDRANGE MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0502)
#endif
#ifndef TF_E_EMPTYCONTEXT
#define TF_E_EMPTYCONTEXT MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0509)
#endif
#ifndef TF_S_ASYNC
#define TF_S_ASYNC MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_ITF, 0x0300)
#endif

// Null values of TSF's handle types.
#ifndef TF_CLIENTID_NULL
#define TF_CLIENTID_NULL 0
#endif
#ifndef TF_INVALID_GUIDATOM
#define TF_INVALID_GUIDATOM 0
#endif
#ifndef TF_INVALID_EDIT_COOKIE
#define TF_INVALID_EDIT_COOKIE 0
#endif

// ---------------------------------------------------------------------------------------------
// Language-bar item styles (TF_LANGBARITEMINFO::dwStyle).
#ifndef TF_LBI_STYLE_HIDDENSTATUSCONTROL
#define TF_LBI_STYLE_HIDDENSTATUSCONTROL 0x00000001
#endif
#ifndef TF_LBI_STYLE_SHOWNINTRAY
#define TF_LBI_STYLE_SHOWNINTRAY 0x00000002
#endif
#ifndef TF_LBI_STYLE_HIDEONNOOTHERITEMS
#define TF_LBI_STYLE_HIDEONNOOTHERITEMS 0x00000004
#endif
#ifndef TF_LBI_STYLE_SHOWNINTRAYONLY
#define TF_LBI_STYLE_SHOWNINTRAYONLY 0x00000008
#endif
#ifndef TF_LBI_STYLE_HIDDENBYDEFAULT
#define TF_LBI_STYLE_HIDDENBYDEFAULT 0x00000010
#endif
#ifndef TF_LBI_STYLE_TEXTCOLORICON
#define TF_LBI_STYLE_TEXTCOLORICON 0x00000020
#endif
#ifndef TF_LBI_STYLE_BTN_BUTTON
#define TF_LBI_STYLE_BTN_BUTTON 0x00010000
#endif
#ifndef TF_LBI_STYLE_BTN_MENU
#define TF_LBI_STYLE_BTN_MENU 0x00020000
#endif
#ifndef TF_LBI_STYLE_BTN_TOGGLE
#define TF_LBI_STYLE_BTN_TOGGLE 0x00040000
#endif

// Language-bar item status (ITfLangBarItem::GetStatus).
#ifndef TF_LBI_STATUS_HIDDEN
#define TF_LBI_STATUS_HIDDEN 0x00000001
#endif
#ifndef TF_LBI_STATUS_DISABLED
#define TF_LBI_STATUS_DISABLED 0x00000002
#endif
#ifndef TF_LBI_STATUS_BTN_TOGGLED
#define TF_LBI_STATUS_BTN_TOGGLED 0x00010000
#endif

// What changed, for ITfLangBarItemSink::OnUpdate.
#ifndef TF_LBI_ICON
#define TF_LBI_ICON 0x00000001
#endif
#ifndef TF_LBI_TEXT
#define TF_LBI_TEXT 0x00000002
#endif
#ifndef TF_LBI_TOOLTIP
#define TF_LBI_TOOLTIP 0x00000004
#endif
#ifndef TF_LBI_BITMAP
#define TF_LBI_BITMAP 0x00000008
#endif
#ifndef TF_LBI_BALLOON
#define TF_LBI_BALLOON 0x00000010
#endif
#ifndef TF_LBI_CUSTOMUI
#define TF_LBI_CUSTOMUI 0x00000020
#endif
#ifndef TF_LBI_STATUS
#define TF_LBI_STATUS 0x00010000
#endif

// ---------------------------------------------------------------------------------------------
// ITfMenu: the language bar's menu, filled by a button's InitMenu.
#ifndef __ITfMenu_INTERFACE_DEFINED__
#define __ITfMenu_INTERFACE_DEFINED__

#define TF_LBMENUF_CHECKED 0x01
#define TF_LBMENUF_SUBMENU 0x02
#define TF_LBMENUF_SEPARATOR 0x04
#define TF_LBMENUF_RADIOCHECKED 0x08
#define TF_LBMENUF_GRAYED 0x10

EXTERN_C const IID DECLSPEC_SELECTANY IID_ITfMenu = {
    0x6f8a98e4, 0xaaa0, 0x4f15, {0x8c, 0x5b, 0x07, 0xe0, 0xdf, 0x0a, 0x3d, 0xd8}};

MIDL_INTERFACE("6f8a98e4-aaa0-4f15-8c5b-07e0df0a3dd8")
ITfMenu : public IUnknown {
  // ppMenu is in/out: non-null asks for the submenu that a TF_LBMENUF_SUBMENU item opens.
  virtual HRESULT STDMETHODCALLTYPE AddMenuItem(UINT uId, DWORD dwFlags, HBITMAP hbmp,
                                                HBITMAP hbmpMask, const WCHAR* pch, ULONG cch,
                                                ITfMenu** ppMenu) = 0;
};
__CRT_UUID_DECL(ITfMenu, 0x6f8a98e4, 0xaaa0, 0x4f15, 0x8c, 0x5b, 0x07, 0xe0, 0xdf, 0x0a, 0x3d, 0xd8)

#endif  // __ITfMenu_INTERFACE_DEFINED__

// ---------------------------------------------------------------------------------------------
// ITfLangBarItemButton: a button (or menu) item on the language bar.
#ifndef __ITfLangBarItemButton_INTERFACE_DEFINED__
#define __ITfLangBarItemButton_INTERFACE_DEFINED__

typedef enum TfLBIClick { TF_LBI_CLK_RIGHT = 1, TF_LBI_CLK_LEFT = 2 } TfLBIClick;

EXTERN_C const IID DECLSPEC_SELECTANY IID_ITfLangBarItemButton = {
    0x28c7f1d0, 0xde25, 0x11d2, {0xaf, 0xdd, 0x00, 0x10, 0x5a, 0x27, 0x99, 0xb5}};

MIDL_INTERFACE("28c7f1d0-de25-11d2-afdd-00105a2799b5")
ITfLangBarItemButton : public ITfLangBarItem {
  virtual HRESULT STDMETHODCALLTYPE OnClick(TfLBIClick click, POINT pt, const RECT* prcArea) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitMenu(ITfMenu * pMenu) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnMenuSelect(UINT wID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIcon(HICON * phIcon) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetText(BSTR * pbstrText) = 0;
};
__CRT_UUID_DECL(ITfLangBarItemButton, 0x28c7f1d0, 0xde25, 0x11d2, 0xaf, 0xdd, 0x00, 0x10, 0x5a,
                0x27, 0x99, 0xb5)

#endif  // __ITfLangBarItemButton_INTERFACE_DEFINED__

// ---------------------------------------------------------------------------------------------
// ITfDisplayAttributeProvider: how TSF asks a text service for its display attributes.
#ifndef __ITfDisplayAttributeProvider_INTERFACE_DEFINED__
#define __ITfDisplayAttributeProvider_INTERFACE_DEFINED__

EXTERN_C const IID DECLSPEC_SELECTANY IID_ITfDisplayAttributeProvider = {
    0xfee47777, 0x163c, 0x4769, {0x99, 0x6a, 0x6e, 0x9c, 0x50, 0xad, 0x8f, 0x54}};

MIDL_INTERFACE("fee47777-163c-4769-996a-6e9c50ad8f54")
ITfDisplayAttributeProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo *
                                                             *ppEnum) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDisplayAttributeInfo(REFGUID guid,
                                                            ITfDisplayAttributeInfo * *ppInfo) = 0;
};
__CRT_UUID_DECL(ITfDisplayAttributeProvider, 0xfee47777, 0x163c, 0x4769, 0x99, 0x6a, 0x6e, 0x9c,
                0x50, 0xad, 0x8f, 0x54)

#endif  // __ITfDisplayAttributeProvider_INTERFACE_DEFINED__
