// Compositions: opening one at the caret, writing one key's edit into it, moving the
// caret over whole letters, marking it with a display attribute, and ending it.
#include <utility>

#include "engine/layout_tables.h"
#include "textservice/companion.h"
#include "textservice/edit_sessions.h"
#include "textservice/host_compat.h"
#include "textservice/text_service.h"

namespace korvi {
namespace {

// One selection read from the context; owns its range.
struct Selection {
  ComPtr<ITfRange> range;
  TfActiveSelEnd activeEnd = TF_AE_NONE;
};

bool ReadSelection(TfEditCookie ec, ITfContext* context, Selection* out) {
  TF_SELECTION selection = {};
  ULONG fetched = 0;
  if (FAILED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched))) {
    return false;
  }
  out->range = ComPtr<ITfRange>::Adopt(selection.range);
  out->activeEnd = selection.style.ase;
  return fetched == 1 && out->range;
}

HRESULT WriteSelection(TfEditCookie ec, ITfContext* context, ITfRange* range) {
  TF_SELECTION selection = {};
  selection.range = range;
  selection.style.ase = TF_AE_NONE;
  selection.style.fInterimChar = FALSE;
  return context->SetSelection(ec, 1, &selection);
}

// The first unit of a range's text, 0 when the range is empty or cannot be read.
wchar_t FirstUnit(TfEditCookie ec, ITfRange* range) {
  wchar_t unit = 0;
  ULONG got = 0;
  if (FAILED(range->GetText(ec, 0, &unit, 1, &got)) || got == 0)
    return 0;
  return unit;
}

ComPtr<ITfProperty> AttributeProperty(ITfContext* context) {
  ComPtr<ITfProperty> property;
  if (FAILED(context->GetProperty(GUID_PROP_ATTRIBUTE, property.Put())))
    property.Reset();
  return property;
}

}  // namespace

void SendLookupWord(TfEditCookie ec, ITfRange* range) {
  wchar_t word[100];
  ULONG got = 0;
  if (!range || FAILED(range->GetText(ec, 0, word, 99, &got)))
    got = 0;
  word[got] = L'\0';
  SendLookupWord(word);
}

void CTextService::RequestStartComposition(ITfContext* context) {
  auto session = MakeComObject<CStartCompositionEditSession>(context, this);
  if (!session)
    return;
  RequestSession(context, clientId_, session.Get(), TF_ES_SYNC | TF_ES_READWRITE);
}

void CTextService::RequestEndComposition(ITfContext* context) {
  if (auto session = MakeComObject<CEndCompositionEditSession>(context, this)) {
    RequestSession(context, clientId_, session.Get(), TF_ES_READWRITE);
  }
  // The word is over now, even when TSF runs the ending session later.
  ResetAfterWordEnd(keyState_);
}

void CTextService::StartCompositionInSession(TfEditCookie ec, ITfContext* context) {
  ComPtr<ITfInsertAtSelection> insert;
  if (FAILED(context->QueryInterface(IID_ITfInsertAtSelection, insert.PutVoid())))
    return;
  ComPtr<ITfRange> range;
  if (FAILED(insert->InsertTextAtSelection(ec, TF_IAS_QUERYONLY, nullptr, 0, range.Put())) ||
      !range) {
    return;
  }
  ComPtr<ITfContextComposition> compositions;
  if (FAILED(context->QueryInterface(IID_ITfContextComposition, compositions.PutVoid()))) {
    return;
  }
  ComPtr<ITfComposition> composition;
  if (FAILED(compositions->StartComposition(ec, range.Get(), static_cast<ITfCompositionSink*>(this),
                                            composition.Put())) ||
      !composition) {
    return;
  }
  composition_ = std::move(composition);
  WriteSelection(ec, context, range.Get());
}

