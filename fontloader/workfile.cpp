#include "workfile.h"

namespace korvi::fonts {

bool EncodeRecord(const std::u16string& name, std::vector<uint8_t>* out) {
  size_t n = name.size() + 1;
  if (n > kMaxRecordLength) {
    return false;
  }
  out->push_back(static_cast<uint8_t>(n));
  for (char16_t c : name) {
    out->push_back(static_cast<uint8_t>((c & 0xFF) - 128));
  }
  out->push_back(0x80);
  return true;
}

bool ReadWorkFile(ByteSource& file, WorkFileContents* contents) {
  contents->records.clear();
  if (file.Read(contents->header, kWorkFileHeaderSize) != kWorkFileHeaderSize) {
    return false;
  }
  contents->header[kWorkFileHeaderSize] = '\0';
  contents->records.resize(kMaxRecordData);
  contents->records.resize(file.Read(contents->records.data(), kMaxRecordData));
  return true;
}

std::vector<std::u16string> DecodeRecords(const uint8_t* data, size_t size,
                                          std::vector<size_t>* lengths) {
  std::vector<std::u16string> names;
  size_t p = 0;
  while (p < size) {
    size_t n = data[p];
    if (n > size - p - 1) {
      break;
    }
    std::u16string name;
    for (size_t k = 0; k < n; ++k) {
      auto c = static_cast<char16_t>(data[p + 1 + k] - 128);
      if (c == 0) {
        break;
      }
      name.push_back(c);
    }
    names.push_back(name);
    if (lengths != nullptr) {
      lengths->push_back(n);
    }
    p += n + 1;
  }
  return names;
}

bool IsPlainFontFileName(const std::u16string& name) {
  if (name.size() < 2 || name[0] != u'\\') {
    return false;
  }
  std::u16string rest = name.substr(1);
  if (rest == u"." || rest.find(u"..") != std::u16string::npos) {
    return false;
  }
  return rest.find_first_of(u"\\/:") == std::u16string::npos;
}

}  // namespace korvi::fonts
