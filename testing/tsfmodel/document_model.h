// DocumentModel: the document behind a model TSF context, in plain C++. It holds the text, anchors
// that move with edits as TSF's anchors do, the selection with its active end, per-range property
// values, and the bookkeeping that tells at the end of an edit session what changed.
//
// Positions count UTF-16 units from 0 to length(). Every position handed in is clamped to the text,
// and a span whose start lies after its end is taken the other way round.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvi::tsfmodel {

// Where an anchor goes when text is inserted at its position: it stays before the new text
// (backward) or moves after it (forward).
enum class Gravity { kBackward, kForward };

enum class ActiveEnd { kNone, kStart, kEnd };

struct Span {
  long start = 0;
  long end = 0;
  bool empty() const { return start == end; }
  friend bool operator==(const Span& a, const Span& b) {
    return a.start == b.start && a.end == b.end;
  }
  friend bool operator!=(const Span& a, const Span& b) { return !(a == b); }
};

class DocumentModel {
 public:
  using AnchorId = int;

  struct Selection {
    Span span;
    ActiveEnd activeEnd = ActiveEnd::kNone;
    bool interim = false;
  };

  struct PropertySpan {
    Span span;
    long value = 0;
  };

  explicit DocumentModel(std::wstring text = {});

  const std::wstring& text() const { return text_; }
  long length() const { return static_cast<long>(text_.size()); }
  std::wstring Text(Span span) const;

  AnchorId AddAnchor(long position, Gravity gravity);
  void RemoveAnchor(AnchorId id);
  long Position(AnchorId id) const;
  void MoveAnchor(AnchorId id, long position);
  // Moves one edge of the span held by start and end; an edge pushed past the other one takes it
  // along, as TSF's ranges do.
  void MoveEdge(AnchorId start, AnchorId end, bool movingStart, long position);
  Gravity GetGravity(AnchorId id) const;
  void SetGravity(AnchorId id, Gravity gravity);
  // Live anchors, the selection's two and those of property spans included: a test can see that
  // released ranges gave theirs back.
  int anchorCount() const;

  // Replaces the units of the span with text. Anchors before the span stay where they are; anchors
  // after it, and at its end when it is not empty, move by the change in length; anchors inside it
  // or at its start end up before the new text (backward gravity) or after it (forward gravity).
  void Replace(Span span, std::wstring_view text);

  // The selection's anchors have forward gravity, so text typed at the caret leaves the caret
  // after it, as in an editor.
  Selection selection() const;
  void SetSelection(Span span, ActiveEnd activeEnd = ActiveEnd::kNone, bool interim = false);

  // Edit bookkeeping. BeginEdit remembers the selection and clears the change marks; EndEdit says
  // whether the selection (its span or its active end) and the text differ from then.
  struct EditSummary {
    bool selectionChanged = false;
    bool textChanged = false;
  };
  void BeginEdit();
  EditSummary EndEdit() const;

  // Property values, one integer per range and property key. Spans are carried by inward anchors:
  // text inserted at a span's edge stays outside it. Setting a value over a span replaces what the
  // key held there; clearing cuts the span out of the key's spans.
  void SetProperty(int key, Span span, long value);
  void ClearProperty(int key, Span span);
  // The value of the unit that starts at position.
  std::optional<long> PropertyAt(int key, long position) const;
  // The value that covers the whole span, if one value does.
  std::optional<long> PropertyOver(int key, Span span) const;
  std::vector<PropertySpan> PropertySpans(int key) const;

 private:
  struct Anchor {
    long position = 0;
    Gravity gravity = Gravity::kBackward;
    bool live = false;
  };
  struct StoredSpan {
    int key;
    AnchorId start;
    AnchorId end;
    long value;
  };

  long Clamp(long position) const;
  Span Normalize(Span span) const;
  Span SpanOf(const StoredSpan& stored) const;
  void AddStoredSpan(int key, Span span, long value);

  std::wstring text_;
  std::vector<Anchor> anchors_;
  std::vector<AnchorId> freeAnchors_;
  AnchorId selectionStart_;
  AnchorId selectionEnd_;
  ActiveEnd activeEnd_ = ActiveEnd::kNone;
  bool interim_ = false;
  Selection editStartSelection_;
  bool textChanged_ = false;
  std::vector<StoredSpan> properties_;
};

}  // namespace korvi::tsfmodel
