// Typewriter layouts: glyphs are typed in the order they stand on paper. A
// sign written before its consonant waits behind a zero-width space until the
// consonant arrives, and the two-part vowels are composed from their halves.
#include "convert_internal.h"

namespace korvi {
namespace detail {
namespace {

constexpr char16_t kZeroWidthSpace = 0x200B;
constexpr char16_t kSignAa = 0x0BBE;    // ா
constexpr char16_t kSignE = 0x0BC6;     // ெ
constexpr char16_t kSignEe = 0x0BC7;    // ே
constexpr char16_t kSignO = 0x0BCA;     // ொ
constexpr char16_t kSignOo = 0x0BCB;    // ோ
constexpr char16_t kSignAu = 0x0BCC;    // ௌ
constexpr char16_t kLetterO = 0x0B92;   // ஒ
constexpr char16_t kLetterOo = 0x0B93;  // ஓ
constexpr char16_t kLetterAu = 0x0B94;  // ஔ

// The first three free-standing sign keys are the signs written before the
// consonant (ை, ெ, ே).
constexpr int kPrefixSignKeys = 3;

// The dependent sign of a vowel code (the pulli for q); 0 for a or unknown.
char16_t Sign(char vowel) {
  const char16_t* syllable = SyllableText('^', vowel);
  return syllable[0];
}

}  // namespace

int32_t ConvertTypewriterKey(char16_t ch, Output& out, uint8_t& cons, int32_t layout) {
  const LayoutRecord& r = GetLayoutRecord(layout);
  WordState& ws = wordState;
  int i;

  if ((i = FindKey(r, C1Keys, ch)) != kNotFound) {
    cons = static_cast<uint8_t>(Code(r, C1Codes, i));
    char vowel = ws.currentVowel;
    if (ws.wordState != DeadSignPending)
      vowel = ws.currentVowel = 'a';
    out.Set(SyllableText(static_cast<char>(cons), vowel));
    if (ws.wordState == PrefixSignPending) {
      // The placeholder gives way to consonant and sign; the sign stays
      // pending so that a following ா or au mark can complete it.
      out.AppendUnit(ws.pendingSign);
      ws.wordState = AfterVowel;
      return 2;
    }
    if (ws.wordState == DeadSignPending) {
      ws.wordState = AfterConsonant;
      return 2;
    }
    if (ws.wordState == AfterVowel || ws.wordState == AfterConsonant)
      ws.pendingSign = 0;
    ws.wordState = AfterConsonant;
    return kInsertOnly;
  }

  if ((i = FindKey(r, C2Keys, ch)) != kNotFound) {
    ws.currentVowel = Code(r, C2Codes, i);
    out.Set(SyllableText(0, ws.currentVowel));
    if (out.Length() == 1 && out.Text()[0] == kLetterO)
      ws.pendingSign = kLetterO;
    ws.wordState = AfterVowel;
    return kInsertOnly;
  }

  if ((i = FindKey(r, C3Keys, ch)) != kNotFound) {
    cons = static_cast<uint8_t>(Code(r, C3Codes, i));
    char vowel;
    int32_t result;
    if (ws.wordState == DeadSignPending) {
      vowel = ws.currentVowel;  // the dead sign overrides the key's own sign
      result = 2;
    } else {
      vowel = ws.currentVowel = Code(r, NextCodes, i);
      result = kInsertOnly;
    }
    out.Set(SyllableText(static_cast<char>(cons), vowel));
    ws.wordState = AfterConsonant;
    return result;
  }

  if ((i = FindKey(r, V1Keys, ch)) != kNotFound) {
    ws.currentVowel = Code(r, V1Codes, i);
    char16_t sign = Sign(ws.currentVowel);
    if (i < kPrefixSignKeys) {
      out.SetUnit(kZeroWidthSpace);
      out.AppendUnit(sign);
      ws.pendingSign = sign;
      ws.wordState = PrefixSignPending;
      return kInsertOnly;
    }
    int32_t result = kInsertOnly;
    if (ws.pendingSign != 0 && sign == kSignAa) {
      if (ws.pendingSign == kSignE)
        sign = kSignO;
      else if (ws.pendingSign == kSignEe)
        sign = kSignOo;
      else if (ws.pendingSign == kLetterO)
        sign = kLetterOo;  // ஒ and ா are the two halves of ஓ; a bare ா would lose the ஒ
      result = 1;          // the pending sign (or ஒ) before the caret is replaced
    }
    out.SetUnit(sign);
    ws.pendingSign = 0;
    ws.wordState = AfterVowel;
    return result;
  }

  if ((i = FindKey(r, V2Keys, ch)) != kNotFound) {
    ws.currentVowel = Code(r, V2Codes, i);
    if (layout == kLayoutOldTw) {
      out.SetUnit(kZeroWidthSpace);
      out.AppendUnit(Sign(ws.currentVowel));
      ws.wordState = DeadSignPending;
      return kInsertOnly;
    }
    if (ws.wordState == AfterConsonant) {
      out.Set(SyllableText(static_cast<char>(cons), ws.currentVowel));
      ws.wordState = AfterVowel;
      return kReplacePrevious;
    }
    out.Clear();  // a sign without a consonant types nothing
    ws.wordState = AfterVowel;
    return kInsertOnly;
  }

  if ((i = FindKey(r, SymbolKeys, ch)) != kNotFound) {
    int32_t result = kInsertOnly;
    if (i == 0 && ws.pendingSign == kSignE) {
      out.SetUnit(kSignAu);
      ws.wordState = AfterVowel;
      result = 1;
    } else if (i == 0 && ws.pendingSign == kLetterO) {
      out.SetUnit(kLetterAu);
      ws.wordState = AfterVowel;
      result = 1;
    } else {
      out.SetUnit(static_cast<char16_t>(RowByte(r, SymbolChars, i)));
      ws.wordState = Neutral;
    }
    ws.pendingSign = 0;
    return result;
  }

  ws.keyBeforePrevious = 0;
  cons = 0;
  ws.wordState = Neutral;
  return kInsertOnly;
}

}  // namespace detail
}  // namespace korvi
