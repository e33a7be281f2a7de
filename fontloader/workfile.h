// The work file: a 7-byte header, then one name record per unpacked font file.
// A record is a length byte n and n bytes of name, each character's low 8 bits
// minus 128, ending with 0x80 (the image of the terminating NUL).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fontpack.h"

namespace korvi::fonts {

inline constexpr char kWorkFileHeader[] = "717677a";
inline constexpr size_t kWorkFileHeaderSize = 7;
// Record bytes read after the header; records further on are not seen.
inline constexpr size_t kMaxRecordData = 5000;
inline constexpr size_t kMaxRecordLength = 99;  // n, the bytes after the length byte

// Appends the record for `name` to `out`. A name whose record would pass 99 bytes
// is refused (false, nothing appended): cutting it would name another file.
bool EncodeRecord(const std::u16string& name, std::vector<uint8_t>* out);

struct WorkFileContents {
  char header[kWorkFileHeaderSize + 1] = {};  // terminated for the log
  std::vector<uint8_t> records;               // at most kMaxRecordData bytes
};

// Reads the header (which must be there in full, whatever it says) and up to
// kMaxRecordData bytes after it. False when the file holds fewer than 7 bytes.
bool ReadWorkFile(ByteSource& file, WorkFileContents* contents);

// The names of the records in order. A record whose n runs past the data ends the
// list: its name would be cut, and a cut name can be another file's. `lengths`, when
// given, gets each record's n, which a name that ends early does not show.
std::vector<std::u16string> DecodeRecords(const uint8_t* data, size_t size,
                                          std::vector<size_t>* lengths = nullptr);

// True for a backslash followed by a plain file name: no further backslash, no
// slash or colon, no "..", and not "." alone. Only such names are joined to the
// fonts folder, so a record can never reach a file outside it.
bool IsPlainFontFileName(const std::u16string& name);

}  // namespace korvi::fonts
