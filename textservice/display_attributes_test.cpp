#include "textservice/display_attributes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "testing/win/registry_fixture.h"

namespace korvi {
namespace {

using testing::GetRegistryValue;
using testing::RegistryKeyGuard;
using testing::RegistryValue;
using testing::SetRegistryValue;

std::vector<uint8_t> BytesOf(const TF_DISPLAYATTRIBUTE& attribute) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&attribute);
  return std::vector<uint8_t>(bytes, bytes + sizeof attribute);
}

const TF_DISPLAYATTRIBUTE kGreen = {
    {TF_CT_COLORREF, {0x0000FF00}},
    {TF_CT_SYSCOLOR, {COLOR_WINDOW}},
    TF_LS_DOT,
    TRUE,
    {TF_CT_COLORREF, {0x00123456}},
    TF_ATTR_CONVERTED,
};

// Every test starts without overrides, leaves the registry as it was, and ends with every object
// of the library released.
class DisplayAttributesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\Velona Systems");
    ASSERT_EQ(ModuleObjectCount(), -1);
  }
  void TearDown() override { EXPECT_EQ(ModuleObjectCount(), -1) << "an object was leaked"; }

  static ComPtr<ITfDisplayAttributeInfo> Info(const GUID& guid) {
    ComPtr<ITfDisplayAttributeInfo> info;
    EXPECT_EQ(GetDisplayAttributeInfo(guid, info.Put()), S_OK);
    return info;
  }
  static TF_DISPLAYATTRIBUTE Read(const GUID& guid) {
    TF_DISPLAYATTRIBUTE attribute;
    memset(&attribute, 0xCD, sizeof attribute);
    EXPECT_EQ(Info(guid)->GetAttributeInfo(&attribute), S_OK);
    return attribute;
  }
  static GUID GuidOf(ITfDisplayAttributeInfo* info) {
    GUID guid = GUID_NULL;
    EXPECT_EQ(info->GetGUID(&guid), S_OK);
    return guid;
  }

 private:
  RegistryKeyGuard user_{HKEY_CURRENT_USER, L"Software\\Velona Systems"};
};

TEST_F(DisplayAttributesTest, DefaultsWithoutOverride) {
  const TF_DISPLAYATTRIBUTE input = Read(kInputAttributeGuid);
  EXPECT_EQ(input.crText.type, TF_CT_COLORREF);
  EXPECT_EQ(input.crText.cr, 0x000000FFu);
  EXPECT_EQ(input.crBk.type, TF_CT_NONE);
  EXPECT_EQ(input.lsStyle, TF_LS_SOLID);
  EXPECT_FALSE(input.fBoldLine);
  EXPECT_EQ(input.crLine.type, TF_CT_COLORREF);
  EXPECT_EQ(input.crLine.cr, 0x000000FFu);
  EXPECT_EQ(input.bAttr, TF_ATTR_INPUT);

  const TF_DISPLAYATTRIBUTE converted = Read(kConvertedAttributeGuid);
  EXPECT_EQ(converted.crText.type, TF_CT_COLORREF);
  EXPECT_EQ(converted.crText.cr, 0x00FFFFFFu);
  EXPECT_EQ(converted.crBk.type, TF_CT_COLORREF);
  EXPECT_EQ(converted.crBk.cr, 0x00FF0000u);
  EXPECT_EQ(converted.lsStyle, TF_LS_NONE);
  EXPECT_FALSE(converted.fBoldLine);
  EXPECT_EQ(converted.crLine.type, TF_CT_NONE);
  EXPECT_EQ(converted.bAttr, TF_ATTR_TARGET_CONVERTED);
}

TEST_F(DisplayAttributesTest, GuidAndDescriptionOfEachKind) {
  const struct {
    const GUID& guid;
    const wchar_t* description;
  } kinds[] = {
      {kInputAttributeGuid, L"TextService Display Attribute Input"},
      {kConvertedAttributeGuid, L"TextService Display Attribute Converted"},
  };
  for (const auto& kind : kinds) {
    ComPtr<ITfDisplayAttributeInfo> info = Info(kind.guid);
    EXPECT_TRUE(IsEqualGUID(GuidOf(info.Get()), kind.guid));
    BSTR description = nullptr;
    ASSERT_EQ(info->GetDescription(&description), S_OK);
    EXPECT_STREQ(description, kind.description);
    EXPECT_EQ(SysStringLen(description), wcslen(kind.description));
    SysFreeString(description);
  }
  EXPECT_FALSE(IsEqualGUID(kInputAttributeGuid, kConvertedAttributeGuid));
}

