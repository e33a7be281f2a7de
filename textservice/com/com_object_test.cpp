#include "textservice/com/com_object.h"

#include <gtest/gtest.h>

#include <vector>

#include "textservice/com/com_ptr.h"
#include "textservice/com/sink_advice.h"
#include "textservice/module.h"

namespace korvi {
namespace {

// Counts live objects the way the module does, so the tests can see the policy at work.
struct TestCount {
  static inline int live = 0;
  static void ObjectCreated() { ++live; }
  static void ObjectDestroyed() { --live; }
};

class CTwoInterfaces final
    : public ComObject<TestCount, ITfDisplayAttributeInfo, IEnumTfDisplayAttributeInfo> {
 public:
  explicit CTwoInterfaces(bool* destroyed = nullptr) : destroyed_(destroyed) {}
  ~CTwoInterfaces() override {
    if (destroyed_)
      *destroyed_ = true;
  }
  STDMETHODIMP GetGUID(GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetDescription(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP GetAttributeInfo(TF_DISPLAYATTRIBUTE*) override { return E_NOTIMPL; }
  STDMETHODIMP SetAttributeInfo(const TF_DISPLAYATTRIBUTE*) override { return E_NOTIMPL; }
  STDMETHODIMP Reset() override { return E_NOTIMPL; }
  STDMETHODIMP Clone(IEnumTfDisplayAttributeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP Next(ULONG, ITfDisplayAttributeInfo**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP Skip(ULONG) override { return E_NOTIMPL; }

 private:
  bool* destroyed_;
};

class ComObjectTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(TestCount::live, 0) << "an object was leaked";
    EXPECT_EQ(ModuleObjectCount(), -1) << "a test object counted in the module";
  }
};

TEST_F(ComObjectTest, QueryInterfaceAnswersEachInterfaceAndIUnknown) {
  auto object = MakeComObject<CTwoInterfaces>();
  ASSERT_TRUE(object);
  EXPECT_EQ(TestCount::live, 1);

  ComPtr<IUnknown> unknown;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
  EXPECT_EQ(unknown.Get(),
            static_cast<IUnknown*>(static_cast<ITfDisplayAttributeInfo*>(object.Get())))
      << "IUnknown is the first interface";

  ComPtr<IEnumTfDisplayAttributeInfo> second;
  ASSERT_EQ(object.As(&second), S_OK);
  EXPECT_EQ(second.Get(), static_cast<IEnumTfDisplayAttributeInfo*>(object.Get()));
  // Back from the second interface to the first, through the second's table.
  ComPtr<ITfDisplayAttributeInfo> first;
  ASSERT_EQ(second.As(&first), S_OK);
  EXPECT_EQ(first.Get(), static_cast<ITfDisplayAttributeInfo*>(object.Get()));

  void* out = &out;
  EXPECT_EQ(object->QueryInterface(IID_ITfSource, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
}

TEST_F(ComObjectTest, ReferenceCountStartsAtOneAndReleaseToZeroDestroys) {
  bool destroyed = false;
  auto* raw = new CTwoInterfaces(&destroyed);
  EXPECT_EQ(raw->AddRef(), 2u);
  ITfDisplayAttributeInfo* info = nullptr;
  ASSERT_EQ(raw->QueryInterface(IID_ITfDisplayAttributeInfo, reinterpret_cast<void**>(&info)),
            S_OK);
  EXPECT_EQ(info->Release(), 2u);
  EXPECT_EQ(raw->Release(), 1u);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(static_cast<IEnumTfDisplayAttributeInfo*>(raw)->Release(), 0u);
  EXPECT_TRUE(destroyed);
}

TEST_F(ComObjectTest, ComPtrOwnsExactlyOneReference) {
  bool destroyed = false;
  {
    auto adopted = ComPtr<CTwoInterfaces>::Adopt(new CTwoInterfaces(&destroyed));
    ComPtr<CTwoInterfaces> copy = adopted;
    ComPtr<ITfDisplayAttributeInfo> converted = copy;
    ComPtr<CTwoInterfaces> moved = std::move(copy);
    EXPECT_FALSE(copy);
    ComPtr<IEnumTfDisplayAttributeInfo> out;
    EXPECT_EQ(moved.CopyTo(out.Put()), S_OK);
    EXPECT_EQ(moved.CopyTo(static_cast<CTwoInterfaces**>(nullptr)), E_INVALIDARG);
    adopted = nullptr;
    EXPECT_FALSE(destroyed);
  }
  EXPECT_TRUE(destroyed);

  ComPtr<ITfSource> empty;
  ComPtr<IUnknown> target;
  EXPECT_EQ(empty.As(&target), E_POINTER);
}

// An ITfSource double that hands out cookies and remembers what is advised.
class CFakeSource final : public ComObject<NotCounted, ITfSource> {
 public:
  STDMETHODIMP AdviseSink(REFIID iid, IUnknown* sink, DWORD* cookie) override {
    if (refuse)
      return E_FAIL;
    if (!IsEqualIID(iid, IID_ITfTextEditSink))
      return E_FAIL;
    sink->AddRef();
    sinks.push_back(sink);
    *cookie = static_cast<DWORD>(sinks.size());
    return S_OK;
  }
  STDMETHODIMP UnadviseSink(DWORD cookie) override {
    if (cookie == 0 || cookie > sinks.size() || !sinks[cookie - 1])
      return E_INVALIDARG;
    sinks[cookie - 1]->Release();
    sinks[cookie - 1] = nullptr;
    unadvised.push_back(cookie);
    return S_OK;
  }
  bool refuse = false;
  std::vector<IUnknown*> sinks;
  std::vector<DWORD> unadvised;
};

TEST_F(ComObjectTest, SinkAdviceWithdrawsItsSinkOnceAndAtTheLatestWhenItGoes) {
  auto source = MakeComObject<CFakeSource>();
  auto object = MakeComObject<CTwoInterfaces>();
  ComPtr<ITfDisplayAttributeInfo> sink = object;
  {
    SinkAdvice advice;
    EXPECT_FALSE(advice.IsAdvised());
    ASSERT_EQ(advice.Advise(source.Get(), IID_ITfTextEditSink, sink.Get()), S_OK);
    EXPECT_EQ(advice.cookie(), 1u);
    advice.Unadvise();
    advice.Unadvise();
    EXPECT_EQ(source->unadvised, (std::vector<DWORD>{1}));
    EXPECT_EQ(advice.cookie(), TF_INVALID_COOKIE);

    // Advising again withdraws the earlier advice first.
    ASSERT_EQ(advice.Advise(source.Get(), IID_ITfTextEditSink, sink.Get()), S_OK);
    ASSERT_EQ(advice.Advise(source.Get(), IID_ITfTextEditSink, sink.Get()), S_OK);
    EXPECT_EQ(source->unadvised, (std::vector<DWORD>{1, 2}));

    SinkAdvice moved = std::move(advice);
    EXPECT_FALSE(advice.IsAdvised());
    EXPECT_EQ(moved.cookie(), 3u);
  }
  EXPECT_EQ(source->unadvised, (std::vector<DWORD>{1, 2, 3})) << "the destructor withdraws";

  SinkAdvice refused;
  source->refuse = true;
  EXPECT_EQ(refused.Advise(source.Get(), IID_ITfTextEditSink, sink.Get()), E_FAIL);
  EXPECT_FALSE(refused.IsAdvised());
  // An object without ITfSource.
  EXPECT_EQ(refused.Advise(sink.Get(), IID_ITfTextEditSink, sink.Get()), E_NOINTERFACE);
  EXPECT_EQ(refused.Advise(nullptr, IID_ITfTextEditSink, sink.Get()), E_INVALIDARG);
  EXPECT_EQ(refused.cookie(), TF_INVALID_COOKIE);
}

}  // namespace
}  // namespace korvi
