#include "typist.h"

#include <algorithm>
#include <cstdio>
#include <istream>
#include <ostream>

#include "engine/keys.h"
#include "engine/layout_tables.h"
#include "engine/shift_state.h"

namespace korvi::type {
namespace {

constexpr char kUsage[] =
    "usage: korvi-type [--layout L] [--trace] [KEYS]\n"
    "  L: 0..7, korvi, tamil99, moe-singapore, velona7, mylai, newtw, oldtw, velona6\n"
    "  KEYS: US-keyboard characters; {BS} {ENTER} {TAB} {SPACE} {ESC} {LEFT} {RIGHT}\n"
    "        {F12} {LBRACE} {RBRACE} name keys. Without KEYS each line of standard\n"
    "        input is typed into a fresh document.\n";

std::string CodePoints(std::u16string_view text) {
  std::string s;
  char buf[16];
  for (char16_t unit : text) {
    std::snprintf(buf, sizeof buf, "%sU+%04X", s.empty() ? "" : " ", static_cast<unsigned>(unit));
    s += buf;
  }
  return s.empty() ? "(none)" : s;
}

}  // namespace

Typist::Typist(LayoutChoice layout, std::ostream* trace)
    : layoutNumber_(layout.layoutNumber), trace_(trace) {
  SetTamil99Rules(layout.tamil99Rules);
  ResetAfterWordEnd(state_);  // as on activation
}

void Typist::Trace(const Key& key, const std::string& what) {
  if (trace_ != nullptr)
    *trace_ << key.name << ": " << what << '\n';
}

void Typist::Type(const Key& key) {
  SetShiftDown(key.shift);
  if (IsModeKeyPress(key.virtualKey, 0)) {
    tamilMode_ = !tamilMode_;
    state_.ResetKeyContext();
    EndComposition();
    Trace(key, tamilMode_ ? "Tamil mode" : "English mode");
  } else {
    KeyModifiers modifiers;
    modifiers.shift = key.shift;
    if (KeyIsTaken(key.virtualKey, modifiers, doc_.compositionOpen)) {
      const KeyAction action = DispatchKey(key.virtualKey, tamilMode_, layoutNumber_);
      switch (action) {
        case KeyAction::LookUpWord:  // the lookup server is not part of this editor
          Trace(key, "word handed to the lookup server");
          break;
        case KeyAction::MoveCaret:
          state_.ResetKeyContext();
          MoveCaretInComposition(key.virtualKey);
          // As at the end of every edit: a caret outside the composition ends it.
          if (doc_.compositionOpen &&
              (doc_.caret < doc_.compositionStart || doc_.caret > doc_.compositionEnd))
            EndComposition();
          Trace(key, "caret moved");
          break;
        case KeyAction::Swallow:
          Trace(key, "swallowed");
          break;
        default:
          ApplyKey(key, action);
          break;
      }
    } else {
      if (PassKeyThroughEndsWord(state_, key.virtualKey, key.shift, layoutNumber_))
        EndComposition();
      Trace(key, "passed to the editor");
      PassToEditor(key);
    }
  }
  SetShiftDown(false);
}

void Typist::ApplyKey(const Key& key, KeyAction action) {
  if (!doc_.compositionOpen) {
    doc_.compositionOpen = true;
    doc_.compositionStart = doc_.compositionEnd = doc_.caret;
  }
  const KeyEdit edit =
      ComputeKeyEdit(state_, key.virtualKey, key.shift, false, tamilMode_, layoutNumber_);
  const bool written = ApplyKeyEdit(key.virtualKey, edit);
  if (!written)
    NoteEditNotWritten(state_);
  if (trace_ != nullptr) {
    *trace_ << key.name << ": result " << edit.engineResult << ", removed " << edit.count
            << ", inserted " << (written ? CodePoints(state_.outputBuffer) : "nothing") << '\n';
  }
  if (WordEndsAfterApply(action, state_, key.virtualKey, layoutNumber_))
    EndComposition();
}

// The edit inside the composition: at most the composition's text before the
// caret is removed, then the output goes in at the caret. Returns whether
// the document was written.
bool Typist::ApplyKeyEdit(uint16_t virtualKey, const KeyEdit& edit) {
  if (doc_.caret < doc_.compositionStart || doc_.caret > doc_.compositionEnd)
    return false;
  if (virtualKey == vk::Back && doc_.compositionStart == doc_.compositionEnd) {
    FinishComposition();
    return false;
  }
  const char16_t before = doc_.caret > 0 ? doc_.text[doc_.caret - 1] : 0;
  if (BackslashGuardRefuses(edit.ch, tamilMode_, layoutNumber_, before))
    return false;

  const size_t remove =
      std::min(static_cast<size_t>(edit.count), doc_.caret - doc_.compositionStart);
  doc_.text.erase(doc_.caret - remove, remove);
  doc_.caret -= remove;
  doc_.compositionEnd -= remove;

  const std::u16string_view output(state_.outputBuffer);
  doc_.text.insert(doc_.caret, output);
  doc_.caret += output.size();
  doc_.compositionEnd += output.size();
  return true;
}

// Left and Right step over a consonant and its vowel sign as one letter and
// stop at the composition's edges.
void Typist::MoveCaretInComposition(uint16_t virtualKey) {
  if (doc_.compositionStart == doc_.compositionEnd) {
    FinishComposition();
    return;
  }
  const std::u16string& t = doc_.text;
  if (virtualKey == vk::Left) {
    if (doc_.caret > doc_.compositionStart) {
      --doc_.caret;
      if (IsVowelSign(t[doc_.caret]) && doc_.caret > 0)
        --doc_.caret;
    }
  } else if (doc_.caret < doc_.compositionEnd) {
    const size_t first = doc_.caret + 1;
    size_t end = first;
    if (IsConsonant(t[doc_.caret]) && end < t.size()) {
      ++end;
      if (!IsVowelSign(t[end - 1]))
        end = first;
    }
    doc_.caret = end;
  }
}

void Typist::PassToEditor(const Key& key) {
  std::u16string& t = doc_.text;
  switch (key.virtualKey) {
    case vk::Back:
      if (doc_.caret > 0)
        t.erase(--doc_.caret, 1);
      return;
    case vk::Return:
      t.insert(doc_.caret++, 1, u'\n');
      return;
    case vk::Left:
      if (doc_.caret > 0)
        --doc_.caret;
      return;
    case vk::Right:
      if (doc_.caret < t.size())
        ++doc_.caret;
      return;
    default:
      break;
  }
  const char16_t ch = KeyToChar(key.virtualKey, key.shift);
  if (ch >= 0x20 || ch == u'\t')
    t.insert(doc_.caret++, 1, ch);
}

void Typist::FinishComposition() {
  doc_.compositionOpen = false;
  state_.ResetKeyContext();
}

// The service's request to end the word: the composition closes and the key
// context and the engine's word state start afresh.
void Typist::EndComposition() {
  ResetAfterWordEnd(state_);
  FinishComposition();
}

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err) {
  notation::TypingCommand command;
  std::string error;
  if (!notation::ParseTypingCommand(args, in, {/*trace=*/true, /*dll=*/false}, command, error)) {
    err << "korvi-type: " << error << '\n' << kUsage;
    return 2;
  }
  if (command.help) {
    out << kUsage;
    return 0;
  }
  for (const std::vector<Key>& keys : command.documents) {
    ResetWordState();
    Typist typist(command.layout, command.trace ? &err : nullptr);
    for (const Key& key : keys)
      typist.Type(key);
    out << notation::ToUtf8(typist.document().text) << '\n';
  }
  return 0;
}

}  // namespace korvi::type
