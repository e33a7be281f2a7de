// Classification of keys: the US-keyboard character of a virtual key, and
// whether a key belongs to a layout or ends the word being typed.
#pragma once

#include <cstdint>

namespace korvi {

// Windows virtual-key codes used by the engine and the key rules. Defined
// here so that portable code needs no windows.h.
namespace vk {
constexpr uint16_t Back = 0x08;
constexpr uint16_t Tab = 0x09;
constexpr uint16_t Return = 0x0D;
constexpr uint16_t Shift = 0x10;
constexpr uint16_t Control = 0x11;
constexpr uint16_t Menu = 0x12;  // Alt
constexpr uint16_t Capital = 0x14;
constexpr uint16_t Escape = 0x1B;
constexpr uint16_t Space = 0x20;
constexpr uint16_t Left = 0x25;
constexpr uint16_t Right = 0x27;
constexpr uint16_t LWin = 0x5B;
constexpr uint16_t RWin = 0x5C;
constexpr uint16_t Apps = 0x5D;
constexpr uint16_t F12 = 0x7B;
constexpr uint16_t Oem1 = 0xBA;       // ; :
constexpr uint16_t OemPlus = 0xBB;    // = +
constexpr uint16_t OemComma = 0xBC;   // , <
constexpr uint16_t OemMinus = 0xBD;   // - _
constexpr uint16_t OemPeriod = 0xBE;  // . >
constexpr uint16_t Oem2 = 0xBF;       // / ?
constexpr uint16_t Oem3 = 0xC0;       // ` ~
constexpr uint16_t Oem4 = 0xDB;       // [ {
constexpr uint16_t Oem5 = 0xDC;       // \ |
constexpr uint16_t Oem6 = 0xDD;       // ] }
constexpr uint16_t Oem7 = 0xDE;       // ' "
}  // namespace vk

// The character that a key types on a US keyboard, whatever keyboard is
// installed; 0 when the key has no character. Tab, Enter and Space give
// their own codes.
char16_t KeyToChar(uint16_t virtualKey, bool shifted);

// The inverse of KeyToChar: the key (and whether Shift is needed) that types
// ch on a US keyboard. False when no key types ch.
struct KeyStroke {
  uint16_t virtualKey = 0;
  bool shift = false;
};
bool CharToKey(char16_t ch, KeyStroke& stroke);

// Whether code is one of the keys of the layout in the current Shift state
// (read through IsShiftDown). The code 0 belongs to every layout but 6, so a
// key without a character never ends a word. Always false for layout 6 and
// for numbers outside 0..7.
bool IsLayoutKey(uint16_t code, int32_t layoutNumber);

// Whether typing code ends the word: not a layout key, or in Tamil-99 one of
// the shifted K, L, ' and / keys.
bool IsWordEndKey(uint16_t code, int32_t layoutNumber);

}  // namespace korvi
