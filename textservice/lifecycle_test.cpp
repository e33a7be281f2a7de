// Activation and deactivation of the real service in the model TSF host: what it installs,
// what a failing step leaves behind, the text-edit sink following the focus, and the state
// kept across deactivation.
#include <gtest/gtest.h>

#include <string>

#include "textservice/service_fixture.h"
#include "textservice/tsf_extra.h"

namespace korvi {
namespace {

using testing::ServiceTest;
using tsfmodel::Span;

class LifecycleTest : public ServiceTest {
 protected:
  void ExpectNothingInstalled() {
    EXPECT_EQ(host().ThreadMgrEventSinkCount(), 0);
    EXPECT_EQ(host().ThreadFocusSinkCount(), 0);
    EXPECT_EQ(host().KeyEventSinkCount(), 0);
    EXPECT_EQ(host().PreservedKeyCount(), 0);
    EXPECT_EQ(host().LangBarItemCount(), 0);
    for (int doc = 0; doc < static_cast<int>(host().threadMgr()->documentMgrs().size()); ++doc) {
      if (host().Context(doc)) {
        EXPECT_EQ(host().TextEditSinkCount(doc), 0);
      }
    }
    EXPECT_EQ(host().ThreadMgrForeignRefs(), 0u);
  }
};

TEST_F(LifecycleTest, ActivationInstallsSinksButtonKeyAndOpensTheKeyboard) {
  host_.emplace();
  host().PushDocument(L"");
  host().SetKeyboardOpen(false);
  ASSERT_EQ(host().ActivateFromFactory(factory_), S_OK);
  EXPECT_EQ(host().ThreadMgrEventSinkCount(), 1);
  EXPECT_EQ(host().ThreadFocusSinkCount(), 1);
  EXPECT_EQ(host().KeyEventSinkCount(), 1);
  EXPECT_EQ(host().TextEditSinkCount(), 1);
  EXPECT_EQ(host().LangBarItemCount(), 1);
  ASSERT_EQ(host().PreservedKeyCount(), 1);
  const auto& key = host().PreservedKeys()[0];
  EXPECT_EQ(key.key.uVKey, 0xC0u);
  EXPECT_EQ(key.key.uModifiers, UINT{TF_MOD_CONTROL});
  EXPECT_EQ(key.description, L"Toggle State");
  EXPECT_TRUE(host().KeyboardOpen());

  EXPECT_EQ(host().Deactivate(), S_OK);
  ExpectNothingInstalled();
}

TEST_F(LifecycleTest, WithoutAFocusedDocumentTheFirstFocusInstallsTheTextEditSink) {
  Start(/*withDocument=*/false);
  const int doc = host().PushDocument(L"", /*focus=*/false);
  EXPECT_EQ(host().TextEditSinkCount(doc), 0);
  host().Focus(doc);
  EXPECT_EQ(host().TextEditSinkCount(doc), 1);
  Type(L"ka");
  EXPECT_EQ(host().Text(doc), L"க");
}

TEST_F(LifecycleTest, TheTextEditSinkFollowsTheFocus) {
  Start();
  const int second = host().PushDocument(L"", /*focus=*/true);
  EXPECT_EQ(host().TextEditSinkCount(0), 0);
  EXPECT_EQ(host().TextEditSinkCount(second), 1);
  const int empty = host().PushEmptyDocument(/*focus=*/true);
  (void)empty;
  EXPECT_EQ(host().TextEditSinkCount(second), 0);
  // With no top context the keyboard counts as disabled: keys pass.
  EXPECT_FALSE(host().Key('K').eaten);
  host().Focus(0);
  EXPECT_EQ(host().TextEditSinkCount(0), 1);
}

TEST_F(LifecycleTest, EveryFailingStepLeavesNothingBehind) {
  struct Case {
    const char* name;
    void (*inject)(tsfmodel::Faults&);
  };
  const Case cases[] = {
      {"thread-manager event sink",
       [](tsfmodel::Faults& f) { f.failAdviseSink.push_back(IID_ITfThreadMgrEventSink); }},
      {"thread-focus sink",
       [](tsfmodel::Faults& f) { f.failAdviseSink.push_back(IID_ITfThreadFocusSink); }},
      {"language-bar button", [](tsfmodel::Faults& f) { f.refuseAddItem = true; }},
      {"key-event sink", [](tsfmodel::Faults& f) { f.failAdviseKeyEventSink = true; }},
      {"preserved key", [](tsfmodel::Faults& f) { f.failPreserveKey = true; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host_.emplace();
    host().PushDocument(L"");
    c.inject(host().faults());
    EXPECT_EQ(host().ActivateFromFactory(factory_), E_FAIL);
    ExpectNothingInstalled();
    StopHost();
  }
}

TEST_F(LifecycleTest, AFailedTextEditAdviceIsNoFailureOfActivation) {
  host_.emplace();
  host().PushDocument(L"");
  host().faults().failAdviseSink.push_back(IID_ITfTextEditSink);
  EXPECT_EQ(host().ActivateFromFactory(factory_), S_OK);
  EXPECT_EQ(host().TextEditSinkCount(), 0);
}

TEST_F(LifecycleTest, DeactivationThenActivationKeepsLayoutAndTamilMode) {
  host_.emplace();
  host().PushDocument(L"");
  ITfTextInputProcessor* service = CreateService();
  ASSERT_NE(service, nullptr);
  ASSERT_EQ(host().Activate(service), S_OK);
  ASSERT_EQ(host().ChooseMenuItem(12), S_OK);  // Tamil-99
  Type(L"{F12}");                              // English mode
  ASSERT_EQ(host().Deactivate(), S_OK);
  ExpectNothingInstalled();

  ASSERT_EQ(host().Activate(service), S_OK);
  Type(L"h");
  EXPECT_EQ(host().Text(), L"h");  // still English
  Type(L"{F12}h");
  EXPECT_EQ(host().Text(), L"hக");  // Tamil-99: h is க
  service->Release();
}

TEST_F(LifecycleTest, QueryInterfaceAnswersTheSevenInterfacesOnly) {
  ITfTextInputProcessor* service = CreateService();
  ASSERT_NE(service, nullptr);
  for (REFIID iid : {IID_IUnknown, IID_ITfTextInputProcessor, IID_ITfThreadFocusSink,
                     IID_ITfThreadMgrEventSink, IID_ITfTextEditSink, IID_ITfKeyEventSink,
                     IID_ITfCompositionSink, IID_ITfDisplayAttributeProvider}) {
    IUnknown* out = nullptr;
    EXPECT_EQ(service->QueryInterface(iid, reinterpret_cast<void**>(&out)), S_OK);
    ASSERT_NE(out, nullptr);
    out->Release();
  }
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(service->QueryInterface(IID_ITfLangBarItemButton, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(service->QueryInterface(IID_ITfTextInputProcessor, nullptr), E_INVALIDARG);

  // The preserved key with another GUID is not ours.
  ITfKeyEventSink* keys = nullptr;
  ASSERT_EQ(service->QueryInterface(IID_ITfKeyEventSink, reinterpret_cast<void**>(&keys)), S_OK);
  BOOL eaten = TRUE;
  EXPECT_EQ(keys->OnPreservedKey(nullptr, IID_IUnknown, &eaten), S_OK);
  EXPECT_FALSE(eaten);
  keys->Release();
  service->Release();
}

TEST_F(LifecycleTest, TheVisualKeyboardHearsOfActivationFocusAndDeactivation) {
  using testing::Sent;
  testing::RecordingWindow keyboard(L"KORVI10VKBDAPP");
  const LPARAM focus = reinterpret_cast<LPARAM>(GetFocus());
  Start();
  EXPECT_EQ(keyboard.Messages({WM_COMMAND}),
            (std::vector<testing::RecordedMessage>{Sent(WM_COMMAND, 9900, 0),
                                                   Sent(WM_COMMAND, 9902, focus)}));
  keyboard.Clear();
  host().PushDocument(L"", /*focus=*/true);
  Type(L"{F12}");  // the test and the real call each send the focus notice
  EXPECT_EQ(keyboard.Messages({WM_COMMAND}),
            (std::vector<testing::RecordedMessage>{
                Sent(WM_COMMAND, 9902, focus), Sent(WM_COMMAND, 9902, focus),
                Sent(WM_COMMAND, 9902, focus), Sent(WM_COMMAND, 9902, focus)}));
  keyboard.Clear();
  EXPECT_EQ(host().Deactivate(), S_OK);
  EXPECT_EQ(keyboard.Messages({WM_COMMAND}),
            (std::vector<testing::RecordedMessage>{Sent(WM_COMMAND, 9901, 0)}));
}

}  // namespace
}  // namespace korvi
