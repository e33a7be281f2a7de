#include "testing/tsfmodel/document_model.h"

#include <gtest/gtest.h>

namespace korvi::tsfmodel {
namespace {

TEST(DocumentModel, AnchorsMoveWithEditsByPositionAndGravity) {
  struct Case {
    const char* name;
    long at;
    Gravity gravity;
    Span replaced;
    const wchar_t* text;
    long expected;
  };
  // The document is "abcdef" in every case.
  const Case cases[] = {
      {"before the edit stays", 1, Gravity::kForward, {2, 4}, L"XYZ", 1},
      {"after the edit shifts", 5, Gravity::kBackward, {2, 4}, L"XYZ", 6},
      {"inside removed text, backward", 3, Gravity::kBackward, {2, 4}, L"XYZ", 2},
      {"inside removed text, forward", 3, Gravity::kForward, {2, 4}, L"XYZ", 5},
      {"at the end of removed text shifts", 4, Gravity::kBackward, {2, 4}, L"X", 3},
      {"at the start of a replacement, backward", 2, Gravity::kBackward, {2, 4}, L"X", 2},
      {"at the start of a replacement, forward", 2, Gravity::kForward, {2, 4}, L"X", 3},
      {"insertion point, backward", 3, Gravity::kBackward, {3, 3}, L"XY", 3},
      {"insertion point, forward", 3, Gravity::kForward, {3, 3}, L"XY", 5},
      {"deletion pulls the end back", 6, Gravity::kForward, {1, 6}, L"", 1},
      {"reversed span is taken the other way", 5, Gravity::kBackward, {4, 2}, L"", 3},
  };
  for (const Case& c : cases) {
    DocumentModel doc(L"abcdef");
    const auto id = doc.AddAnchor(c.at, c.gravity);
    doc.Replace(c.replaced, c.text);
    EXPECT_EQ(doc.Position(id), c.expected) << c.name;
  }
}

TEST(DocumentModel, PositionsAreClampedToTheText) {
  DocumentModel doc(L"abc");
  const auto id = doc.AddAnchor(99, Gravity::kBackward);
  EXPECT_EQ(doc.Position(id), 3);
  doc.MoveAnchor(id, -4);
  EXPECT_EQ(doc.Position(id), 0);
  EXPECT_EQ(doc.Text({-5, 2}), L"ab");
  doc.Replace({2, 50}, L"Z");
  EXPECT_EQ(doc.text(), L"abZ");
}

TEST(DocumentModel, AnEdgeMovedPastTheOtherTakesItAlong) {
  DocumentModel doc(L"abcdef");
  const auto start = doc.AddAnchor(2, Gravity::kBackward);
  const auto end = doc.AddAnchor(4, Gravity::kForward);
  doc.MoveEdge(start, end, true, 5);
  EXPECT_EQ(doc.Position(start), 5);
  EXPECT_EQ(doc.Position(end), 5);
  doc.MoveEdge(start, end, false, 1);
  EXPECT_EQ(doc.Position(start), 1);
  EXPECT_EQ(doc.Position(end), 1);
  doc.MoveEdge(start, end, false, 3);
  EXPECT_EQ(doc.Position(start), 1);
  EXPECT_EQ(doc.Position(end), 3);
}

TEST(DocumentModel, RemovedAnchorsAreReused) {
  DocumentModel doc(L"abc");
  const int base = doc.anchorCount();  // the selection's two
  const auto a = doc.AddAnchor(1, Gravity::kBackward);
  doc.AddAnchor(2, Gravity::kBackward);
  doc.RemoveAnchor(a);
  doc.RemoveAnchor(a);  // twice is harmless
  EXPECT_EQ(doc.anchorCount(), base + 1);
  EXPECT_EQ(doc.AddAnchor(0, Gravity::kForward), a);
}

TEST(DocumentModel, TypingAtTheCaretLeavesTheCaretAfterTheText) {
  DocumentModel doc(L"ab");
  EXPECT_EQ(doc.selection().span, (Span{2, 2}));
  doc.Replace({2, 2}, L"cd");
  EXPECT_EQ(doc.selection().span, (Span{4, 4}));
  doc.SetSelection({1, 3}, ActiveEnd::kStart);
  doc.Replace({1, 3}, L"X");
  EXPECT_EQ(doc.selection().span, (Span{2, 2}));
  EXPECT_EQ(doc.text(), L"aXd");
}

TEST(DocumentModel, EndEditTellsWhetherTheSelectionMoved) {
  struct Case {
    const char* name;
    Span to;
    ActiveEnd end;
    bool changed;
  };
  const Case cases[] = {
      {"same place", {2, 2}, ActiveEnd::kNone, false},
      {"caret moved", {1, 1}, ActiveEnd::kNone, true},
      {"extended", {2, 3}, ActiveEnd::kNone, true},
      {"only the active end", {2, 2}, ActiveEnd::kEnd, true},
  };
  for (const Case& c : cases) {
    DocumentModel doc(L"abcd");
    doc.SetSelection({2, 2});
    doc.BeginEdit();
    doc.SetSelection(c.to, c.end);
    EXPECT_EQ(doc.EndEdit().selectionChanged, c.changed) << c.name;
    EXPECT_FALSE(doc.EndEdit().textChanged) << c.name;
  }
  // Text typed at the caret moves the selection too.
  DocumentModel doc(L"ab");
  doc.BeginEdit();
  doc.Replace({2, 2}, L"c");
  EXPECT_TRUE(doc.EndEdit().selectionChanged);
  EXPECT_TRUE(doc.EndEdit().textChanged);
  doc.BeginEdit();
  EXPECT_FALSE(doc.EndEdit().textChanged);
}

TEST(DocumentModel, PropertyValuesReplaceAndSplit) {
  DocumentModel doc(L"abcdefgh");
  doc.SetProperty(0, {1, 7}, 10);
  doc.SetProperty(0, {3, 5}, 20);
  doc.SetProperty(1, {0, 8}, 99);  // another key is independent
  auto spans = doc.PropertySpans(0);
  ASSERT_EQ(spans.size(), 3u);
  EXPECT_EQ(spans[0].span, (Span{1, 3}));
  EXPECT_EQ(spans[0].value, 10);
  EXPECT_EQ(spans[1].span, (Span{3, 5}));
  EXPECT_EQ(spans[1].value, 20);
  EXPECT_EQ(spans[2].span, (Span{5, 7}));
  EXPECT_EQ(doc.PropertyAt(0, 0), std::nullopt);
  EXPECT_EQ(doc.PropertyAt(0, 4), 20);
  EXPECT_EQ(doc.PropertyAt(0, 7), std::nullopt);
  EXPECT_EQ(doc.PropertyOver(0, {3, 5}), 20);
  EXPECT_EQ(doc.PropertyOver(0, {2, 4}), std::nullopt);  // two values
  doc.ClearProperty(0, {2, 6});
  spans = doc.PropertySpans(0);
  ASSERT_EQ(spans.size(), 2u);
  EXPECT_EQ(spans[0].span, (Span{1, 2}));
  EXPECT_EQ(spans[1].span, (Span{6, 7}));
  EXPECT_EQ(doc.PropertySpans(1).size(), 1u);
}

TEST(DocumentModel, TextInsertedAtAPropertyEdgeStaysOutside) {
  DocumentModel doc(L"abcd");
  doc.SetProperty(0, {1, 3}, 7);
  doc.Replace({3, 3}, L"X");
  doc.Replace({1, 1}, L"Y");
  ASSERT_EQ(doc.PropertySpans(0).size(), 1u);
  EXPECT_EQ(doc.PropertySpans(0)[0].span, (Span{2, 4}));
  EXPECT_EQ(doc.Text({2, 4}), L"bc");
  // Removing the text empties the span, which then no longer shows, and clearing drops it.
  const int anchors = doc.anchorCount();
  doc.Replace({2, 4}, L"");
  EXPECT_TRUE(doc.PropertySpans(0).empty());
  doc.ClearProperty(0, {0, doc.length()});
  EXPECT_EQ(doc.anchorCount(), anchors - 2);
}

TEST(DocumentModel, AnEmptiedPropertySpanStaysEmptyWhenTextReturns) {
  // What a service does to a marked word: remove it, type its replacement, mark that.
  DocumentModel doc(L"ab");
  doc.SetProperty(0, {0, 2}, 7);
  doc.Replace({0, 2}, L"");
  doc.Replace({0, 0}, L"c");
  EXPECT_TRUE(doc.PropertySpans(0).empty());
  EXPECT_EQ(doc.PropertyAt(0, 0), std::nullopt);
  doc.SetProperty(0, {0, 1}, 8);
  ASSERT_EQ(doc.PropertySpans(0).size(), 1u);
  EXPECT_EQ(doc.PropertySpans(0)[0].span, (Span{0, 1}));
  doc.ClearProperty(0, {0, 1});
  EXPECT_TRUE(doc.PropertySpans(0).empty());
}

}  // namespace
}  // namespace korvi::tsfmodel
