// Typing through the real DLL in the model TSF host: which keys the service takes, what each
// key writes, and where the composition stands afterwards.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "textservice/service_fixture.h"

namespace korvi {
namespace {

using testing::ServiceTest;
using tsfmodel::kCapsLock;
using tsfmodel::kControl;
using tsfmodel::kShift;
using tsfmodel::Span;

class KeyEventSinkTest : public ServiceTest {};

struct TypingCase {
  const wchar_t* layout;  // stored imemode
  const wchar_t* keys;
  const wchar_t* text;
  std::optional<Span> composition;  // none: the word has ended
};

TEST_F(KeyEventSinkTest, KeysBecomeEditsInsideOneComposition) {
  const TypingCase cases[] = {
      // The first key opens the composition at the caret; each result is an edit in it.
      {L"0", L"k", L"க்", Span{0, 2}},
      {L"0", L"ka", L"க", Span{0, 1}},
      {L"0", L"nanRi", L"நன்றி", Span{0, 5}},
      {L"1", L"hhs", L"க்கி", Span{0, 4}},
      {L"0", L"ka{BS}na", L"ன", Span{0, 1}},
      // Space, a digit and Enter end the word; Space and the digit are typed by the service,
      // Enter passes to the editor.
      {L"0", L"ka ", L"க ", std::nullopt},
      {L"0", L"ka1", L"க1", std::nullopt},
      {L"0", L"ka{ENTER}", L"க\n", std::nullopt},
      // $ keeps the word open; a second $ turns the first into the rupee sign.
      {L"0", L"$$", L"₹", Span{0, 1}},
      // A letter that is no key of the layout is swallowed: nothing typed, the word goes on.
      {L"0", L"kB", L"க்", Span{0, 2}},
      {L"0", L"B", L"", std::nullopt},
      // Backspace in an empty composition ends it and removes nothing.
      {L"0", L"k{BS}{BS}", L"", std::nullopt},
      // Layout 6 types nothing for letters and ends the word after everything else.
      {L"6", L"ka1", L"1", std::nullopt},
  };
  for (const TypingCase& c : cases) {
    SCOPED_TRACE(std::wstring(L"layout ") + c.layout + L" keys " + c.keys);
    StoreLayout(c.layout);
    Start();
    Type(c.keys);
    EXPECT_EQ(host().Text(), c.text);
    EXPECT_EQ(host().CompositionSpan(), c.composition);
    const long length = static_cast<long>(host().Text().size());
    EXPECT_EQ(host().Selection().span, (Span{length, length}));
    if (c.composition && !c.composition->empty()) {
      EXPECT_EQ(host().AttributeAt(c.composition->start), static_cast<long>(InputAtom()));
    }
    StopHost();
  }
}

TEST_F(KeyEventSinkTest, EndingTheWordClearsItsAttribute) {
  Start();
  Type(L"ka ");
  EXPECT_FALSE(AnyAttribute());
}

TEST_F(KeyEventSinkTest, EditingKeysAreTakenOnlyWhileComposing) {
  for (UINT vk : {VK_BACK, VK_SPACE, VK_LEFT, VK_RIGHT, VK_ESCAPE}) {
    SCOPED_TRACE(vk);
    Start();
    EXPECT_TRUE(host().Key(vk).toEditor);
    Type(L"k");
    EXPECT_TRUE(host().Key(vk).eaten);
    StopHost();
  }
}

TEST_F(KeyEventSinkTest, ControlLetterPassesAndEndsTheWord) {
  Start();
  Type(L"k");
  const tsfmodel::KeyResult result = host().Key('A', kControl);
  EXPECT_TRUE(result.toEditor);
  EXPECT_EQ(host().CompositionCount(), 0);
  EXPECT_EQ(host().Text(), L"க்");
  // The next word starts afresh: a gives the vowel, not a sign on the old consonant.
  Type(L"a");
  EXPECT_EQ(host().Text(), L"க்அ");
}

TEST_F(KeyEventSinkTest, EnglishModeTypesEachKeyAsItsOwnWord) {
  Start();
  Type(L"{F12}ka{BS}K");
  // Backspace finds no composition and goes to the editor, which removes the a.
  EXPECT_EQ(host().Text(), L"kK");
  EXPECT_EQ(host().CompositionCount(), 0);
  Type(L"{F12}k");
  EXPECT_EQ(host().Text(), L"kKக்");
}

TEST_F(KeyEventSinkTest, EnglishModeTypesTheBackslashAfterAnyCharacter) {
  Start();
  // In Tamil mode the phonetic backslash (a bare sign) needs a consonant before it.
  Type(L"a\\");
  EXPECT_EQ(host().Text(), L"அ");
  // In English mode it is just the character, whatever stands before the caret.
  Type(L"{F12}a\\");
  EXPECT_EQ(host().Text(), L"அa\\");
}

TEST_F(KeyEventSinkTest, F12SwitchesModeWithAnyModifierAndWithTheKeyboardClosed) {
  for (unsigned modifiers : {0u, unsigned{kShift}, unsigned{kControl}, unsigned{tsfmodel::kAlt}}) {
    SCOPED_TRACE(modifiers);
    Start();
    EXPECT_TRUE(host().Key(VK_F12, modifiers).eaten);
    Type(L"k");
    EXPECT_EQ(host().Text(), L"k");
    StopHost();
  }
  Start();
  host().SetKeyboardOpen(false);
  EXPECT_TRUE(host().Key(VK_F12).eaten);
  EXPECT_TRUE(host().Key('K').toEditor);  // closed: the editor types it
  host().SetKeyboardOpen(true);
  Type(L"k");  // English mode now
  EXPECT_EQ(host().Text(), L"kk");
}

TEST_F(KeyEventSinkTest, CapsLockWithShiftGivesTheUnshiftedKey) {
  Start();
  host().Key('A', kShift | kCapsLock);  // a
  host().Key(VK_SPACE);
  host().Key('A', kCapsLock);  // A
  host().Key(VK_SPACE);
  host().Key('A', kShift);  // A
  EXPECT_EQ(host().Text(), L"அ ஆ ஆ");
}

TEST_F(KeyEventSinkTest, DisabledContextTakesNoKey) {
  Start();
  VARIANT disabled;
  VariantInit(&disabled);
  disabled.vt = VT_I4;
  disabled.lVal = 1;
  host().SetContextCompartment(GUID_COMPARTMENT_KEYBOARD_DISABLED, disabled);
  EXPECT_TRUE(host().Key('K').toEditor);
  EXPECT_EQ(host().Text(), L"k");
}

TEST_F(KeyEventSinkTest, PreservedKeyTogglesTheKeyboard) {
  Start();
  ASSERT_TRUE(host().KeyboardOpen());
  const tsfmodel::KeyResult result = host().Key(VK_OEM_3, kControl);
  EXPECT_TRUE(result.preserved);
  EXPECT_FALSE(host().KeyboardOpen());
  EXPECT_TRUE(host().Key('K').toEditor);
  host().Key(VK_OEM_3, kControl);
  EXPECT_TRUE(host().KeyboardOpen());
}

TEST_F(KeyEventSinkTest, EscapeHandsTheWordToTheLookupServerAndKeepsComposing) {
  Start();
  Type(L"kal");
  ASSERT_EQ(host().Text(), L"கல்");
  EXPECT_TRUE(host().Key(VK_ESCAPE).eaten);
  EXPECT_EQ(LookupFileBytes(), LookupBytesFor(L"கல்"));
  EXPECT_EQ(TakeLookupMessages(), 1);
  EXPECT_EQ(host().CompositionSpan(), (Span{0, 3}));
  EXPECT_EQ(host().AttributeAt(0), static_cast<long>(ConvertedAtom()));
  Type(L"a");  // the word goes on
  EXPECT_EQ(host().Text(), L"கல");
}

TEST_F(KeyEventSinkTest, EscapeWithASelectionHandsTheSelectionOver) {
  host_.emplace();
  host().PushDocument(L"tamil text");
  ASSERT_EQ(host().ActivateFromFactory(factory_), S_OK);
  host().Select({6, 10});
  // No composition: the selection goes to the lookup server and Escape to the application.
  EXPECT_TRUE(host().Key(VK_ESCAPE).toEditor);
  EXPECT_EQ(LookupFileBytes(), LookupBytesFor(L"text"));
  EXPECT_EQ(TakeLookupMessages(), 1);
  EXPECT_EQ(host().Text(), L"tamil text");
}

TEST_F(KeyEventSinkTest, EscapeWithASelectionInsideTheWordSendsBoth) {
  host_.emplace();
  host().PushDocument(L"ab");
  ASSERT_EQ(host().ActivateFromFactory(factory_), S_OK);
  Type(L"kal");
  host().Select({3, 5});  // ல் inside the word கல்
  ASSERT_EQ(host().CompositionSpan(), (Span{2, 5}));
  EXPECT_TRUE(host().Key(VK_ESCAPE).eaten);
  // The selection by the test call and again by the real call, then the word itself.
  EXPECT_EQ(TakeLookupMessages(), 3);
  EXPECT_EQ(LookupFileBytes(), LookupBytesFor(L"கல்"));
}

TEST_F(KeyEventSinkTest, EscapeWithoutSelectionOrWordSendsNothing) {
  Start();
  EXPECT_TRUE(host().Key(VK_ESCAPE).toEditor);
  EXPECT_EQ(LookupFileBytes(), std::vector<uint8_t>{});
  EXPECT_EQ(TakeLookupMessages(), 0);
}

}  // namespace
}  // namespace korvi
