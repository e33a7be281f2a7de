#include "tools/korvi-typist/key_notation.h"

namespace korvi::typist {
namespace {

struct NamedKey {
  const char* name;
  uint16_t virtualKey;
  bool shift;
};
constexpr NamedKey kNamedKeys[] = {
    {"BS", 0x08, false},    {"ENTER", 0x0D, false}, {"TAB", 0x09, false},   {"SPACE", 0x20, false},
    {"ESC", 0x1B, false},   {"LEFT", 0x25, false},  {"RIGHT", 0x27, false}, {"F12", 0x7B, false},
    {"LBRACE", 0xDB, true}, {"RBRACE", 0xDD, true},
};

// Keys of the US keyboard besides letters, with their unshifted and shifted characters.
struct CharKey {
  uint16_t virtualKey;
  char plain;
  char shifted;
};
constexpr CharKey kCharKeys[] = {
    {0xC0, '`', '~'},  {0x31, '1', '!'},  {0x32, '2', '@'}, {0x33, '3', '#'}, {0x34, '4', '$'},
    {0x35, '5', '%'},  {0x36, '6', '^'},  {0x37, '7', '&'}, {0x38, '8', '*'}, {0x39, '9', '('},
    {0x30, '0', ')'},  {0xBD, '-', '_'},  {0xBB, '=', '+'}, {0xDB, '[', 0},   {0xDD, ']', '}'},
    {0xBA, ';', ':'},  {0xDE, '\'', '"'}, {0xBC, ',', '<'}, {0xBE, '.', '>'}, {0xBF, '/', '?'},
    {0xDC, '\\', '|'}, {0x20, ' ', 0},
};

}  // namespace

bool ParseKeys(std::string_view text, std::vector<Key>& keys, std::string& error) {
  keys.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '{') {
      const size_t close = text.find('}', i);
      if (close == std::string_view::npos) {
        error = "unterminated key name: " + std::string(text.substr(i));
        return false;
      }
      const std::string_view name = text.substr(i + 1, close - i - 1);
      bool found = false;
      for (const NamedKey& k : kNamedKeys) {
        if (name == k.name) {
          keys.push_back({k.virtualKey, k.shift});
          found = true;
          break;
        }
      }
      if (!found) {
        error = "unknown key name: {" + std::string(name) + "}";
        return false;
      }
      i = close;
    } else if (c >= 'a' && c <= 'z') {
      keys.push_back({static_cast<uint16_t>(c - 'a' + 'A'), false});
    } else if (c >= 'A' && c <= 'Z') {
      keys.push_back({static_cast<uint16_t>(c), true});
    } else {
      bool found = false;
      for (const CharKey& k : kCharKeys) {
        if (c == k.plain || (k.shifted != 0 && c == k.shifted)) {
          keys.push_back({k.virtualKey, c != k.plain});
          found = true;
          break;
        }
      }
      if (!found) {
        error = std::string("no US key types the character '") + c + "'";
        return false;
      }
    }
  }
  return true;
}

std::optional<unsigned> LayoutMenuEntry(std::string_view layout) {
  struct Entry {
    const char* name;
    const char* number;
    unsigned menuId;
  };
  // The language bar's submenu entries (11..18); moe-singapore has no number of its own.
  static const Entry kEntries[] = {
      {"korvi", "0", 11},   {"tamil99", "1", 12}, {"moe-singapore", nullptr, 13},
      {"velona6", "7", 14}, {"velona7", "2", 15}, {"oldtw", "5", 16},
      {"newtw", "4", 17},   {"mylai", "3", 18},
  };
  if (layout == "6")
    return 0u;
  for (const Entry& e : kEntries) {
    if (layout == e.name || (e.number && layout == e.number))
      return e.menuId;
  }
  return std::nullopt;
}

}  // namespace korvi::typist
