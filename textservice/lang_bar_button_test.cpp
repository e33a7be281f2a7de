// The language-bar button of the real service in the model TSF host: the menu for each state,
// and what each choice does, read back from the registry, the service and the message boxes.
#include "textservice/lang_bar_button.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "textservice/service_fixture.h"

namespace korvi {
namespace {

using testing::GetRegistryValue;
using testing::SeenMessageBox;
using testing::ServiceTest;
using testing::Utf16Bytes;
using tsfmodel::MenuEntry;

constexpr DWORD kChecked = TF_LBMENUF_CHECKED;
const wchar_t kUserKey[] = L"Software\\Velona Systems\\Velona10\\ini";

class LangBarButtonTest : public ServiceTest {
 protected:
  // The ids of the checked submenu entries.
  std::vector<UINT> CheckedLayouts() {
    std::vector<UINT> checked;
    const std::vector<MenuEntry> menu = host().OpenMenu();
    for (const MenuEntry& e : menu.at(0).submenu) {
      if (e.flags & kChecked)
        checked.push_back(e.id);
    }
    return checked;
  }
  DWORD TamilModeFlags() {
    for (const MenuEntry& e : host().OpenMenu()) {
      if (e.id == kMenuTamilMode)
        return e.flags;
    }
    ADD_FAILURE() << "no Tamil Mode entry";
    return 0;
  }
};

TEST_F(LangBarButtonTest, MenuHasTheItemsInOrderWithTheirTexts) {
  Start();
  const MenuEntry separator = {0, TF_LBMENUF_SEPARATOR, L"", {}};
  const std::vector<MenuEntry> submenu = {
      {11, kChecked, L"கொர்வி [Korvi]", {}},    {12, 0, L"தமிழ்-99 [Tamil-99]", {}},
      {13, 0, L"தமிழ்-99 [MOE-Singapore]", {}}, {14, 0, L"வெலோனா-6 [Velona-6]", {}},
      {15, 0, L"வெலோனா-7 [Velona-7]", {}},     {16, 0, L"பழைய தட்டச்சு [Old TW]", {}},
      {17, 0, L"புதிய தட்டச்சு [New TW]", {}},   {18, 0, L"மயிலை [Mylai]", {}},
  };
  auto expect = [&](const std::vector<MenuEntry>& menu, bool lookup) {
    std::vector<MenuEntry> want = {{0, TF_LBMENUF_SUBMENU, L"Input Method", submenu}, separator};
    if (lookup) {
      want.push_back({20, 0, L"Lookup Selection", {}});
      want.push_back(separator);
    }
    for (const MenuEntry& e : std::vector<MenuEntry>{{30, 0, L"Visual Keyboard", {}},
                                                     {31, 0, L"Character Palette", {}},
                                                     separator,
                                                     {60, kChecked, L"Tamil Mode [F12]", {}},
                                                     separator,
                                                     {70, 0, L"About Velona Korvi", {}}}) {
      want.push_back(e);
    }
    ASSERT_EQ(menu.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(menu[i].id, want[i].id);
      EXPECT_EQ(menu[i].flags, want[i].flags);
      EXPECT_EQ(menu[i].text, want[i].text);
      ASSERT_EQ(menu[i].submenu.size(), want[i].submenu.size());
      for (size_t j = 0; j < want[i].submenu.size(); ++j) {
        EXPECT_EQ(menu[i].submenu[j].id, want[i].submenu[j].id);
        EXPECT_EQ(menu[i].submenu[j].flags, want[i].submenu[j].flags);
        EXPECT_EQ(menu[i].submenu[j].text, want[i].submenu[j].text);
      }
    }
  };
  expect(host().OpenMenu(), /*lookup=*/false);
  host().SetText(L"word");
  host().Select({0, 4});
  expect(host().OpenMenu(), /*lookup=*/true);
}

TEST_F(LangBarButtonTest, LayoutChoicesAreCheckedStoredAndKeptAcrossLoads) {
  Start();
  struct Case {
    UINT id;
    const wchar_t* stored;
  };
  for (const Case& c : {Case{13, L"1"}, Case{12, L"1"}, Case{14, L"7"}, Case{15, L"2"},
                        Case{16, L"5"}, Case{17, L"4"}, Case{18, L"3"}, Case{11, L"0"}}) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(host().ChooseMenuItem(c.id), S_OK);
    EXPECT_EQ(CheckedLayouts(), std::vector<UINT>{c.id});
    EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, kUserKey, L"imemode")->data,
              Utf16Bytes(c.stored));
  }
  // MOE-Singapore is stored as layout 1; a new service object in this process still has the
  // switch off, a freshly loaded library has it on again.
  ASSERT_EQ(host().ChooseMenuItem(13), S_OK);
  StopHost();
  Start();
  EXPECT_EQ(CheckedLayouts(), std::vector<UINT>{13});
  StopHost();
  factory_->Release();
  factory_ = nullptr;
  ASSERT_EQ(dll_.DllCanUnloadNow(), S_OK);
  ASSERT_TRUE(dll_.Reload());
  factory_ = dll_.Factory();
  ASSERT_NE(factory_, nullptr);
  Start();
  EXPECT_EQ(CheckedLayouts(), std::vector<UINT>{12});
}

