// Shared between the conversion rules of the phonetic/syllabic layouts and
// the typewriter branch.
#pragma once

#include "convert.h"

namespace korvi {
namespace detail {

// The process-wide word state behind CurrentWordState.
extern WordState wordState;

// Writes 0-terminated text into the caller's output buffer; never past it.
class Output {
 public:
  explicit Output(OutputBuffer& buffer) : buffer_(buffer) { Clear(); }
  void Clear() {
    length_ = 0;
    buffer_[0] = 0;
  }
  void Set(const char16_t* text) {
    Clear();
    Append(text);
  }
  void SetUnit(char16_t unit) {
    Clear();
    AppendUnit(unit);
  }
  void Append(const char16_t* text) {
    for (; *text != 0; ++text)
      AppendUnit(*text);
  }
  void AppendUnit(char16_t unit) {
    if (unit == 0 || length_ + 1 >= kOutputBufferCapacity)
      return;
    buffer_[length_++] = unit;
    buffer_[length_] = 0;
  }
  const char16_t* Text() const { return buffer_; }
  int Length() const { return length_; }

 private:
  OutputBuffer& buffer_;
  int length_ = 0;
};

// The code byte at a position of a row of the record.
inline char Code(const LayoutRecord& record, LayoutRow row, int position) {
  return record.rows[row][position];
}

// The typewriter layouts 3, 4 and 5.
int32_t ConvertTypewriterKey(char16_t ch, Output& output, uint8_t& cons, int32_t layoutNumber);

}  // namespace detail
}  // namespace korvi
