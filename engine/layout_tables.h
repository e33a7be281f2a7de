// Constant data of the transliteration engine: the eight layout records, the
// consonant and vowel codes, the syllable table and the two Unicode lists used
// to step over letters. Nothing here has state or allocates.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvi {

// Layout numbers 0..7. Any other number behaves as kLayoutNone everywhere.
constexpr int32_t kLayoutKorvi = 0;    // phonetic
constexpr int32_t kLayoutTamil99 = 1;  // Tamil-99 and MOE-Singapore
constexpr int32_t kLayoutVelona7 = 2;
constexpr int32_t kLayoutMylai = 3;  // typewriter
constexpr int32_t kLayoutNewTw = 4;  // typewriter
constexpr int32_t kLayoutOldTw = 5;  // typewriter with dead sign keys
constexpr int32_t kLayoutNone = 6;   // every row empty
constexpr int32_t kLayoutVelona6 = 7;
constexpr int32_t kLayoutCount = 8;

// Maps a stored layout number onto 0..7: out-of-range numbers become 6.
constexpr int32_t NormalizeLayout(int32_t layoutNumber) {
  return (layoutNumber >= 0 && layoutNumber < kLayoutCount) ? layoutNumber : kLayoutNone;
}

constexpr bool IsTypewriterLayout(int32_t layoutNumber) {
  return layoutNumber >= kLayoutMylai && layoutNumber <= kLayoutOldTw;
}

// The vowel code a freshly typed consonant receives.
constexpr char DefaultVowel(int32_t layoutNumber) {
  return NormalizeLayout(layoutNumber) == kLayoutKorvi ? 'q' : 'a';
}

// Row position of a consonant code; the code 0 means "no consonant" (row 0).
constexpr char ConsonantCodes[] = "akcdtpRyrlvzLgGNwmnjsShxWH1234567^";
constexpr size_t kConsonantRows = sizeof(ConsonantCodes) - 1;  // 34
// Column position of a vowel code.
constexpr char VowelCodes[] = "aAiIuUeEXoOQq";
constexpr size_t kVowelColumns = sizeof(VowelCodes) - 1;  // 13

// Each cell holds at most four UTF-16 units plus the terminator.
constexpr size_t kSyllableCellCapacity = 5;
struct SyllableTableData {
  char16_t cells[kConsonantRows][kVowelColumns][kSyllableCellCapacity];
};
extern const SyllableTableData SyllableTable;

// The text of a (consonant code, vowel code) pair, possibly empty; never null.
// Unknown codes, and the vowel code 0, give the empty text.
const char16_t* SyllableText(char consonantCode, char vowelCode);

// The rows of a layout record. Each row is a NUL-terminated byte string of at
// most 49 characters; '*' marks a position without an entry.
enum LayoutRow : int {
  C1Keys = 0,
  C2Keys,
  C3Keys,
  C1Codes,
  C2Codes,
  C3Codes,
  NextCodes,
  V1Keys,
  V2Keys,
  V1Codes,
  V2Codes,
  SymbolKeys,
  SymbolChars,
  kLayoutRowCount
};
constexpr size_t kLayoutRowCapacity = 50;

struct LayoutRecord {
  char rows[kLayoutRowCount][kLayoutRowCapacity];
};

// The record of a layout; numbers outside 0..7 give the empty record of 6.
const LayoutRecord& GetLayoutRecord(int32_t layoutNumber);

// The byte at a position of a row, as an unsigned value 0..255.
inline unsigned RowByte(const LayoutRecord& record, LayoutRow row, int position) {
  return static_cast<unsigned char>(record.rows[row][position]);
}

constexpr int kNotFound = -1;

// First position of key in the row, or kNotFound. In C2Keys, C3Keys and
// V2Keys a '*' entry never matches (not even a typed '*').
int FindKey(const LayoutRecord& record, LayoutRow row, char16_t key);
// First position where row1 holds key1 and row2 holds key2, or kNotFound.
int FindKeyPair(const LayoutRecord& record, LayoutRow row1, LayoutRow row2, char16_t key1,
                char16_t key2);

// The dependent vowel signs, the pulli and the au length mark (13 units), and
// the 23 consonant letters; both 0-terminated.
extern const char16_t VowelSignList[14];
extern const char16_t ConsonantList[24];
bool IsVowelSign(char16_t unit);
bool IsConsonant(char16_t unit);

}  // namespace korvi
