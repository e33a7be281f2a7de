#include "packbuilder.h"

#include <algorithm>

#include "fontpack.h"

namespace korvi::fonts {

namespace {

void AppendField(std::vector<uint8_t>* out, const std::string& text, size_t size) {
  std::string field = text.substr(0, size);
  field.resize(size, ' ');
  out->insert(out->end(), field.begin(), field.end());
}

}  // namespace

std::vector<uint8_t> BuildEntry(const PackEntry& entry, const std::string& sizeText) {
  std::vector<uint8_t> out;
  AppendField(&out, sizeText.empty() ? std::to_string(entry.data.size()) : sizeText,
              kSizeFieldSize);
  for (size_t i = 0; i < kNameFieldSize; ++i) {
    out.push_back(i < entry.name.size() ? static_cast<uint8_t>(entry.name[i] + 128) : 0);
  }
  out.push_back(static_cast<uint8_t>(entry.kind));
  out.push_back(0);
  out.insert(out.end(), entry.data.begin(), entry.data.end());
  return out;
}

std::vector<uint8_t> BuildPack(const std::vector<PackEntry>& entries,
                               const std::string& countText) {
  std::vector<uint8_t> out;
  AppendField(&out, "Velona font pack", kFirstBlockSize);
  AppendField(&out, "", kSecondBlockSize);
  AppendField(&out, "", kThirdBlockSize);
  AppendField(&out, countText.empty() ? std::to_string(entries.size()) : countText,
              kCountFieldSize);
  for (const PackEntry& entry : entries) {
    std::vector<uint8_t> bytes = BuildEntry(entry);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

}  // namespace korvi::fonts
