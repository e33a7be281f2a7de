// CLangBarItemButton: the "Options" button on the language bar and its menu. The
// button keeps no state about modes or layouts; it reads and changes its owner's
// through LangBarOwner, and the menu's contents are a plain list (BuildLangBarMenu)
// so they can be checked without a language bar.
#pragma once

#include <ctfutb.h>
#include <msctf.h>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "textservice/com/com_object.h"
#include "textservice/com/com_ptr.h"
#include "textservice/module.h"
#include "textservice/tsf_extra.h"

namespace korvi {

// What the button needs of the text service.
class LangBarOwner {
 public:
  // The COM object that the button keeps alive while it exists.
  virtual IUnknown* OwnerObject() = 0;
  virtual int32_t layoutNumber() const = 0;
  virtual void SetLayoutNumber(int32_t layoutNumber) = 0;
  virtual bool tamilMode() const = 0;
  virtual void SetTamilMode(bool on) = 0;
  virtual bool IsInputDisabled() = 0;
  // Whether the focused context's selection holds text; with lookUp it is also handed
  // to the lookup server.
  virtual bool CheckSelection(bool lookUp) = 0;

 protected:
  ~LangBarOwner() = default;
};

// Menu command identifiers.
enum LangBarMenuId : UINT {
  kMenuInputMethod = 0,
  kMenuLayoutKorvi = 11,
  kMenuLayoutTamil99 = 12,
  kMenuLayoutMoeSingapore = 13,
  kMenuLayoutVelona6 = 14,
  kMenuLayoutVelona7 = 15,
  kMenuLayoutOldTw = 16,
  kMenuLayoutNewTw = 17,
  kMenuLayoutMylai = 18,
  kMenuLookupSelection = 20,
  kMenuVisualKeyboard = 30,
  kMenuCharacterPalette = 31,
  kMenuTamilMode = 60,
  kMenuAbout = 70,
};

// One entry of the menu as it is added; submenu entries belong to the last entry
// with TF_LBMENUF_SUBMENU.
struct LangBarMenuEntry {
  UINT id;
  DWORD flags;
  const wchar_t* text;
  bool inSubmenu;
};

// The state that the menu is built from at each opening.
struct LangBarMenuState {
  int32_t layoutNumber;
  bool tamil99Rules;
  bool selectionFound;
  bool inputDisabled;
  bool tamilMode;
};

std::vector<LangBarMenuEntry> BuildLangBarMenu(const LangBarMenuState& state);

// The layout number that a layout entry (11..18) selects; -1 for other ids.
int32_t LayoutForMenuId(UINT id);

// The About box text for the product name and version read from the settings.
struct AboutText {
  wchar_t text[1000];
};
AboutText FormatAboutText(const wchar_t* name, const wchar_t* version);

// The fixed cookie of the one sink the button accepts.
constexpr DWORD kLangBarSinkCookie = 0x0FAB0FAB;

// ITfLangBarItemButton also answers for its base interface.
template <>
struct ComInterfaceIds<ITfLangBarItemButton> {
  static bool Matches(REFIID iid) {
    return IsEqualIID(iid, IID_ITfLangBarItemButton) || IsEqualIID(iid, IID_ITfLangBarItem);
  }
};

class CLangBarItemButton final
    : public ComObject<ModuleObjectCounted, ITfLangBarItemButton, ITfSource> {
 public:
  explicit CLangBarItemButton(LangBarOwner* owner);

  // ITfLangBarItem
  STDMETHODIMP GetInfo(TF_LANGBARITEMINFO* info) override;
  STDMETHODIMP GetStatus(DWORD* status) override;
  STDMETHODIMP Show(BOOL show) override;
  STDMETHODIMP GetTooltipString(BSTR* tooltip) override;

  // ITfLangBarItemButton
  STDMETHODIMP OnClick(TfLBIClick click, POINT point, const RECT* area) override;
  STDMETHODIMP InitMenu(ITfMenu* menu) override;
  STDMETHODIMP OnMenuSelect(UINT id) override;
  STDMETHODIMP GetIcon(HICON* icon) override;
  STDMETHODIMP GetText(BSTR* text) override;

  // ITfSource
  STDMETHODIMP AdviseSink(REFIID iid, IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP UnadviseSink(DWORD cookie) override;

 private:
  ~CLangBarItemButton() override = default;

  LangBarOwner* owner_;
  ComPtr<IUnknown> ownerReference_;  // keeps the service alive while the button lives
  ComPtr<ITfLangBarItemSink> sink_;
  TF_LANGBARITEMINFO info_;
};

}  // namespace korvi
