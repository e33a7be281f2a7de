// Feeds arbitrary bytes to the pack reader (as the loader walks a pack) and to the
// work-file reader and record decoder.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fontpack.h"
#include "workfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvi::fonts;
  {
    MemorySource pack(data, size);
    int64_t count = 0;
    if (ReadPackHeader(pack, &count) == PackError::kNone) {
      std::vector<uint8_t> font;
      for (int64_t i = 0; i < count; ++i) {
        EntryHeader entry;
        if (ReadEntryHeader(pack, &entry) != PackError::kNone ||
            ReadFontData(pack, entry.dataSize, &font) != PackError::kNone) {
          break;
        }
      }
    }
  }
  {
    MemorySource file(data, size);
    WorkFileContents contents;
    if (ReadWorkFile(file, &contents)) {
      for (const auto& name : DecodeRecords(contents.records.data(), contents.records.size())) {
        std::vector<uint8_t> record;
        if (IsPlainFontFileName(name)) {
          EncodeRecord(name, &record);
        }
      }
    }
  }
  return 0;
}
