// The key notation and command line shared by the typing tools: korvi-type (the engine and the key
// rules, native) and korvi-typist (the real DLL under Wine). Sharing them keeps the two tools
// comparable line for line.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvi::notation {

struct LayoutChoice {
  int32_t layoutNumber = 0;
  bool tamil99Rules = true;  // off only for MOE-Singapore
};

// A layout number 0..7 or one of the names korvi, tamil99, moe-singapore, velona7, mylai, newtw,
// oldtw, velona6.
std::optional<LayoutChoice> ParseLayout(std::string_view text);

struct Key {
  uint16_t virtualKey = 0;
  bool shift = false;
  std::string name;  // as written, for tracing
};

// Each character is the US key that types it (with Shift where needed); {NAME} is a named key:
// BS, ENTER, TAB, SPACE, ESC, LEFT, RIGHT, F12, LBRACE, RBRACE. On failure returns false with a
// message in error.
bool ParseKeys(std::string_view text, std::vector<Key>& keys, std::string& error);

std::string ToUtf8(std::u16string_view text);

// [--layout L] [--trace] [--dll PATH] [--] [KEYS]; which of --trace and --dll a tool takes is its
// own choice.
struct TypingOptions {
  bool trace = false;
  bool dll = false;
};

struct TypingCommand {
  LayoutChoice layout;
  bool trace = false;
  std::optional<std::string> dll;
  bool help = false;
  // One entry a document: KEYS, or else each line of standard input (CR and LF stripped).
  std::vector<std::vector<Key>> documents;
};

// Every line is parsed before anything is typed, so a bad line types nothing at all. Standard
// input is read only when no KEYS argument is given. On failure returns false with a message.
bool ParseTypingCommand(const std::vector<std::string>& args, std::istream& in,
                        TypingOptions options, TypingCommand& command, std::string& error);

}  // namespace korvi::notation
