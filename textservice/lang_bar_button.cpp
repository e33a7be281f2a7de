#include "textservice/lang_bar_button.h"

#include <olectl.h>

#include <cwchar>

#include "engine/convert.h"
#include "settings/settings_store.h"
#include "textservice/companion.h"
#include "textservice/guids.h"
#include "textservice/resource.h"

namespace korvi {
namespace {

constexpr wchar_t kButtonText[] = L"Options";

struct LayoutEntry {
  UINT id;
  const wchar_t* text;
  int32_t layoutNumber;
};

// The submenu in its order, which is not the order of the layout numbers.
const LayoutEntry kLayoutEntries[] = {
    {kMenuLayoutKorvi, L"கொர்வி [Korvi]", 0},
    {kMenuLayoutTamil99, L"தமிழ்-99 [Tamil-99]", 1},
    {kMenuLayoutMoeSingapore, L"தமிழ்-99 [MOE-Singapore]", 1},
    {kMenuLayoutVelona6, L"வெலோனா-6 [Velona-6]", 7},
    {kMenuLayoutVelona7, L"வெலோனா-7 [Velona-7]", 2},
    {kMenuLayoutOldTw, L"பழைய தட்டச்சு [Old TW]", 5},
    {kMenuLayoutNewTw, L"புதிய தட்டச்சு [New TW]", 4},
    {kMenuLayoutMylai, L"மயிலை [Mylai]", 3},
};

BSTR NewButtonText() {
  return SysAllocString(kButtonText);
}

}  // namespace

std::vector<LangBarMenuEntry> BuildLangBarMenu(const LangBarMenuState& state) {
  std::vector<LangBarMenuEntry> entries;
  const LangBarMenuEntry separator = {0, TF_LBMENUF_SEPARATOR, L"", false};
  entries.push_back({kMenuInputMethod, TF_LBMENUF_SUBMENU, L"Input Method", false});
  for (const LayoutEntry& layout : kLayoutEntries) {
    bool checked = state.layoutNumber == layout.layoutNumber;
    if (layout.id == kMenuLayoutTamil99)
      checked = checked && state.tamil99Rules;
    if (layout.id == kMenuLayoutMoeSingapore)
      checked = checked && !state.tamil99Rules;
    entries.push_back({layout.id, checked ? DWORD{TF_LBMENUF_CHECKED} : 0, layout.text, true});
  }
  entries.push_back(separator);
  if (state.selectionFound) {
    entries.push_back({kMenuLookupSelection, 0, L"Lookup Selection", false});
    entries.push_back(separator);
  }
  entries.push_back({kMenuVisualKeyboard, 0, L"Visual Keyboard", false});
  entries.push_back({kMenuCharacterPalette, 0, L"Character Palette", false});
  entries.push_back(separator);
  DWORD modeFlags = 0;
  if (state.inputDisabled) {
    modeFlags = TF_LBMENUF_GRAYED;
  } else if (state.tamilMode) {
    modeFlags = TF_LBMENUF_CHECKED;
  }
  entries.push_back({kMenuTamilMode, modeFlags, L"Tamil Mode [F12]", false});
  entries.push_back(separator);
  entries.push_back({kMenuAbout, 0, L"About Velona Korvi", false});
  return entries;
}

int32_t LayoutForMenuId(UINT id) {
  for (const LayoutEntry& layout : kLayoutEntries) {
    if (layout.id == id)
      return layout.layoutNumber;
  }
  return -1;
}

AboutText FormatAboutText(const wchar_t* name, const wchar_t* version) {
  AboutText out{};
  swprintf(out.text, 1000,
           L"வெலோனா கொர்வி\n"
           L"%ls Version %ls\n"
           L"\n"
           L"Copyright (c) Velona Systems. All rights reserved.\n"
           L"This program is protected by copyright law and international treaties.\n"
           L"Unauthorised copying or distribution of it, or of any part of it, is prohibited.",
           name, version);
  return out;
}

CLangBarItemButton::CLangBarItemButton(LangBarOwner* owner)
    : owner_(owner), ownerReference_(owner->OwnerObject()), info_{} {
  info_.clsidService = kTextServiceClsid;
  info_.guidItem = kLangBarButtonGuid;
  info_.dwStyle = TF_LBI_STYLE_BTN_MENU;
  info_.ulSort = 0;
  wcsncpy(info_.szDescription, kButtonText, TF_LBI_DESC_MAXLEN - 1);
  info_.szDescription[TF_LBI_DESC_MAXLEN - 1] = L'\0';
}

STDMETHODIMP CLangBarItemButton::GetInfo(TF_LANGBARITEMINFO* info) {
  if (!info)
    return E_INVALIDARG;
  *info = info_;
  return S_OK;
}

STDMETHODIMP CLangBarItemButton::GetStatus(DWORD* status) {
  if (!status)
    return E_INVALIDARG;
  *status = 0;
  return S_OK;
}

STDMETHODIMP CLangBarItemButton::Show(BOOL) {
  return E_NOTIMPL;
}

STDMETHODIMP CLangBarItemButton::GetTooltipString(BSTR* tooltip) {
  if (!tooltip)
    return E_INVALIDARG;
  *tooltip = NewButtonText();
  return *tooltip ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CLangBarItemButton::OnClick(TfLBIClick, POINT, const RECT*) {
  return S_OK;
}

STDMETHODIMP CLangBarItemButton::InitMenu(ITfMenu* menu) {
  if (!menu)
    return S_OK;
  LangBarMenuState state;
  state.layoutNumber = owner_->layoutNumber();
  state.tamil99Rules = Tamil99Rules();
  state.selectionFound = owner_->CheckSelection(false);
  state.inputDisabled = owner_->IsInputDisabled();
  state.tamilMode = owner_->tamilMode();
  ComPtr<ITfMenu> submenu;
  bool haveSubmenu = false;
  for (const LangBarMenuEntry& entry : BuildLangBarMenu(state)) {
    const auto length = static_cast<ULONG>(wcslen(entry.text));
    if (entry.inSubmenu) {
      // Without a submenu the layout entries are missing from this opening only.
      if (haveSubmenu) {
        submenu->AddMenuItem(entry.id, entry.flags, nullptr, nullptr, entry.text, length, nullptr);
      }
    } else if (entry.flags & TF_LBMENUF_SUBMENU) {
      haveSubmenu = SUCCEEDED(menu->AddMenuItem(entry.id, entry.flags, nullptr, nullptr, entry.text,
                                                length, submenu.Put())) &&
                    submenu;
    } else {
      menu->AddMenuItem(entry.id, entry.flags, nullptr, nullptr, entry.text, length, nullptr);
    }
  }
  return S_OK;
}

STDMETHODIMP CLangBarItemButton::OnMenuSelect(UINT id) {
  const int32_t layout = LayoutForMenuId(id);
  if (layout >= 0) {
    owner_->SetLayoutNumber(layout);
    WriteLayoutNumber(layout);
    if (id == kMenuLayoutTamil99)
      SetTamil99Rules(true);
    if (id == kMenuLayoutMoeSingapore)
      SetTamil99Rules(false);
    return S_OK;
  }
  switch (id) {
    case kMenuLookupSelection:
      owner_->CheckSelection(true);
      break;
    case kMenuVisualKeyboard:
    case kMenuCharacterPalette:
      ShowCompanionKeyboard(id);
      break;
    case kMenuTamilMode:
      owner_->SetTamilMode(!owner_->tamilMode());
      break;
    case kMenuAbout: {
      wchar_t name[400];
      wchar_t version[400];
      ReadSetting(L"korviname", name, 400);
      ReadSetting(L"korviversion", version, 400);
      MessageBoxW(nullptr, FormatAboutText(name, version).text, L"About Velona Korvi",
                  MB_OK | MB_ICONINFORMATION);
      break;
    }
    default:
      break;
  }
  return S_OK;
}

STDMETHODIMP CLangBarItemButton::GetIcon(HICON* icon) {
  if (!icon)
    return E_INVALIDARG;
  *icon = static_cast<HICON>(LoadImageW(ModuleHandle(), MAKEINTRESOURCEW(IDI_TEXTSERVICE),
                                        IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  return *icon ? S_OK : E_FAIL;
}

STDMETHODIMP CLangBarItemButton::GetText(BSTR* text) {
  if (!text)
    return E_INVALIDARG;
  *text = NewButtonText();
  return *text ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CLangBarItemButton::AdviseSink(REFIID iid, IUnknown* sink, DWORD* cookie) {
  if (!IsEqualIID(iid, IID_ITfLangBarItemSink))
    return CONNECT_E_CANNOTCONNECT;
  if (sink_)
    return CONNECT_E_ADVISELIMIT;
  if (!sink || !cookie)
    return E_INVALIDARG;
  if (FAILED(sink->QueryInterface(IID_ITfLangBarItemSink, sink_.PutVoid()))) {
    sink_.Reset();
    return E_NOINTERFACE;
  }
  *cookie = kLangBarSinkCookie;
  return S_OK;
}

STDMETHODIMP CLangBarItemButton::UnadviseSink(DWORD cookie) {
  if (cookie != kLangBarSinkCookie || !sink_)
    return CONNECT_E_NOCONNECTION;
  sink_.Reset();
  return S_OK;
}

}  // namespace korvi
