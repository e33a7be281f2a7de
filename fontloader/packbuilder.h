// Builds font pack bytes for tests and benchmarks, the way the product's pack
// maker lays them out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvi::fonts {

struct PackEntry {
  std::string name;  // plain ASCII, at most 32 characters
  char kind = 'A';
  std::vector<uint8_t> data;
};

// A whole pack: header blocks of blanks, the count of `entries` (or
// `countText` when given), then each entry with its data.
std::vector<uint8_t> BuildPack(const std::vector<PackEntry>& entries,
                               const std::string& countText = "");

// One entry: 8-byte size field (`sizeText` or the data size), the hidden name,
// the kind letter, a spare byte and the data.
std::vector<uint8_t> BuildEntry(const PackEntry& entry, const std::string& sizeText = "");

}  // namespace korvi::fonts