TEST_F(DisplayAttributesTest, OverrideCountsOnlyWithExactly36Bytes) {
  const std::vector<uint8_t> green = BytesOf(kGreen);
  std::vector<uint8_t> green37(37, 0);
  std::copy(green.begin(), green.end(), green37.begin());
  const struct {
    const char* what;
    DWORD type;
    std::vector<uint8_t> data;
    bool taken;
  } cases[] = {
      {"36 bytes", REG_BINARY, green, true},
      {"35 bytes", REG_BINARY, std::vector<uint8_t>(green.begin(), green.end() - 1), false},
      {"37 bytes", REG_BINARY, green37, false},
      {"empty", REG_BINARY, {}, false},
      {"text", REG_SZ, testing::Utf16Bytes(L"red"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(SetRegistryValue(HKEY_CURRENT_USER, kDisplayAttributeKey, kInputAttributeValueName,
                                 c.type, c.data));
    EXPECT_EQ(BytesOf(Read(kInputAttributeGuid)),
              BytesOf(c.taken ? kGreen : kInputAttributeDefault));
    // Each attribute has its own value.
    EXPECT_EQ(BytesOf(Read(kConvertedAttributeGuid)), BytesOf(kConvertedAttributeDefault));
  }
}

TEST_F(DisplayAttributesTest, SetAndResetWriteTheRecordForTheNextReader) {
  ComPtr<ITfDisplayAttributeInfo> writer = Info(kConvertedAttributeGuid);
  ASSERT_EQ(writer->SetAttributeInfo(&kGreen), S_OK);
  EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, kDisplayAttributeKey, kConvertedAttributeValueName),
            (RegistryValue{REG_BINARY, BytesOf(kGreen)}));
  EXPECT_EQ(BytesOf(Read(kConvertedAttributeGuid)), BytesOf(kGreen))
      << "a fresh object reads the change";
  EXPECT_EQ(BytesOf(Read(kInputAttributeGuid)), BytesOf(kInputAttributeDefault));

  // Reset stores the default rather than deleting the override.
  ASSERT_EQ(writer->Reset(), S_OK);
  EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, kDisplayAttributeKey, kConvertedAttributeValueName),
            (RegistryValue{REG_BINARY, BytesOf(kConvertedAttributeDefault)}));
  EXPECT_EQ(BytesOf(Read(kConvertedAttributeGuid)), BytesOf(kConvertedAttributeDefault));
}

TEST_F(DisplayAttributesTest, SetFailsWhenTheKeyCannotBeCreated) {
  // A non-volatile key cannot be made under a volatile one.
  HKEY volatileKey = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Velona Systems\\Velona10", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(volatileKey);
  ComPtr<ITfDisplayAttributeInfo> info = Info(kInputAttributeGuid);
  EXPECT_EQ(info->SetAttributeInfo(&kGreen), E_FAIL);
  EXPECT_EQ(info->Reset(), E_FAIL);
  EXPECT_EQ(BytesOf(Read(kInputAttributeGuid)), BytesOf(kInputAttributeDefault));
}

