#include "keys.h"

#include "layout_tables.h"
#include "shift_state.h"

namespace korvi {
namespace {

struct KeyChars {
  uint16_t virtualKey;
  char16_t unshifted;
  char16_t shifted;
};

// The US keyboard's digit and punctuation keys.
constexpr KeyChars kKeyChars[] = {
    {vk::Oem3, u'`', u'~'},      {0x31, u'1', u'!'},      {0x32, u'2', u'@'},
    {0x33, u'3', u'#'},          {0x34, u'4', u'$'},      {0x35, u'5', u'%'},
    {0x36, u'6', u'^'},          {0x37, u'7', u'&'},      {0x38, u'8', u'*'},
    {0x39, u'9', u'('},          {0x30, u'0', u')'},      {vk::OemMinus, u'-', u'_'},
    {vk::OemPlus, u'=', u'+'},   {vk::Oem4, u'[', u'{'},  {vk::Oem6, u']', u'}'},
    {vk::Oem1, u';', u':'},      {vk::Oem7, u'\'', u'"'}, {vk::OemComma, u',', u'<'},
    {vk::OemPeriod, u'.', u'>'}, {vk::Oem2, u'/', u'?'},  {vk::Oem5, u'\\', u'|'},
};

// Key sets of each layout, 0-terminated. Letters stand for their virtual-key
// codes, the OEM codes for their keys; $ is the value 0x24.
#define KORVI_LETTERS u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"
#define KORVI_LETTERS_BUT_Q u"ABCDEFGHIJKLMNOPRSTUVWXYZ"
constexpr const char16_t* kShiftedSets[kLayoutCount] = {
    u"ERUIOASLNM$W",
    u"QWERTYOPFKLM$\u00DE\u00BF",
    u"QWERYUIOPFKLZX\u00BC\u00BE\u00DB",
    u"12346QWERTYUIOPASDFGHJKLZXCVBNM\u00C0\u00BD\u00DB\u00DD\u00DC\u00BA\u00DE\u00BC\u00BE\u00BF",
    u"345678" KORVI_LETTERS_BUT_Q u"\u00DC\u00BD\u00BB\u00DE\u00BE\u00BA\u00C0\u00DB\u00DD\u00BC",
    u"345678" KORVI_LETTERS_BUT_Q u"\u00DC\u00BD\u00BB\u00DE\u00BE\u00BA\u00C0\u00DB\u00DD\u00BC",
    nullptr,
    u"YUIOPJKL",
};
constexpr const char16_t* kUnshiftedSets[kLayoutCount] = {
    KORVI_LETTERS u"\u00BD\u00BB\u00DC",
    KORVI_LETTERS u"\u00DB\u00DD\u00BA\u00DE\u00BF",
    KORVI_LETTERS u"\u00BF\u00DB\u00DD\u00BA\u00DE",
    KORVI_LETTERS u"\u00C0\u00DB\u00DD\u00DC\u00BA\u00DE",
    KORVI_LETTERS u"\u00DE\u00BD\u00DB\u00DD\u00BA\u00C0\u00BF",
    KORVI_LETTERS u"\u00DE\u00BD\u00DB\u00DD\u00BA\u00C0\u00BF",
    nullptr,
    KORVI_LETTERS_BUT_Q u"\u00DB\u00DD\u00BA\u00DE\u00BF",
};
#undef KORVI_LETTERS
#undef KORVI_LETTERS_BUT_Q

}  // namespace

char16_t KeyToChar(uint16_t virtualKey, bool shifted) {
  if (virtualKey == vk::Shift)
    return 0;
  if ((virtualKey >= 0x09 && virtualKey <= 0x0D) || virtualKey == vk::Space)
    return virtualKey;
  for (const KeyChars& k : kKeyChars)
    if (k.virtualKey == virtualKey)
      return shifted ? k.shifted : k.unshifted;
  if (virtualKey >= 0x41 && virtualKey <= 0x5A)
    return shifted ? virtualKey : static_cast<char16_t>(virtualKey + 0x20);
  return 0;
}

bool CharToKey(char16_t ch, KeyStroke& stroke) {
  if (ch == 0x09 || ch == 0x0D || ch == vk::Space) {
    stroke = {ch, false};
    return true;
  }
  if (ch >= u'A' && ch <= u'Z') {
    stroke = {ch, true};
    return true;
  }
  if (ch >= u'a' && ch <= u'z') {
    stroke = {static_cast<uint16_t>(ch - 0x20), false};
    return true;
  }
  for (const KeyChars& k : kKeyChars) {
    if (k.unshifted == ch) {
      stroke = {k.virtualKey, false};
      return true;
    }
    if (k.shifted == ch) {
      stroke = {k.virtualKey, true};
      return true;
    }
  }
  return false;
}

bool IsLayoutKey(uint16_t code, int32_t layoutNumber) {
  const int32_t layout = NormalizeLayout(layoutNumber);
  const char16_t* set = IsShiftDown() ? kShiftedSets[layout] : kUnshiftedSets[layout];
  if (set == nullptr)
    return false;
  // A search that also finds the terminator: the code 0 is in every set.
  for (;; ++set) {
    if (*set == code)
      return true;
    if (*set == 0)
      return false;
  }
}

bool IsWordEndKey(uint16_t code, int32_t layoutNumber) {
  if (code != 0 && layoutNumber == kLayoutTamil99 && IsShiftDown() &&
      (code == 0x4B || code == 0x4C || code == vk::Oem7 || code == vk::Oem2))
    return true;
  return !IsLayoutKey(code, layoutNumber);
}

}  // namespace korvi
