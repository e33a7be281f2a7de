// Cost of one key through the engine, over a paragraph of Tamil typed in
// Tamil-99 and in the phonetic layout. A counting operator new shows that no
// key allocates: the benchmark fails if one does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "keys.h"
#include "keystate.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

using namespace korvi;

// வணக்கம். நான் தமிழ் பேசுகிறேன். இன்று வானிலை நன்றாக உள்ளது. நாங்கள்
// பள்ளிக்குச் சென்று பாடம் படித்தோம். அவர்கள் மாலையில் கடற்கரைக்கு வந்தார்கள்.
const std::u16string kPhonetic =
    u"vaNakkam. naan thamiz pEsukiREn. inRu vaanilai nanRaaka uLLathu. naangkaL "
    u"paLLikkuc cenRu paadam padiththOm. avarkaL maalaiyil kadaRkaraikku vanthaarkaL.";
// The same paragraph in Tamil-99 keys (automatic pulli for doubled consonants).
const std::u16string kTamil99 =
    u"vphhkf. ;qif lks/f jt[dhsutif. siud vqisnr ;iuqh dyyld. ;qbhyf jyyshhd[f [giud "
    u"jqokf josllxkf. avmfhyf kqnr'snf houfhmrhhd v;lqmfhyf.";

// Types the stream key by key as the service does: Space and the full stop
// end the word and reset the context.
void TypeStream(const std::u16string& chars, int32_t layout, KeyState& state) {
  for (char16_t ch : chars) {
    uint16_t virtualKey = ch;
    KeyStroke stroke;
    if (CharToKey(ch, stroke))
      virtualKey = stroke.virtualKey;
    const KeyEdit edit = ComputeKeyEdit(state, virtualKey, stroke.shift, false, true, layout);
    benchmark::DoNotOptimize(edit);
    if (ch == u' ' || ch == u'.')
      ResetAfterWordEnd(state);
  }
}

// The text a stream types, for checking that both streams say the same.
std::u16string TypedText(const std::u16string& chars, int32_t layout) {
  KeyState state;
  ResetAfterWordEnd(state);
  std::u16string text;
  for (char16_t ch : chars) {
    KeyStroke stroke;
    CharToKey(ch, stroke);
    const KeyEdit edit =
        ComputeKeyEdit(state, stroke.virtualKey, stroke.shift, false, true, layout);
    text.erase(text.size() - std::min<size_t>(edit.count, text.size()));
    text += state.outputBuffer;
    if (ch == u' ' || ch == u'.')
      ResetAfterWordEnd(state);
  }
  return text;
}

void ConvertOnly(const std::u16string& chars, int32_t layout) {
  OutputBuffer out;
  uint8_t cons = 0;
  char16_t previous = 0;
  for (char16_t ch : chars) {
    benchmark::DoNotOptimize(ConvertKey(ch, previous, out, cons, layout, false));
    previous = ch;
    if (ch == u' ' || ch == u'.') {
      ResetWordState();
      previous = 0;
      cons = 0;
    }
  }
}

template <typename Body>
void Run(benchmark::State& st, size_t keys, Body body) {
  // The counter must see an allocation, or its zero would prove nothing.
  const long probeBefore = allocations.load();
  int* probe = new int(1);
  benchmark::DoNotOptimize(probe);
  delete probe;
  if (allocations.load() == probeBefore)
    st.SkipWithError("the allocation counter is not in use");

  const long before = allocations.load();
  for (auto _ : st)
    body();
  const long allocated = allocations.load() - before;
  if (allocated != 0)
    st.SkipWithError("a key allocated on the heap");
  const double totalKeys = static_cast<double>(keys) * static_cast<double>(st.iterations());
  // Shown as seconds per key with an SI prefix, e.g. "45n" for 45 ns.
  st.counters["time_per_key"] =
      benchmark::Counter(totalKeys, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  st.counters["allocs_per_key"] = static_cast<double>(allocated) / totalKeys;
  st.SetItemsProcessed(static_cast<int64_t>(totalKeys));
}

void BM_ConvertKeyTamil99(benchmark::State& st) {
  ResetWordState();
  Run(st, kTamil99.size(), [] { ConvertOnly(kTamil99, kLayoutTamil99); });
}
void BM_ConvertKeyPhonetic(benchmark::State& st) {
  ResetWordState();
  Run(st, kPhonetic.size(), [] { ConvertOnly(kPhonetic, kLayoutKorvi); });
}
void BM_KeyEditTamil99(benchmark::State& st) {
  KeyState state;
  ResetAfterWordEnd(state);
  Run(st, kTamil99.size(), [&] { TypeStream(kTamil99, kLayoutTamil99, state); });
}
void BM_KeyEditPhonetic(benchmark::State& st) {
  KeyState state;
  ResetAfterWordEnd(state);
  Run(st, kPhonetic.size(), [&] { TypeStream(kPhonetic, kLayoutKorvi, state); });
}

void BM_StreamsTypeTheSameParagraph(benchmark::State& st) {
  const bool same = TypedText(kTamil99, kLayoutTamil99) == TypedText(kPhonetic, kLayoutKorvi);
  for (auto _ : st)
    benchmark::DoNotOptimize(same);
  if (!same)
    st.SkipWithError("the two key streams type different text");
}

BENCHMARK(BM_StreamsTypeTheSameParagraph)->Iterations(1);
BENCHMARK(BM_ConvertKeyTamil99);
BENCHMARK(BM_ConvertKeyPhonetic);
BENCHMARK(BM_KeyEditTamil99);
BENCHMARK(BM_KeyEditPhonetic);

}  // namespace

BENCHMARK_MAIN();