TEST_F(LangBarButtonTest, LayoutSixHasNoCheckMark) {
  StoreLayout(L"6");
  Start();
  EXPECT_EQ(CheckedLayouts(), std::vector<UINT>{});
}

TEST_F(LangBarButtonTest, TamilModeEntryFollowsTheModeAndIsGreyedWhenDisabled) {
  Start();
  EXPECT_EQ(TamilModeFlags(), kChecked);
  ASSERT_EQ(host().ChooseMenuItem(60), S_OK);
  EXPECT_EQ(TamilModeFlags(), 0u);
  Type(L"k");
  EXPECT_EQ(host().Text(), L"k");
  ASSERT_EQ(host().ChooseMenuItem(60), S_OK);
  EXPECT_EQ(TamilModeFlags(), kChecked);

  // A composition is left alone by the menu's mode switch.
  Type(L"k");
  ASSERT_EQ(host().ChooseMenuItem(60), S_OK);
  EXPECT_EQ(host().CompositionCount(), 1);
  ASSERT_EQ(host().ChooseMenuItem(60), S_OK);

  host().Focus(tsfmodel::ModelHost::kNoFocus);
  EXPECT_EQ(TamilModeFlags(), DWORD{TF_LBMENUF_GRAYED});
}

TEST_F(LangBarButtonTest, AboutBoxShowsNameAndVersion) {
  ASSERT_TRUE(testing::SetRegistryValue(HKEY_CURRENT_USER, kUserKey, L"korviname", REG_SZ,
                                        Utf16Bytes(L"Velona Korvi 10")));
  ASSERT_TRUE(testing::SetRegistryValue(HKEY_CURRENT_USER, kUserKey, L"korviversion", REG_SZ,
                                        Utf16Bytes(L"10.2")));
  Start();
  ASSERT_EQ(host().ChooseMenuItem(70), S_OK);
  const std::vector<SeenMessageBox> boxes = boxes_.Take();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"About Velona Korvi");
  EXPECT_EQ(boxes[0].text.substr(0, boxes[0].text.find(L"\n\n")),
            L"வெலோனா கொர்வி\nVelona Korvi 10 Version 10.2");
  EXPECT_FALSE(boxes[0].hasOwner);
}

TEST_F(LangBarButtonTest, UnknownIdsDoNothing) {
  Start();
  Type(L"k");
  for (UINT id : {0u, 19u, 21u, 71u, 1000u}) {
    EXPECT_EQ(host().ChooseMenuItem(id), S_OK);
  }
  EXPECT_EQ(CheckedLayouts(), std::vector<UINT>{11});
  EXPECT_EQ(TamilModeFlags(), kChecked);
  EXPECT_EQ(host().Text(), L"க்");
  EXPECT_FALSE(GetRegistryValue(HKEY_CURRENT_USER, kUserKey, L"imemode"));
}

TEST_F(LangBarButtonTest, CompanionEntriesReachTheVisualKeyboard) {
  using testing::Sent;
  testing::RecordingWindow keyboard(L"KORVI10VKBDAPP");
  Start();
  keyboard.Clear();
  ASSERT_EQ(host().ChooseMenuItem(30), S_OK);
  ASSERT_EQ(host().ChooseMenuItem(31), S_OK);
  EXPECT_EQ(keyboard.Messages({WM_COMMAND}),
            (std::vector<testing::RecordedMessage>{Sent(WM_COMMAND, 9900, 'v'),
                                                   Sent(WM_COMMAND, 9900, 'c')}));
}

TEST_F(LangBarButtonTest, LookupSelectionHandsTheSelectionOver) {
  host_.emplace();
  host().PushDocument(L"tamil text");
  ASSERT_EQ(host().ActivateFromFactory(factory_), S_OK);
  host().Select({0, 5});
  ASSERT_EQ(host().ChooseMenuItem(20), S_OK);
  EXPECT_EQ(LookupFileBytes(), LookupBytesFor(L"tamil"));
  EXPECT_EQ(TakeLookupMessages(), 1);
}

