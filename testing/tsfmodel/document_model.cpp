#include "testing/tsfmodel/document_model.h"

#include <algorithm>

namespace korvi::tsfmodel {

DocumentModel::DocumentModel(std::wstring text) : text_(std::move(text)) {
  selectionStart_ = AddAnchor(length(), Gravity::kForward);
  selectionEnd_ = AddAnchor(length(), Gravity::kForward);
  editStartSelection_ = selection();
}

long DocumentModel::Clamp(long position) const {
  return std::clamp(position, 0L, length());
}

Span DocumentModel::Normalize(Span span) const {
  long a = Clamp(span.start);
  long b = Clamp(span.end);
  if (a > b)
    std::swap(a, b);
  return {a, b};
}

std::wstring DocumentModel::Text(Span span) const {
  const Span s = Normalize(span);
  return text_.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.end - s.start));
}

DocumentModel::AnchorId DocumentModel::AddAnchor(long position, Gravity gravity) {
  AnchorId id;
  if (!freeAnchors_.empty()) {
    id = freeAnchors_.back();
    freeAnchors_.pop_back();
  } else {
    id = static_cast<AnchorId>(anchors_.size());
    anchors_.emplace_back();
  }
  anchors_[id] = Anchor{Clamp(position), gravity, true};
  return id;
}

void DocumentModel::RemoveAnchor(AnchorId id) {
  if (id < 0 || id >= static_cast<AnchorId>(anchors_.size()) || !anchors_[id].live)
    return;
  anchors_[id].live = false;
  freeAnchors_.push_back(id);
}

long DocumentModel::Position(AnchorId id) const {
  return anchors_.at(id).position;
}

void DocumentModel::MoveAnchor(AnchorId id, long position) {
  anchors_.at(id).position = Clamp(position);
}

void DocumentModel::MoveEdge(AnchorId start, AnchorId end, bool movingStart, long position) {
  const long to = Clamp(position);
  if (movingStart) {
    MoveAnchor(start, to);
    if (Position(end) < to)
      MoveAnchor(end, to);
  } else {
    MoveAnchor(end, to);
    if (Position(start) > to)
      MoveAnchor(start, to);
  }
}

Gravity DocumentModel::GetGravity(AnchorId id) const {
  return anchors_.at(id).gravity;
}

void DocumentModel::SetGravity(AnchorId id, Gravity gravity) {
  anchors_.at(id).gravity = gravity;
}

int DocumentModel::anchorCount() const {
  return static_cast<int>(
      std::count_if(anchors_.begin(), anchors_.end(), [](const Anchor& a) { return a.live; }));
}

void DocumentModel::Replace(Span span, std::wstring_view text) {
  const Span s = Normalize(span);
  const long inserted = static_cast<long>(text.size());
  text_.replace(static_cast<size_t>(s.start), static_cast<size_t>(s.end - s.start), text);
  const long delta = inserted - (s.end - s.start);
  for (Anchor& a : anchors_) {
    if (!a.live || a.position < s.start)
      continue;
    // An anchor at the end of removed text stays right after what replaces it; only anchors
    // inside the removed text, or at the point of a pure insertion, follow their gravity.
    const bool after = a.position > s.end || (a.position == s.end && s.end > s.start);
    if (after) {
      a.position += delta;
    } else {
      a.position = a.gravity == Gravity::kForward ? s.start + inserted : s.start;
    }
  }
  // An inward span that edits emptied must stay empty: text inserted where it was would
  // otherwise push its start past its end.
  for (const StoredSpan& stored : properties_) {
    if (Position(stored.start) > Position(stored.end))
      MoveAnchor(stored.start, Position(stored.end));
  }
  if (delta != 0 || s.end > s.start)
    textChanged_ = true;
}

DocumentModel::Selection DocumentModel::selection() const {
  return Selection{{Position(selectionStart_), Position(selectionEnd_)}, activeEnd_, interim_};
}

void DocumentModel::SetSelection(Span span, ActiveEnd activeEnd, bool interim) {
  const Span s = Normalize(span);
  MoveAnchor(selectionStart_, s.start);
  MoveAnchor(selectionEnd_, s.end);
  activeEnd_ = activeEnd;
  interim_ = interim;
}

void DocumentModel::BeginEdit() {
  editStartSelection_ = selection();
  textChanged_ = false;
}

DocumentModel::EditSummary DocumentModel::EndEdit() const {
  const Selection now = selection();
  EditSummary summary;
  summary.selectionChanged = now.span != editStartSelection_.span ||
                             now.activeEnd != editStartSelection_.activeEnd ||
                             now.interim != editStartSelection_.interim;
  summary.textChanged = textChanged_;
  return summary;
}

Span DocumentModel::SpanOf(const StoredSpan& stored) const {
  return {Position(stored.start), Position(stored.end)};
}

void DocumentModel::AddStoredSpan(int key, Span span, long value) {
  properties_.push_back(StoredSpan{key, AddAnchor(span.start, Gravity::kForward),
                                   AddAnchor(span.end, Gravity::kBackward), value});
}

void DocumentModel::SetProperty(int key, Span span, long value) {
  const Span s = Normalize(span);
  ClearProperty(key, s);
  if (!s.empty())
    AddStoredSpan(key, s, value);
}

void DocumentModel::ClearProperty(int key, Span span) {
  const Span s = Normalize(span);
  std::vector<StoredSpan> kept;
  std::vector<StoredSpan> removed;
  for (const StoredSpan& stored : properties_) {
    const Span old = SpanOf(stored);
    const bool overlaps = old.start < s.end && s.start < old.end;
    // A span that edits have emptied is dropped on the way.
    if (stored.key != key || (!overlaps && !old.empty())) {
      kept.push_back(stored);
    } else {
      removed.push_back(stored);
    }
  }
  properties_ = std::move(kept);
  for (const StoredSpan& stored : removed) {
    const Span old = SpanOf(stored);
    RemoveAnchor(stored.start);
    RemoveAnchor(stored.end);
    if (old.empty())
      continue;
    if (old.start < s.start)
      AddStoredSpan(key, {old.start, s.start}, stored.value);
    if (s.end < old.end)
      AddStoredSpan(key, {s.end, old.end}, stored.value);
  }
}

std::optional<long> DocumentModel::PropertyAt(int key, long position) const {
  for (const StoredSpan& stored : properties_) {
    const Span s = SpanOf(stored);
    if (stored.key == key && s.start <= position && position < s.end)
      return stored.value;
  }
  return std::nullopt;
}

std::optional<long> DocumentModel::PropertyOver(int key, Span span) const {
  const Span s = Normalize(span);
  for (const StoredSpan& stored : properties_) {
    const Span have = SpanOf(stored);
    if (stored.key == key && !have.empty() && have.start <= s.start && s.end <= have.end) {
      return stored.value;
    }
  }
  return std::nullopt;
}

std::vector<DocumentModel::PropertySpan> DocumentModel::PropertySpans(int key) const {
  std::vector<PropertySpan> spans;
  for (const StoredSpan& stored : properties_) {
    const Span s = SpanOf(stored);
    if (stored.key == key && !s.empty())
      spans.push_back({s, stored.value});
  }
  std::sort(spans.begin(), spans.end(), [](const PropertySpan& a, const PropertySpan& b) {
    return a.span.start < b.span.start;
  });
  return spans;
}

}  // namespace korvi::tsfmodel