void CTextService::FinishComposition(TfEditCookie ec, ITfContext* context) {
  if (ComPtr<ITfComposition> composition = std::move(composition_)) {
    if (hostFlags_.markCompositions) {
      ComPtr<ITfRange> range;
      ComPtr<ITfProperty> property = AttributeProperty(context);
      if (property && SUCCEEDED(composition->GetRange(range.Put())) && range) {
        property->Clear(ec, range.Get());
      }
    }
    composition->EndComposition(ec);
  }
  keyState_.ResetKeyContext();
}

bool CTextService::MarkComposition(TfEditCookie ec, ITfContext* context, TfGuidAtom atom) {
  if (!hostFlags_.markCompositions || !composition_)
    return false;
  ComPtr<ITfRange> range;
  if (FAILED(composition_->GetRange(range.Put())) || !range)
    return false;
  ComPtr<ITfProperty> property = AttributeProperty(context);
  if (!property)
    return false;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = static_cast<LONG>(atom);
  return SUCCEEDED(property->SetValue(ec, range.Get(), &value));
}

bool CTextService::RangeCovers(TfEditCookie ec, ITfRange* inner, ITfRange* outer) {
  LONG startOrder = 0;
  LONG endOrder = 0;
  if (FAILED(outer->CompareStart(ec, inner, TF_ANCHOR_START, &startOrder)))
    return false;
  if (FAILED(outer->CompareEnd(ec, inner, TF_ANCHOR_END, &endOrder)))
    return false;
  return startOrder <= 0 && endOrder >= 0;
}

HRESULT CTextService::ApplyKeyEdit(TfEditCookie ec, ITfContext* context, UINT virtualKey,
                                   wchar_t ch, int32_t count, const wchar_t* output) {
  Selection selection;
  if (!ReadSelection(ec, context, &selection))
    return S_FALSE;

  ComPtr<ITfRange> compositionRange;
  if (composition_ && SUCCEEDED(composition_->GetRange(compositionRange.Put())) &&
      compositionRange) {
    if (!RangeCovers(ec, selection.range.Get(), compositionRange.Get()))
      return S_FALSE;

    if (virtualKey == VK_BACK) {
      BOOL empty = FALSE;
      if (SUCCEEDED(compositionRange->IsEmpty(ec, &empty)) && empty) {
        FinishComposition(ec, context);
        return S_FALSE;
      }
    }

    // The character before the caret decides whether the phonetic backslash may type.
    if (ch == L'\\') {
      wchar_t before = 0;
      ComPtr<ITfRange> probe;
      LONG moved = 0;
      if (SUCCEEDED(selection.range->Clone(probe.Put())) && probe &&
          SUCCEEDED(probe->ShiftStart(ec, -1, &moved, nullptr)) && moved == -1) {
        before = FirstUnit(ec, probe.Get());
      }
      if (BackslashGuardRefuses(static_cast<char16_t>(ch), tamilMode_, layoutNumber_,
                                static_cast<char16_t>(before))) {
        return S_FALSE;
      }
    }

    if (count > 0) {
      if (hostFlags_.keystrokeCorrections) {
        DeleteByKeystrokes(hostFlags_, count, output);
      } else {
        // Exactly count units before the caret (the selection's end), never before the
        // composition's start, whatever the composition's length.
        ComPtr<ITfRange> removal;
        LONG moved = 0;
        if (SUCCEEDED(selection.range->Clone(removal.Put())) && removal &&
            SUCCEEDED(removal->Collapse(ec, TF_ANCHOR_END)) &&
            SUCCEEDED(removal->ShiftStart(ec, -count, &moved, nullptr))) {
          LONG order = 0;
          if (SUCCEEDED(
                  removal->CompareStart(ec, compositionRange.Get(), TF_ANCHOR_START, &order)) &&
              order < 0) {
            removal->ShiftStartToRange(ec, compositionRange.Get(), TF_ANCHOR_START);
          }
          removal->SetText(ec, 0, L"", 0);
        }
      }
    }
  }

  if (FAILED(selection.range->SetText(ec, 0, output, static_cast<LONG>(wcslen(output))))) {
    return S_FALSE;
  }
  selection.range->Collapse(ec, TF_ANCHOR_END);
  WriteSelection(ec, context, selection.range.Get());
  MarkComposition(ec, context, inputAttributeAtom_);
  return S_OK;
}