TEST_F(DisplayAttributesTest, NullArgumentsAndUnknownRequests) {
  ComPtr<ITfDisplayAttributeInfo> info = Info(kInputAttributeGuid);
  EXPECT_EQ(info->GetGUID(nullptr), E_INVALIDARG);
  EXPECT_EQ(info->GetDescription(nullptr), E_INVALIDARG);
  EXPECT_EQ(info->GetAttributeInfo(nullptr), E_INVALIDARG);
  EXPECT_EQ(info->SetAttributeInfo(nullptr), E_INVALIDARG);
  EXPECT_EQ(info->QueryInterface(IID_ITfDisplayAttributeInfo, nullptr), E_INVALIDARG);

  ComPtr<IUnknown> unknown;
  EXPECT_EQ(info->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
  EXPECT_EQ(unknown.Get(), static_cast<IUnknown*>(info.Get()));
  void* other = &other;
  EXPECT_EQ(info->QueryInterface(IID_IEnumTfDisplayAttributeInfo, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);

  ITfDisplayAttributeInfo* unknownGuid = info.Get();
  EXPECT_EQ(GetDisplayAttributeInfo(IID_ITfDisplayAttributeInfo, &unknownGuid), E_INVALIDARG);
  EXPECT_EQ(unknownGuid, nullptr);
  EXPECT_EQ(GetDisplayAttributeInfo(GUID_NULL, &unknownGuid), E_INVALIDARG);
  EXPECT_EQ(GetDisplayAttributeInfo(kInputAttributeGuid, nullptr), E_INVALIDARG);
  EXPECT_EQ(EnumDisplayAttributeInfo(nullptr), E_INVALIDARG);
}

TEST_F(DisplayAttributesTest, ObjectsCountInTheModuleWhileTheyLive) {
  ComPtr<ITfDisplayAttributeInfo> info = Info(kInputAttributeGuid);
  EXPECT_EQ(ModuleObjectCount(), 0);
  ComPtr<IEnumTfDisplayAttributeInfo> enumerator;
  ASSERT_EQ(EnumDisplayAttributeInfo(enumerator.Put()), S_OK);
  EXPECT_EQ(ModuleObjectCount(), 1);
  ComPtr<IEnumTfDisplayAttributeInfo> clone;
  ASSERT_EQ(enumerator->Clone(clone.Put()), S_OK);
  EXPECT_EQ(ModuleObjectCount(), 2);
  ComPtr<ITfDisplayAttributeInfo> second = info;  // one more reference, not one more object
  EXPECT_EQ(ModuleObjectCount(), 2);
  info.Reset();
  second.Reset();
  enumerator.Reset();
  EXPECT_EQ(ModuleObjectCount(), 0);
  clone.Reset();
  EXPECT_TRUE(ModuleCanUnload());
}

class EnumDisplayAttributeInfoTest : public DisplayAttributesTest {
 protected:
  void SetUp() override {
    DisplayAttributesTest::SetUp();
    ASSERT_EQ(EnumDisplayAttributeInfo(enumerator_.Put()), S_OK);
  }
  void TearDown() override {
    enumerator_.Reset();
    DisplayAttributesTest::TearDown();
  }

  // Next(count): its result and the GUIDs of what it stored, each object released again.
  std::pair<HRESULT, std::vector<GUID>> Next(ULONG count) {
    std::vector<ITfDisplayAttributeInfo*> slots(count + 1, nullptr);
    ULONG fetched = 12345;
    const HRESULT hr = enumerator_->Next(count, slots.data(), &fetched);
    std::vector<GUID> guids;
    for (ULONG i = 0; i < fetched && i < count; ++i) {
      guids.push_back(GuidOf(slots[i]));
      slots[i]->Release();
    }
    EXPECT_EQ(fetched, guids.size());
    EXPECT_EQ(slots[count], nullptr) << "wrote past the array";
    return {hr, guids};
  }

  ComPtr<IEnumTfDisplayAttributeInfo> enumerator_;
};

using Guids = std::vector<GUID>;

TEST_F(EnumDisplayAttributeInfoTest, NextGivesInputThenConverted) {
  EXPECT_EQ(Next(5), std::make_pair(S_FALSE, Guids{kInputAttributeGuid, kConvertedAttributeGuid}));
  EXPECT_EQ(Next(5), std::make_pair(S_FALSE, Guids{}));

  ASSERT_EQ(enumerator_->Reset(), S_OK);
  EXPECT_EQ(Next(1), std::make_pair(S_OK, Guids{kInputAttributeGuid}));
  EXPECT_EQ(Next(1), std::make_pair(S_OK, Guids{kConvertedAttributeGuid}));
  EXPECT_EQ(Next(1), std::make_pair(S_FALSE, Guids{}));

  ASSERT_EQ(enumerator_->Reset(), S_OK);
  EXPECT_EQ(Next(2), std::make_pair(S_OK, Guids{kInputAttributeGuid, kConvertedAttributeGuid}));
}

TEST_F(EnumDisplayAttributeInfoTest, NextWithCountZeroOrWithoutFetched) {
  ULONG fetched = 77;
  EXPECT_EQ(enumerator_->Next(0, nullptr, &fetched), S_OK);
  EXPECT_EQ(fetched, 77u) << "count 0 leaves fetched alone";
  EXPECT_EQ(enumerator_->Next(1, nullptr, &fetched), E_INVALIDARG);

  ITfDisplayAttributeInfo* one = nullptr;
  ASSERT_EQ(enumerator_->Next(1, &one, nullptr), S_OK);
  EXPECT_TRUE(IsEqualGUID(GuidOf(one), kInputAttributeGuid));
  one->Release();
}

TEST_F(EnumDisplayAttributeInfoTest, SkipMovesOnlyFromTheStartToConverted) {
  ASSERT_EQ(enumerator_->Skip(0), S_OK);
  EXPECT_EQ(Next(1), std::make_pair(S_OK, Guids{kInputAttributeGuid}));

  ASSERT_EQ(enumerator_->Reset(), S_OK);
  ASSERT_EQ(enumerator_->Skip(5), S_OK);
  EXPECT_EQ(Next(5), std::make_pair(S_FALSE, Guids{kConvertedAttributeGuid}));

  ASSERT_EQ(enumerator_->Reset(), S_OK);
  EXPECT_EQ(Next(1).second.size(), 1u);
  ASSERT_EQ(enumerator_->Skip(1), S_OK);
  EXPECT_EQ(Next(1), std::make_pair(S_OK, Guids{kConvertedAttributeGuid}))
      << "Skip past the start does nothing";
}

TEST_F(EnumDisplayAttributeInfoTest, CloneKeepsThePositionAndMovesOnItsOwn) {
  EXPECT_EQ(enumerator_->Clone(nullptr), E_INVALIDARG);
  EXPECT_EQ(Next(1).second.size(), 1u);
  ComPtr<IEnumTfDisplayAttributeInfo> clone;
  ASSERT_EQ(enumerator_->Clone(clone.Put()), S_OK);
  ComPtr<IEnumTfDisplayAttributeInfo> original = std::move(enumerator_);
  enumerator_ = clone;
  EXPECT_EQ(Next(5), std::make_pair(S_FALSE, Guids{kConvertedAttributeGuid}));
  enumerator_ = original;
  EXPECT_EQ(Next(5), std::make_pair(S_FALSE, Guids{kConvertedAttributeGuid}));

  ComPtr<IUnknown> unknown;
  EXPECT_EQ(enumerator_->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
  ComPtr<ITfDisplayAttributeInfo> notAnInfo;
  EXPECT_EQ(enumerator_.As(&notAnInfo), E_NOINTERFACE);
}

}  // namespace
}  // namespace korvi
