#include "convert.h"

#include <string>

#include "convert_internal.h"

namespace korvi {
namespace detail {
WordState wordState;
}  // namespace detail

namespace {

using detail::Code;
using detail::Output;
WordState& ws = detail::wordState;
bool tamil99Rules = true;

constexpr char16_t kAytham = 0x0B83;
constexpr char16_t kPulli = 0x0BCD;
constexpr char16_t kOm = 0x0BD0;
constexpr char16_t kRupee = 0x20B9;

// Pairs of Tamil-99 consonant keys whose first consonant takes a pulli:
// ங்க, ஞ்ச, ந்த, ண்ட, ம்ப, ன்ற.
bool IsAutoPulliPair(char16_t previous, char16_t ch) {
  static constexpr char16_t kPairs[][2] = {{u'b', u'h'}, {u']', u'['}, {u';', u'l'},
                                           {u'p', u'o'}, {u'k', u'j'}, {u'i', u'u'}};
  for (const auto& p : kPairs)
    if (p[0] == previous && p[1] == ch)
      return true;
  return previous == ch;
}

int32_t FreshKey(char16_t ch, char16_t previousChar, Output& out, uint8_t& cons,
                 const LayoutRecord& r, int32_t layout, bool afterBackspace) {
  const char defaultVowel = DefaultVowel(layout);
  int32_t result = kInsertOnly;

  // A word-initial n is the dental ந.
  if (layout == kLayoutKorvi && ch == u'n' && !afterBackspace &&
      (previousChar == 0 || previousChar == 9 || previousChar == 13 || previousChar == 32))
    ch = u'w';

  int i = FindKey(r, C1Keys, ch);
  if (i != kNotFound) {
    cons = static_cast<uint8_t>(Code(r, C1Codes, i));
    ws.wordState = AfterConsonant;
    if (tamil99Rules && !ws.autoPulliDone && layout == kLayoutTamil99) {
      const int j = FindKey(r, C1Keys, previousChar);
      if (j != kNotFound && IsAutoPulliPair(previousChar, ch)) {
        if (ch != u'Y' && ch != u'^') {
          out.Set(SyllableText(Code(r, C1Codes, j), 'q'));
          ws.autoPulliDone = true;
          result = kReplacePrevious;
        }
      } else {
        out.Clear();
      }
    } else {
      ws.autoPulliDone = false;
      out.Clear();
    }
    ws.keyBeforePrevious = ch;
    ws.currentVowel = defaultVowel;
    const char16_t* syllable = SyllableText(static_cast<char>(cons), defaultVowel);
    if (ws.autoPulliDone)
      out.Append(syllable);
    else
      out.Set(syllable);
    return result;
  }

  i = FindKey(r, V1Keys, ch);
  if (i != kNotFound) {
    ws.wordState = AfterVowel;
    ws.keyBeforePrevious = 0;
    cons = 0;
    ws.currentVowel = Code(r, V1Codes, i);
    out.Set(SyllableText(0, ws.currentVowel));
    return kInsertOnly;
  }

  i = FindKey(r, SymbolKeys, ch);
  if (i != kNotFound) {
    ws.wordState = Neutral;
    out.SetUnit(static_cast<char16_t>(RowByte(r, SymbolChars, i)));
    return kInsertOnly;
  }

  // A key in no row: typed as itself, the syllable ends.
  ws.keyBeforePrevious = 0;
  cons = 0;
  ws.wordState = Neutral;
  return kInsertOnly;
}

// A vowel key on the current consonant: replaces the previous output. After
// an automatic pulli the previous output ends with the current consonant's
// syllable, and the vowel replaces that syllable only: one unit for a single
// letter, three for க்ஷ.
int32_t VowelOnConsonant(Output& out, char cons, char vowel, bool honourAutoPulli) {
  int32_t result = kReplacePrevious;
  if (honourAutoPulli && ws.autoPulliDone) {
    ws.autoPulliDone = false;
    result = static_cast<int32_t>(std::char_traits<char16_t>::length(SyllableText(cons, 'a')));
  }
  ws.currentVowel = vowel;
  out.Set(SyllableText(cons, vowel));
  ws.wordState = AfterVowel;
  return result;
}

// The continuation rules; returns true when one of them produced the output.
bool Continue(char16_t ch, char16_t previousChar, Output& out, uint8_t& cons, const LayoutRecord& r,
              int32_t layout, int32_t& result) {
  const char defaultVowel = DefaultVowel(layout);
  const char consCode = static_cast<char>(cons);
  int i;
  switch (ws.wordState) {
    case AfterVowel:
      i = FindKeyPair(r, V1Keys, V2Keys, previousChar, ch);
      if (i != kNotFound) {
        ws.currentVowel = Code(r, V2Codes, i);
        out.Set(SyllableText(consCode, ws.currentVowel));
        ws.wordState = AfterVowelPair;
        result = kReplacePrevious;
        return true;
      }
      if (layout != kLayoutKorvi)
        return false;
      i = FindKey(r, V1Keys, ch);
      if (i == kNotFound)
        return false;
      result = VowelOnConsonant(out, consCode, Code(r, V1Codes, i), false);
      return true;

    case AfterVowelPair:
      if (layout != kLayoutKorvi)
        return false;
      i = FindKey(r, V1Keys, ch);
      if (i == kNotFound)
        return false;
      result = VowelOnConsonant(out, consCode, Code(r, V1Codes, i), true);
      return true;

    case AfterConsonant:
      i = FindKeyPair(r, C1Keys, C2Keys, previousChar, ch);
      if (i != kNotFound) {
        const char code = Code(r, C2Codes, i);
        cons = static_cast<uint8_t>(code);
        ws.wordState = code == 'W' ? Neutral : AfterPair;
        out.Set(SyllableText(code, defaultVowel));
        const char next = Code(r, NextCodes, i);
        if (next != '*' && next != 0) {
          cons = static_cast<uint8_t>(next);
          result = 2;
        } else {
          result = kReplacePrevious;
        }
        return true;
      }
      i = FindKey(r, V1Keys, ch);
      if (i == kNotFound)
        return false;
      result = VowelOnConsonant(out, consCode, Code(r, V1Codes, i), true);
      return true;

    case AfterPair:
      i = FindKeyTriple(ch, previousChar, ws.keyBeforePrevious, r);
      if (i != kNotFound) {
        ws.wordState = AfterTriple;
        const char code = Code(r, C3Codes, i);
        cons = static_cast<uint8_t>(code);
        out.Set(SyllableText(code, defaultVowel));
        const char next = Code(r, NextCodes, i);
        if (next == '*' || next == 0) {
          result = kReplacePrevious;
        } else {
          cons = static_cast<uint8_t>(next);
          result = next == 'c' ? 2 : 4;
        }
        return true;
      }
      [[fallthrough]];
    case AfterTriple:
      i = FindKey(r, V1Keys, ch);
      if (i == kNotFound)
        return false;
      result = VowelOnConsonant(out, consCode, Code(r, V1Codes, i), false);
      return true;

    default:
      return false;
  }
}

}  // namespace

const WordState& CurrentWordState() {
  return detail::wordState;
}

void ResetWordState() {
  ws.wordState = Idle;
  ws.currentVowel = 0;
  ws.pendingSign = 0;
  ws.keyBeforePrevious = 0;
  ws.autoPulliDone = false;
}

void SetTamil99Rules(bool on) {
  tamil99Rules = on;
}
bool Tamil99Rules() {
  return tamil99Rules;
}

int FindKeyTriple(char16_t ch, char16_t prev, char16_t first, const LayoutRecord& record) {
  const char* c1 = record.rows[C1Keys];
  const char* c2 = record.rows[C2Keys];
  const char* c3 = record.rows[C3Keys];
  for (int i = 0; c1[i] != 0 && c2[i] != 0 && c3[i] != 0; ++i) {
    if (c3[i] == '*' || c2[i] == '*')
      continue;
    if (static_cast<unsigned char>(c3[i]) == ch && static_cast<unsigned char>(c2[i]) == prev &&
        static_cast<unsigned char>(c1[i]) == first)
      return i;
  }
  return kNotFound;
}

int32_t ConvertKey(char16_t ch, char16_t previousChar, OutputBuffer& outputBuffer,
                   uint8_t& engineStateByte, int32_t layoutNumber, bool afterBackspace) {
  const int32_t layout = NormalizeLayout(layoutNumber);
  Output out(outputBuffer);
  out.SetUnit(ch);  // a key that no rule takes comes out as itself

  if (IsTypewriterLayout(layout))
    return detail::ConvertTypewriterKey(ch, out, engineStateByte, layout);

  // Shortcut keys: they leave the syllable as it stands.
  if (layout == kLayoutKorvi) {
    if (previousChar == u'O' && ch == u'M') {
      out.SetUnit(kOm);
      return kReplacePrevious;
    }
    if (ch == u'q') {
      out.SetUnit(kAytham);
      return kInsertOnly;
    }
    if (ch == u'f') {
      if (previousChar == u'f')
        out.SetUnit(kPulli);
      else
        out.Clear();
      ws.wordState = Neutral;
      return kInsertOnly;
    }
  }
  if (layout == kLayoutTamil99 && ch == u'F') {
    out.SetUnit(kAytham);
    return kInsertOnly;
  }
  if (ch == u'$' && previousChar == u'$') {
    out.SetUnit(kRupee);
    return 1;
  }

  const LayoutRecord& record = GetLayoutRecord(layout);
  int32_t result = kReplacePrevious;
  if (Continue(ch, previousChar, out, engineStateByte, record, layout, result)) {
    if (ws.wordState != AfterPair)
      ws.keyBeforePrevious = u'0';
    return result;
  }
  return FreshKey(ch, previousChar, out, engineStateByte, record, layout, afterBackspace);
}

}  // namespace korvi
