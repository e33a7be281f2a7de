#include "tools/keynotation/key_notation.h"

#include <cstdio>
#include <istream>

#include "engine/keys.h"
#include "engine/layout_tables.h"

namespace korvi::notation {
namespace {

struct NamedKey {
  const char* name;
  uint16_t virtualKey;
  bool shift;
};

constexpr NamedKey kNamedKeys[] = {
    {"BS", vk::Back, false},     {"ENTER", vk::Return, false}, {"TAB", vk::Tab, false},
    {"SPACE", vk::Space, false}, {"ESC", vk::Escape, false},   {"LEFT", vk::Left, false},
    {"RIGHT", vk::Right, false}, {"F12", vk::F12, false},      {"LBRACE", vk::Oem4, true},
    {"RBRACE", vk::Oem6, true},
};

void AppendUtf8(std::string& s, uint32_t cp) {
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::vector<std::string> ReadLines(std::istream& in) {
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
      line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::optional<LayoutChoice> ParseLayout(std::string_view text) {
  struct Name {
    const char* name;
    LayoutChoice choice;
  };
  static const Name kNames[] = {
      {"korvi", {kLayoutKorvi, true}},
      {"tamil99", {kLayoutTamil99, true}},
      {"moe-singapore", {kLayoutTamil99, false}},
      {"velona7", {kLayoutVelona7, true}},
      {"mylai", {kLayoutMylai, true}},
      {"newtw", {kLayoutNewTw, true}},
      {"oldtw", {kLayoutOldTw, true}},
      {"velona6", {kLayoutVelona6, true}},
  };
  for (const Name& n : kNames)
    if (text == n.name)
      return n.choice;
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '7')
    return LayoutChoice{text[0] - '0', true};
  return std::nullopt;
}

bool ParseKeys(std::string_view text, std::vector<Key>& keys, std::string& error) {
  keys.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '{') {
      const size_t close = text.find('}', i + 1);
      if (close == std::string_view::npos) {
        error = "unterminated key name: " + std::string(text.substr(i));
        return false;
      }
      const std::string_view name = text.substr(i + 1, close - i - 1);
      const NamedKey* found = nullptr;
      for (const NamedKey& k : kNamedKeys)
        if (name == k.name)
          found = &k;
      if (found == nullptr) {
        error = "unknown key name: {" + std::string(name) + "}";
        return false;
      }
      keys.push_back({found->virtualKey, found->shift, "{" + std::string(name) + "}"});
      i = close;
      continue;
    }
    KeyStroke stroke;
    if (c >= 0x80 || c == '\r' || !CharToKey(c, stroke)) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "no US key types the character 0x%02X", c);
      error = buf;
      return false;
    }
    keys.push_back({stroke.virtualKey, stroke.shift, std::string(1, static_cast<char>(c))});
  }
  return true;
}

std::string ToUtf8(std::u16string_view text) {
  std::string s;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;  // a lone surrogate
    }
    AppendUtf8(s, cp);
  }
  return s;
}

bool ParseTypingCommand(const std::vector<std::string>& args, std::istream& in,
                        TypingOptions options, TypingCommand& command, std::string& error) {
  command = TypingCommand{};
  std::vector<std::string> keyArgs;
  bool optionsDone = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool option = !optionsDone && a.size() > 1 && a[0] == '-' && a[1] == '-';
    if (!option && !(a == "-h" && !optionsDone)) {
      keyArgs.push_back(a);
      continue;
    }
    std::string name = a;
    std::optional<std::string> value;
    if (const size_t eq = a.find('='); eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
    }
    const bool takesValue = name == "--layout" || (options.dll && name == "--dll");
    if (takesValue && !value) {
      if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
      }
      value = args[++i];
    }
    if (name == "--layout") {
      const auto layout = ParseLayout(*value);
      if (!layout) {
        error = "unknown layout: " + *value;
        return false;
      }
      command.layout = *layout;
    } else if (takesValue) {
      command.dll = *value;
    } else if (options.trace && a == "--trace") {
      command.trace = true;
    } else if (a == "--help" || a == "-h") {
      command.help = true;
      return true;
    } else if (a == "--") {
      optionsDone = true;
    } else {
      error = "unknown option: " + a;
      return false;
    }
  }
  if (keyArgs.size() > 1) {
    error = "more than one KEYS argument";
    return false;
  }
  const std::vector<std::string> lines = keyArgs.empty() ? ReadLines(in) : keyArgs;
  command.documents.resize(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!ParseKeys(lines[i], command.documents[i], error))
      return false;
  }
  return true;
}

}  // namespace korvi::notation
