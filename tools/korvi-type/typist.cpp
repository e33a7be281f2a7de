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
  return s;
}

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
  if (BackslashGuardRefuses(edit.ch, layoutNumber_, before))
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
  LayoutChoice layout;
  bool trace = false;
  std::vector<std::string> keyArgs;
  bool optionsDone = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!optionsDone && (a == "--layout" || a.rfind("--layout=", 0) == 0)) {
      std::string value;
      if (a == "--layout") {
        if (i + 1 >= args.size()) {
          err << "korvi-type: --layout needs a layout\n" << kUsage;
          return 2;
        }
        value = args[++i];
      } else {
        value = a.substr(9);
      }
      const auto parsed = ParseLayout(value);
      if (!parsed) {
        err << "korvi-type: unknown layout: " << value << '\n';
        return 2;
      }
      layout = *parsed;
    } else if (!optionsDone && a == "--trace") {
      trace = true;
    } else if (!optionsDone && (a == "--help" || a == "-h")) {
      out << kUsage;
      return 0;
    } else if (!optionsDone && a == "--") {
      optionsDone = true;
    } else if (!optionsDone && a.size() > 1 && a[0] == '-' && a[1] == '-') {
      err << "korvi-type: unknown option: " << a << '\n' << kUsage;
      return 2;
    } else {
      keyArgs.push_back(a);
    }
  }
  if (keyArgs.size() > 1) {
    err << "korvi-type: more than one KEYS argument\n" << kUsage;
    return 2;
  }

  std::vector<std::string> lines;
  if (!keyArgs.empty()) {
    lines.push_back(keyArgs[0]);
  } else {
    std::string line;
    while (std::getline(in, line)) {
      while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
      lines.push_back(line);
    }
  }

  // Every line is checked before anything is typed.
  std::vector<std::vector<Key>> parsed(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string error;
    if (!ParseKeys(lines[i], parsed[i], error)) {
      err << "korvi-type: " << error << '\n';
      return 2;
    }
  }

  for (const std::vector<Key>& keys : parsed) {
    ResetWordState();
    Typist typist(layout, trace ? &err : nullptr);
    for (const Key& key : keys)
      typist.Type(key);
    out << ToUtf8(typist.document().text) << '\n';
  }
  return 0;
}

}  // namespace korvi::type
