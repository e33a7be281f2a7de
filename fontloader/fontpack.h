// Font packs (*.fpk): a fixed header, then font entries back to back, each with
// an ASCII size, a hidden name, a kind letter and the font file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvi::fonts {

// Where pack bytes come from: an open file in the loader, memory in tests.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes; returns how many arrived (fewer only at the end).
  virtual size_t Read(void* dest, size_t size) = 0;
  // Bytes left from the read position to the end.
  virtual uint64_t Remaining() const = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  size_t Read(void* dest, size_t size) override;
  uint64_t Remaining() const override { return size_ - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Each failure of a pack read; the loader reports them by these codes.
enum class PackError {
  kNone,
  kFirstBlock,   // FCT0001
  kSecondBlock,  // FCT0002
  kThirdBlock,   // FCT0003
  kCount,        // FCT0004
  kEntrySize,    // FCT0005
  kEntryHeader,  // FCT0006
  kFontData,     // FCT009
};

// "FCT0001" .. "FCT009"; empty for kNone.
const char* PackErrorCode(PackError error);

inline constexpr size_t kFirstBlockSize = 50;
inline constexpr size_t kSecondBlockSize = 35;
inline constexpr size_t kThirdBlockSize = 10;
inline constexpr size_t kCountFieldSize = 9;
inline constexpr size_t kPackHeaderSize =
    kFirstBlockSize + kSecondBlockSize + kThirdBlockSize + kCountFieldSize;
inline constexpr size_t kSizeFieldSize = 8;
inline constexpr size_t kNameFieldSize = 32;
inline constexpr size_t kEntryHeaderSize = 34;  // name, kind letter, spare byte

// Decimal text as the C library reads it (leading white space, a sign, digits up to
// the first non-digit) but confined to the field: digits that fill the field end
// at its last byte instead of running on into whatever follows in memory.
int64_t ParseDecimalField(const uint8_t* field, size_t size);

// A pack name: each byte minus 128 as a 16-bit character, up to the first NUL or
// the end of the field.
std::u16string DecodePackName(const uint8_t* field, size_t size);

bool IsKeptKind(char kind);

// Reads the four header blocks; on success `count` is the font count (0 or less
// means no entries).
PackError ReadPackHeader(ByteSource& pack, int64_t* count);

struct EntryHeader {
  int64_t dataSize = 0;
  std::u16string name;
  char kind = 0;
};

PackError ReadEntryHeader(ByteSource& pack, EntryHeader* entry);

// Reads exactly `size` bytes of font data into `data`, resized to `size` with one
// spare byte of room. Reusing one vector for every font of a run saves refilling
// it; after a failure its contents are unspecified. A negative size, one past the
// end of the pack, or one that cannot be held in memory is a short read: nothing of
// that size is ever allocated.
PackError ReadFontData(ByteSource& pack, int64_t size, std::vector<uint8_t>* data);

}  // namespace korvi::fonts