// The button as the language bar sees it: info, texts, icon and the one sink it accepts.
TEST_F(LangBarButtonTest, ItemInfoTextsIconAndSinkAdvice) {
  Start();
  ITfLangBarItem* item = host().LangBarItem();
  ASSERT_NE(item, nullptr);
  TF_LANGBARITEMINFO info = {};
  ASSERT_EQ(item->GetInfo(&info), S_OK);
  EXPECT_EQ(info.dwStyle, DWORD{TF_LBI_STYLE_BTN_MENU});
  EXPECT_EQ(info.ulSort, 0u);
  EXPECT_STREQ(info.szDescription, L"Options");
  DWORD status = 1;
  EXPECT_EQ(item->GetStatus(&status), S_OK);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(item->Show(TRUE), E_NOTIMPL);
  BSTR tooltip = nullptr;
  ASSERT_EQ(item->GetTooltipString(&tooltip), S_OK);
  EXPECT_STREQ(tooltip, L"Options");
  SysFreeString(tooltip);

  ITfLangBarItemButton* button = nullptr;
  ASSERT_EQ(item->QueryInterface(IID_ITfLangBarItemButton, reinterpret_cast<void**>(&button)),
            S_OK);
  HICON icon = nullptr;
  EXPECT_EQ(button->GetIcon(&icon), S_OK);
  EXPECT_NE(icon, nullptr);
  DestroyIcon(icon);

  // The model's language bar already holds the one sink; a second is refused and the first
  // stays; a wrong cookie is no connection.
  ITfSource* source = nullptr;
  ASSERT_EQ(button->QueryInterface(IID_ITfSource, reinterpret_cast<void**>(&source)), S_OK);
  DWORD cookie = 0;
  EXPECT_EQ(source->AdviseSink(IID_ITfLangBarItemSink, button, &cookie), CONNECT_E_ADVISELIMIT);
  EXPECT_EQ(source->AdviseSink(IID_IUnknown, button, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(source->UnadviseSink(0x1234), CONNECT_E_NOCONNECTION);
  source->Release();
  button->Release();
}

// The button on its own, with a stand-in owner: the sink protocol and a menu that cannot give
// the submenu.
class FakeOwner final : public LangBarOwner {
 public:
  IUnknown* OwnerObject() override { return keepAlive_.Get(); }
  int32_t layoutNumber() const override { return layout_; }
  void SetLayoutNumber(int32_t layout) override { layout_ = layout; }
  bool tamilMode() const override { return true; }
  void SetTamilMode(bool) override {}
  bool IsInputDisabled() override { return false; }
  bool CheckSelection(bool) override { return false; }

 private:
  class Anchor final : public ComObject<NotCounted, ITfLangBarItemSink> {
   public:
    STDMETHODIMP OnUpdate(DWORD) override { return S_OK; }
  };
  ComPtr<Anchor> keepAlive_ = MakeComObject<Anchor>();
  int32_t layout_ = 0;
};

class PlainUnknown final : public ComObject<NotCounted, IPersist> {
 public:
  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
};

class Sink final : public ComObject<NotCounted, ITfLangBarItemSink> {
 public:
  STDMETHODIMP OnUpdate(DWORD) override { return S_OK; }
};

// Refuses to open submenus; records what it is given.
class NoSubmenuMenu final : public ComObject<NotCounted, ITfMenu> {
 public:
  STDMETHODIMP AddMenuItem(UINT id, DWORD flags, HBITMAP, HBITMAP, const WCHAR*, ULONG,
                           ITfMenu** submenu) override {
    if (flags & TF_LBMENUF_SUBMENU) {
      if (submenu)
        *submenu = nullptr;
      return E_FAIL;
    }
    ids.push_back(id);
    return S_OK;
  }
  std::vector<UINT> ids;
};

TEST(LangBarButtonAloneTest, AcceptsOneSinkThatSpeaksTheSinkInterface) {
  FakeOwner owner;
  {
    auto button = MakeComObject<CLangBarItemButton>(&owner);
    ASSERT_TRUE(button);
    auto plain = MakeComObject<PlainUnknown>();
    auto sink = MakeComObject<Sink>();
    DWORD cookie = 0;
    EXPECT_EQ(button->AdviseSink(IID_ITfLangBarItemSink, plain.Get(), &cookie), E_NOINTERFACE);
    EXPECT_EQ(button->UnadviseSink(kLangBarSinkCookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(button->AdviseSink(IID_ITfLangBarItemSink, sink.Get(), &cookie), S_OK);
    EXPECT_EQ(cookie, kLangBarSinkCookie);
    EXPECT_EQ(button->UnadviseSink(kLangBarSinkCookie), S_OK);
    EXPECT_EQ(button->UnadviseSink(kLangBarSinkCookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(button->AdviseSink(IID_ITfLangBarItemSink, sink.Get(), &cookie), S_OK);

    // Without a submenu the layout entries are missing; the rest of the menu is there.
    auto menu = MakeComObject<NoSubmenuMenu>();
    EXPECT_EQ(button->InitMenu(menu.Get()), S_OK);
    EXPECT_EQ(menu->ids, (std::vector<UINT>{0, 30, 31, 0, 60, 0, 70}));
  }
  EXPECT_TRUE(ModuleCanUnload());
}

}  // namespace
}  // namespace korvi
