#include "layout_tables.h"

namespace korvi {
namespace {

// Unicode of the vowel columns: the independent letter (row 0) and the sign
// that follows a consonant (none for the inherent a; the pulli for q).
constexpr char16_t kIndependentVowels[kVowelColumns] = {
    u'\u0B85', u'\u0B86', u'\u0B87', u'\u0B88', u'\u0B89', u'\u0B8A', u'\u0B8E',
    u'\u0B8F', u'\u0B90', u'\u0B92', u'\u0B93', u'\u0B94', u'\u0B83'};
constexpr char16_t kVowelSigns[kVowelColumns] = {
    0,         u'\u0BBE', u'\u0BBF', u'\u0BC0', u'\u0BC1', u'\u0BC2', u'\u0BC6',
    u'\u0BC7', u'\u0BC8', u'\u0BCA', u'\u0BCB', u'\u0BCC', u'\u0BCD'};
constexpr size_t kColumnA = 0;
constexpr size_t kColumnQ = 12;

// Base texts of the consonant rows 1..32 (empty where the row has its own rule).
constexpr const char16_t* kBaseTexts[kConsonantRows] = {
    u"",
    u"\u0B95",
    u"\u0B9A",
    u"\u0B9F",
    u"\u0BA4",
    u"\u0BAA",
    u"\u0BB1",
    u"\u0BAF",
    u"\u0BB0",
    u"\u0BB2",
    u"\u0BB5",
    u"\u0BB4",
    u"\u0BB3",
    u"\u0B99",
    u"\u0B9E",
    u"\u0BA3",
    u"\u0BA8",
    u"\u0BAE",
    u"\u0BA9",
    u"\u0B9C",
    u"\u0BB7",
    u"\u0BB8",
    u"\u0BB9",
    u"\u0B95\u0BCD\u0BB7",
    u"\u0BB8\u0BCD\u0BB0\u0BC0",  // 24: sri, a whole syllable
    u"\u0BB6",
    u"\u0BB1\u0BCD\u0BB1\u0BCD",
    u"\u0BA8\u0BCD\u0BA4\u0BCD",
    u"\u0BA3\u0BCD\u0B9F\u0BCD",
    u"\u0BA9\u0BCD\u0BB1\u0BCD",
    u"\u0B9F\u0BCD\u0B9F\u0BCD",
    u"\u0BA4\u0BCD\u0BA4\u0BCD",
    u"\u0B9E\u0BCD\u0B9A\u0BCD",
    u""};  // 33: a vowel sign without a consonant
constexpr size_t kRowSri = 24;
constexpr size_t kFirstClusterRow = 26;
constexpr size_t kLastClusterRow = 32;
constexpr size_t kRowBareSign = 33;

constexpr void Append(char16_t* cell, const char16_t* text) {
  size_t n = 0;
  while (cell[n] != 0)
    ++n;
  for (size_t i = 0; text[i] != 0 && n + 1 < kSyllableCellCapacity; ++i)
    cell[n++] = text[i];
  cell[n] = 0;
}

constexpr void AppendUnit(char16_t* cell, char16_t unit) {
  const char16_t text[2] = {unit, 0};
  Append(cell, text);
}

constexpr SyllableTableData BuildSyllableTable() {
  SyllableTableData t{};
  for (size_t col = 0; col < kVowelColumns; ++col)
    AppendUnit(t.cells[0][col], kIndependentVowels[col]);
  for (size_t row = 1; row < kConsonantRows; ++row) {
    for (size_t col = 0; col < kVowelColumns; ++col) {
      char16_t* cell = t.cells[row][col];
      if (row == kRowSri) {
        if (col == kColumnA || col == kColumnQ)
          Append(cell, kBaseTexts[row]);
      } else if (row >= kFirstClusterRow && row <= kLastClusterRow) {
        if (col == kColumnQ)
          Append(cell, kBaseTexts[row]);
      } else if (row == kRowBareSign) {
        if (col != kColumnA)
          AppendUnit(cell, kVowelSigns[col]);
      } else {
        Append(cell, kBaseTexts[row]);
        if (col != kColumnA)
          AppendUnit(cell, kVowelSigns[col]);
      }
    }
  }
  return t;
}

constexpr int IndexOf(const char* codes, char code) {
  for (int i = 0; codes[i] != 0; ++i)
    if (codes[i] == code)
      return i;
  return kNotFound;
}

// The layout records, row by row in the order C1Keys, C2Keys, C3Keys,
// C1Codes, C2Codes, C3Codes, NextCodes, V1Keys, V2Keys, V1Codes, V2Codes,
// SymbolKeys, SymbolChars.
// clang-format off
// New TW and Old TW share one record; only their rules differ.
constexpr LayoutRecord kTwRecord =
    {{"|$&_+wertyuasdfgjkl'H" "\"" "z#",
      "mM/<cCvVIxX~",
      "qoWERTYUOSDFGJKLN",
      "SjsWhRwcvlryLnkptmdgzGNx",
      "aAiIuUeEXoOq",
      "NdRwcklrdLnkztmdc",
      "uiuuuUuuIuuuuuuuU",
      "ibnh",
      "%^p[]P{};:",
      "XeEA",
      "uUiuXIUUqU",
      "`>-#*:",
      "`-/%'" "\""}};

constexpr LayoutRecord kLayouts[kLayoutCount] = {
    // 0: Korvi (phonetic)
    {{"RvlnnWyNztdtkgmpbtnwrLcsnnSSsjhsssxdtnnnn" "\\",
      "****=******h******-***h*gj*hh**rrR*rrtddj*",
      "********************************ii**hh*rj*",
      "RvlnnnyNztdtkkmppdwwrLccgGSSsjhWWWxR12347^",
      "****n******t******w***ccgG*Hs**WWW*R12347*",
      "*******************************WWW***2*47*",
      "************************************RtdRc*",
      "aAiIuUeaEaooOaq",
      "a*i*u*ee*ioa*u*",
      "aAiIuUeeEXooOQq",
      "A*I*U*EE*XOO*Q*",
      "M",
      "M"}},
    // 1: Tamil-99 and MOE-Singapore
    {{"QWERTYyuiop[]hjkl;'vbnm/^",
      "",
      "",
      "SsjhxWLRndNcGkpmtwyvglrz^",
      "",
      "",
      "",
      "qwertasdfFgzxc",
      "**************",
      "AIUXEaiuqqeQOo",
      "",
      "OPKL:" "\"" "M",
      "[]" "\"" ":;'/"}},
    // 2: Velona-7
    {{"tunop[bijkhl;m'y/]IOUPY{",
      "************************",
      "",
      "RvlnyNztkmpdwrLcgGSsjhWx",
      "",
      "",
      "",
      "csdxeqgravwzfF",
      "**************",
      "aAiIuUeEXoOQqq",
      "",
      "QWERKLZX<>",
      "()()" "\"" "'<>;/"}},
    // 3: Mylai (typewriter)
    {{"!qwrtyp[]sdghjklzxXcvbnm",
      "`~;:uU'" "\"" "_oO$#",
      "QWRTPDFGHJKLZCVBNM",
      "WLGrtyphjSdgNnklzsxcvRwm",
      "aAiIuUeEXoOQq",
      "LGrtkdddNnklzccRwm",
      "uuuuUuiIuuuuuuUuuu",
      "AeEa{}",
      "iI<>fY" "\\",
      "XeEAuU",
      "iIuUqUU",
      "S|" "@" "^",
      "S!" "\xA9" "\""}},
    // 4: New TW (typewriter)
    kTwRecord,
    // 5: Old TW (typewriter, dead sign keys): the tables of New TW
    kTwRecord,
    // 6: no layout: every row empty
    {{"", "", "", "", "", "", "", "", "", "", "", "", ""}},
    // 7: Velona-6
    {{"YIOPLUmyo;[/Kjlkh'puJin]",
      "************************",
      "",
      "SsjhxWLRndNcGkpmtwyvglrz",
      "",
      "",
      "",
      "sewatvdfgzrxcb",
      "**************",
      "AIUXEoiuqqeQOa",
      "",
      "`~",
      ";'"}},
};
// clang-format on

constexpr bool RowSkipsStar(LayoutRow row) {
  return row == C2Keys || row == C3Keys || row == V2Keys;
}

}  // namespace

const SyllableTableData SyllableTable = BuildSyllableTable();

const char16_t* SyllableText(char consonantCode, char vowelCode) {
  const int row = consonantCode == 0 ? 0 : IndexOf(ConsonantCodes, consonantCode);
  const int col = vowelCode == 0 ? kNotFound : IndexOf(VowelCodes, vowelCode);
  if (row == kNotFound || col == kNotFound)
    return u"";
  return SyllableTable.cells[row][col];
}

const LayoutRecord& GetLayoutRecord(int32_t layoutNumber) {
  return kLayouts[NormalizeLayout(layoutNumber)];
}

int FindKey(const LayoutRecord& record, LayoutRow row, char16_t key) {
  const char* keys = record.rows[row];
  const bool skipStar = RowSkipsStar(row);
  for (int i = 0; keys[i] != 0; ++i) {
    if (skipStar && keys[i] == '*')
      continue;
    if (static_cast<unsigned char>(keys[i]) == key)
      return i;
  }
  return kNotFound;
}

int FindKeyPair(const LayoutRecord& record, LayoutRow row1, LayoutRow row2, char16_t key1,
                char16_t key2) {
  const char* first = record.rows[row1];
  const char* second = record.rows[row2];
  // Paired rows are parallel; a shorter row simply ends the search.
  for (int i = 0; first[i] != 0 && second[i] != 0; ++i) {
    if (first[i] == '*' || second[i] == '*')
      continue;
    if (static_cast<unsigned char>(first[i]) == key1 &&
        static_cast<unsigned char>(second[i]) == key2)
      return i;
  }
  return kNotFound;
}

const char16_t VowelSignList[14] = {0x0BBE, 0x0BBF, 0x0BC0, 0x0BC1, 0x0BC2, 0x0BC6, 0x0BC7,
                                    0x0BC8, 0x0BCA, 0x0BCB, 0x0BCC, 0x0BCD, 0x0BD7, 0};
const char16_t ConsonantList[24] = {0x0B95, 0x0B99, 0x0B9A, 0x0B9C, 0x0B9E, 0x0B9F, 0x0BA3, 0x0BA4,
                                    0x0BA8, 0x0BA9, 0x0BAA, 0x0BAE, 0x0BAF, 0x0BB0, 0x0BB1, 0x0BB2,
                                    0x0BB3, 0x0BB4, 0x0BB5, 0x0BB6, 0x0BB7, 0x0BB8, 0x0BB9, 0};

namespace {
bool InList(const char16_t* list, char16_t unit) {
  if (unit == 0)
    return false;
  for (; *list != 0; ++list)
    if (*list == unit)
      return true;
  return false;
}
}  // namespace

bool IsVowelSign(char16_t unit) {
  return InList(VowelSignList, unit);
}
bool IsConsonant(char16_t unit) {
  return InList(ConsonantList, unit);
}

}  // namespace korvi
