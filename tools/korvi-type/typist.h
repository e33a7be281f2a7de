// korvi-type's core: parses a key string and types it, key by key, the way
// the text service handles each key, into a plain one-line editor.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/keystate.h"
#include "tools/keynotation/key_notation.h"

namespace korvi::type {

using notation::Key;
using notation::LayoutChoice;

// The document of a plain editor: one text with a caret, and the text
// service's composition inside it while a word is being typed.
struct Document {
  std::u16string text;
  size_t caret = 0;
  bool compositionOpen = false;
  size_t compositionStart = 0;
  size_t compositionEnd = 0;
};

// One text-service object typing into one document. Tamil mode starts on
// and the keyboard is open.
class Typist {
 public:
  explicit Typist(LayoutChoice layout, std::ostream* trace = nullptr);

  void Type(const Key& key);
  const Document& document() const { return doc_; }

 private:
  void ApplyKey(const Key& key, KeyAction action);
  bool ApplyKeyEdit(uint16_t virtualKey, const KeyEdit& edit);
  void MoveCaretInComposition(uint16_t virtualKey);
  void PassToEditor(const Key& key);
  void FinishComposition();
  void EndComposition();
  void Trace(const Key& key, const std::string& what);

  int32_t layoutNumber_;
  bool tamilMode_ = true;
  KeyState state_;
  Document doc_;
  std::ostream* trace_;
};

// The whole program: arguments without the program name; returns the exit code.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err);

}  // namespace korvi::type