void CTextService::MoveCaretInComposition(TfEditCookie ec, ITfContext* context, UINT virtualKey) {
  Selection selection;
  if (!ReadSelection(ec, context, &selection) || !composition_)
    return;
  ComPtr<ITfRange> compositionRange;
  if (FAILED(composition_->GetRange(compositionRange.Put())) || !compositionRange)
    return;

  BOOL empty = FALSE;
  if (SUCCEEDED(compositionRange->IsEmpty(ec, &empty)) && empty) {
    FinishComposition(ec, context);
    return;
  }

  ITfRange* range = selection.range.Get();
  LONG moved = 0;
  if (virtualKey == VK_LEFT) {
    BOOL atStart = FALSE;
    if (SUCCEEDED(range->IsEqualStart(ec, compositionRange.Get(), TF_ANCHOR_START, &atStart)) &&
        !atStart) {
      // Over a vowel sign and the consonant it belongs to, as one letter.
      if (SUCCEEDED(range->ShiftStart(ec, -1, &moved, nullptr)) &&
          IsVowelSign(static_cast<char16_t>(FirstUnit(ec, range)))) {
        range->ShiftStart(ec, -1, &moved, nullptr);
      }
    }
    range->Collapse(ec, TF_ANCHOR_START);
  } else if (virtualKey == VK_RIGHT) {
    BOOL atEnd = FALSE;
    if (SUCCEEDED(range->IsEqualEnd(ec, compositionRange.Get(), TF_ANCHOR_END, &atEnd)) && !atEnd) {
      constexpr ULONG kRoom = 100;
      ULONG first = 0;
      if (SUCCEEDED(range->ShiftEnd(ec, 1, &moved, nullptr)) &&
          SUCCEEDED(range->GetText(ec, 0, scratchText_, kRoom, &first)) && first > 0 &&
          IsConsonant(static_cast<char16_t>(scratchText_[0]))) {
        ULONG second = 0;
        if (SUCCEEDED(range->ShiftEnd(ec, 1, &moved, nullptr)) &&
            SUCCEEDED(range->GetText(ec, 0, scratchText_, kRoom, &second)) && second > 0 &&
            !IsVowelSign(static_cast<char16_t>(scratchText_[second - 1])) && second > first) {
          range->ShiftEnd(ec, -1, &moved, nullptr);
        }
      }
    }
    range->Collapse(ec, TF_ANCHOR_END);
  }
  WriteSelection(ec, context, range);
}

HRESULT CTextService::LookupSelectionInSession(TfEditCookie ec, ITfContext* context, bool lookUp,
                                               bool* selectionFound) {
  Selection selection;
  if (!ReadSelection(ec, context, &selection))
    return S_FALSE;
  wchar_t text[200];
  ULONG got = 0;
  if (FAILED(selection.range->GetText(ec, 0, text, 199, &got)))
    got = 0;
  *selectionFound = got > 0;
  if (lookUp && got > 0)
    SendLookupWord(ec, selection.range.Get());
  return S_OK;
}

STDMETHODIMP CTextService::OnCompositionTerminated(TfEditCookie, ITfComposition*) {
  // TSF ended it: only our reference goes; document, key context and word state stay.
  composition_.Reset();
  return S_OK;
}

bool CTextService::CheckSelection(bool lookUp) {
  ComPtr<ITfContext> context = FocusedTopContext();
  if (!context)
    return false;
  auto session = MakeComObject<CLookupSelectionEditSession>(context.Get(), this, lookUp);
  if (!session)
    return false;
  RequestSession(context.Get(), clientId_, session.Get(), TF_ES_READWRITE);
  return session->selectionFound();
}

}  // namespace korvi
