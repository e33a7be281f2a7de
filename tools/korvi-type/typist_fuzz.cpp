// Random key strings, named keys included, typed in every layout: the
// editor's caret and composition must stay inside its text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "typist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  static const char* const kLayouts[] = {"korvi", "tamil99", "moe-singapore", "velona7",
                                         "mylai", "newtw",   "oldtw",         "velona6"};
  const auto layout = korvi::notation::ParseLayout(kLayouts[data[0] % 8]);
  if (!layout)
    std::abort();
  // Bytes with the high bit set stand for named keys, so that they come often.
  static const char* const kNames[] = {"{BS}",   "{ENTER}", "{TAB}", "{SPACE}",  "{ESC}",
                                       "{LEFT}", "{RIGHT}", "{F12}", "{LBRACE}", "{RBRACE}"};
  std::string keys;
  for (size_t i = 1; i < size; ++i) {
    if (data[i] >= 0x80)
      keys += kNames[data[i] % 10];
    else if (data[i] >= 0x20 && data[i] < 0x7F && data[i] != '{')
      keys += static_cast<char>(data[i]);
  }
  std::vector<korvi::type::Key> parsed;
  std::string error;
  if (!korvi::notation::ParseKeys(keys, parsed, error))
    std::abort();  // every key written above is valid

  korvi::ResetWordState();
  korvi::type::Typist typist(*layout);
  for (const korvi::type::Key& key : parsed) {
    typist.Type(key);
    const korvi::type::Document& d = typist.document();
    if (d.caret > d.text.size())
      std::abort();
    if (d.compositionOpen &&
        (d.compositionStart > d.compositionEnd || d.compositionEnd > d.text.size()))
      std::abort();
  }
  return 0;
}
