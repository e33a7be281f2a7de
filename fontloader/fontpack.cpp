#include "fontpack.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace korvi::fonts {

size_t MemorySource::Read(void* dest, size_t size) {
  size_t n = std::min(size, size_ - pos_);
  if (n > 0) {
    std::memcpy(dest, data_ + pos_, n);
  }
  pos_ += n;
  return n;
}

const char* PackErrorCode(PackError error) {
  switch (error) {
    case PackError::kNone:
      return "";
    case PackError::kFirstBlock:
      return "FCT0001";
    case PackError::kSecondBlock:
      return "FCT0002";
    case PackError::kThirdBlock:
      return "FCT0003";
    case PackError::kCount:
      return "FCT0004";
    case PackError::kEntrySize:
      return "FCT0005";
    case PackError::kEntryHeader:
      return "FCT0006";
    case PackError::kFontData:
      return "FCT009";
  }
  return "";
}

namespace {

bool IsSpace(uint8_t c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool ReadExactly(ByteSource& source, void* dest, size_t size) {
  return source.Read(dest, size) == size;
}

}  // namespace

int64_t ParseDecimalField(const uint8_t* field, size_t size) {
  size_t i = 0;
  while (i < size && IsSpace(field[i])) {
    ++i;
  }
  bool negative = false;
  if (i < size && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  // Fields are at most 9 bytes wide, so the value cannot overflow.
  int64_t value = 0;
  for (; i < size && field[i] >= '0' && field[i] <= '9'; ++i) {
    value = value * 10 + (field[i] - '0');
  }
  return negative ? -value : value;
}

std::u16string DecodePackName(const uint8_t* field, size_t size) {
  std::u16string name;
  for (size_t i = 0; i < size && field[i] != 0; ++i) {
    name.push_back(static_cast<char16_t>(field[i] - 128));
  }
  return name;
}

bool IsKeptKind(char kind) {
  return kind == 'A' || kind == 'M' || kind == 'P' || kind == 'F';
}

PackError ReadPackHeader(ByteSource& pack, int64_t* count) {
  uint8_t block[kFirstBlockSize];
  if (!ReadExactly(pack, block, kFirstBlockSize)) {
    return PackError::kFirstBlock;
  }
  if (!ReadExactly(pack, block, kSecondBlockSize)) {
    return PackError::kSecondBlock;
  }
  if (!ReadExactly(pack, block, kThirdBlockSize)) {
    return PackError::kThirdBlock;
  }
  if (!ReadExactly(pack, block, kCountFieldSize)) {
    return PackError::kCount;
  }
  *count = ParseDecimalField(block, kCountFieldSize);
  return PackError::kNone;
}

PackError ReadEntryHeader(ByteSource& pack, EntryHeader* entry) {
  uint8_t sizeField[kSizeFieldSize];
  if (!ReadExactly(pack, sizeField, kSizeFieldSize)) {
    return PackError::kEntrySize;
  }
  uint8_t header[kEntryHeaderSize];
  if (!ReadExactly(pack, header, kEntryHeaderSize)) {
    return PackError::kEntryHeader;
  }
  entry->dataSize = ParseDecimalField(sizeField, kSizeFieldSize);
  entry->name = DecodePackName(header, kNameFieldSize);
  entry->kind = static_cast<char>(header[kNameFieldSize]);
  return PackError::kNone;
}

PackError ReadFontData(ByteSource& pack, int64_t size, std::vector<uint8_t>* data) {
  if (size < 0 || static_cast<uint64_t>(size) > pack.Remaining() ||
      static_cast<uint64_t>(size) >= SIZE_MAX) {
    return PackError::kFontData;
  }
  auto n = static_cast<size_t>(size);
  try {
    data->reserve(n + 1);
    data->resize(n);
  } catch (const std::bad_alloc&) {
    return PackError::kFontData;
  } catch (const std::length_error&) {
    return PackError::kFontData;
  }
  if (!ReadExactly(pack, data->data(), n)) {
    return PackError::kFontData;
  }
  return PackError::kNone;
}

}  // namespace korvi::fonts
