// korvi-type's key notation, for programs that drive the real DLL: each character is the US key
// that types it (with Shift where the character needs it); {NAME} names a key: BS, ENTER, TAB,
// SPACE, ESC, LEFT, RIGHT, F12, LBRACE, RBRACE. Layout names and numbers are korvi-type's too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvi::typist {

struct Key {
  uint16_t virtualKey = 0;
  bool shift = false;
};

// On failure returns false with a message in error (unknown key name, unterminated brace, a
// character that no US key types).
bool ParseKeys(std::string_view text, std::vector<Key>& keys, std::string& error);

// The language-bar menu entry that selects a layout given as korvi-type takes it: a number 0..7
// or a name (korvi, tamil99, moe-singapore, velona7, mylai, newtw, oldtw, velona6). Unknown
// layouts give nothing; layout 6 gives 0, since no menu entry selects it.
std::optional<unsigned> LayoutMenuEntry(std::string_view layout);

}  // namespace korvi::typist
