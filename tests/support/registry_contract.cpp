#include "support/registry_contract.h"

#include <vector>

namespace pallisar::test {

namespace {

constexpr RegRoot kUser = RegRoot::CurrentUser;
using Names = std::vector<std::string>;

testing::AssertionResult Exists(RegistryStore& store, const std::string& path) {
    std::unique_ptr<RegistryKey> key;
    const long result = store.OpenKey(kUser, path, false, key);
    if (result == regError::kSuccess) return testing::AssertionSuccess() << path << " exists";
    return testing::AssertionFailure() << path << " does not open: " << result;
}

std::unique_ptr<RegistryKey> Create(RegistryStore& store, const std::string& path) {
    std::unique_ptr<RegistryKey> key;
    EXPECT_EQ(store.CreateKey(kUser, path, key), regError::kSuccess) << path;
    return key;
}

Names SubKeys(RegistryKey& key) {
    Names names;
    EXPECT_EQ(key.EnumSubKeys(names), regError::kSuccess);
    return names;
}

Names ValueNames(RegistryKey& key) {
    Names names;
    EXPECT_EQ(key.EnumValues(names), regError::kSuccess);
    return names;
}

}  // namespace

void RegistryContractTest::SetUp() {
    store_ = GetParam().make();
    base_ = std::string("Software\\PallisarTest\\") +
            testing::UnitTest::GetInstance()->current_test_info()->name();
    // The case name carries the instantiation's "/0" suffix.
    for (char& c : base_)
        if (c == '/') c = '_';
    store_->DeleteTree(kUser, base_);
    ASSERT_FALSE(Exists(*store_, base_));
}

void RegistryContractTest::TearDown() {
    if (store_) store_->DeleteTree(kUser, base_);
}

std::string RegistryContractCaseName(const testing::TestParamInfo<RegistryStoreFactory>& info) {
    return info.param.name;
}

TEST_P(RegistryContractTest, MissingKeyFailsAndLeavesTheOutParameter) {
    auto base = Create(*store_, Base());
    std::unique_ptr<RegistryKey> key = Create(*store_, Below("Present"));
    RegistryKey* const before = key.get();
    EXPECT_EQ(store_->OpenKey(kUser, Below("Absent"), false, key), regError::kFileNotFound);
    EXPECT_EQ(store_->OpenKey(kUser, Below("Absent\\Deeper"), true, key), regError::kFileNotFound);
    EXPECT_EQ(key.get(), before);

    RegValue value{RegType::Binary, "sentinel"};
    EXPECT_EQ(key->QueryValue("Absent", value), regError::kFileNotFound);
    EXPECT_EQ(value.type, RegType::Binary);
    EXPECT_EQ(value.data, "sentinel");
    // A new key has no default value either.
    EXPECT_EQ(key->QueryValue("", value), regError::kFileNotFound);
    EXPECT_EQ(value.data, "sentinel");
    EXPECT_EQ(SubKeys(*key), Names{});
    EXPECT_EQ(ValueNames(*key), Names{});
}

TEST_P(RegistryContractTest, CreateKeyMakesEveryKeyOnThePath) {
    auto deep = Create(*store_, Below("A\\B\\C"));
    ASSERT_TRUE(deep);
    EXPECT_TRUE(Exists(*store_, Below("A")));
    EXPECT_TRUE(Exists(*store_, Below("A\\B")));
    EXPECT_TRUE(Exists(*store_, Below("A\\B\\C")));
    ASSERT_EQ(deep->SetValue("Kept", RegValue::Text("yes")), regError::kSuccess);
    // Creating an existing key opens it with its values.
    auto again = Create(*store_, Below("A\\B\\C"));
    RegValue value;
    ASSERT_EQ(again->QueryValue("Kept", value), regError::kSuccess);
    EXPECT_EQ(value.data, "yes");
    auto middle = Create(*store_, Below("A"));
    EXPECT_EQ(SubKeys(*middle), Names{"B"});
}

TEST_P(RegistryContractTest, TypedValuesRoundTrip) {
    auto key = Create(*store_, Base());
    const std::vector<std::pair<std::string, RegValue>> values = {
        {"SSTH3_RGAMMA", RegValue::Text("1.30")},
        {"Empty", RegValue::Text("")},
        {"Number", RegValue::Dword(0x12345678u)},
        {"AllBits", RegValue::Dword(0xFFFFFFFFu)},
        {"Expand", RegValue{RegType::ExpandString, "%SystemRoot%\\system32"}},
        {"Binary", RegValue{RegType::Binary, std::string("\x00\x01\xFF\x00", 4)}},
        {"EmptyBinary", RegValue{RegType::Binary, ""}},
        {"Multi", RegValue{RegType::MultiString, std::string("one\0two\0\0", 9)}},
        {"Punctuated name: \\ & = \"", RegValue::Text("x")},
        // Lengths around a reader's first buffer, and well beyond it.
        {"Text255", RegValue::Text(std::string(255, 'a'))},
        {"Text256", RegValue::Text(std::string(256, 'b'))},
        {"Text5000", RegValue::Text(std::string(5000, 'c'))},
        {"Binary256", RegValue{RegType::Binary, std::string(256, '\x7F')}},
        {"Binary257", RegValue{RegType::Binary, std::string(257, '\x01')}},
        {std::string(300, 'N'), RegValue::Text("a name longer than the first buffer")},
    };
    for (const auto& [name, value] : values) ASSERT_EQ(key->SetValue(name, value), 0) << name;
    auto reader = [&] {
        std::unique_ptr<RegistryKey> k;
        EXPECT_EQ(store_->OpenKey(kUser, Base(), false, k), regError::kSuccess);
        return k;
    }();
    ASSERT_TRUE(reader);
    for (const auto& [name, expected] : values) {
        SCOPED_TRACE(name);
        RegValue value;
        ASSERT_EQ(reader->QueryValue(name, value), regError::kSuccess);
        EXPECT_EQ(value.type, expected.type);
        EXPECT_EQ(value.data, expected.data);
    }
    RegValue number;
    ASSERT_EQ(reader->QueryValue("Number", number), regError::kSuccess);
    EXPECT_EQ(number.AsDword(), 0x12345678u);
    // Enumerated with their data, the values read as they do one by one.
    std::vector<NamedRegValue> all;
    ASSERT_EQ(reader->EnumValueData(all), regError::kSuccess);
    ASSERT_EQ(all.size(), values.size());
    for (const NamedRegValue& found : all) {
        SCOPED_TRACE(found.name);
        RegValue one;
        ASSERT_EQ(reader->QueryValue(found.name, one), regError::kSuccess);
        EXPECT_EQ(found.value.type, one.type);
        EXPECT_EQ(found.value.data, one.data);
    }

    // Writing again replaces data and type.
    ASSERT_EQ(key->SetValue("Number", RegValue::Text("now text")), regError::kSuccess);
    ASSERT_EQ(reader->QueryValue("Number", number), regError::kSuccess);
    EXPECT_EQ(number.type, RegType::String);
    EXPECT_EQ(number.data, "now text");
}

TEST_P(RegistryContractTest, UnnamedDefaultValue) {
    auto key = Create(*store_, Base());
    ASSERT_EQ(key->SetValue("Named", RegValue::Text("n")), regError::kSuccess);
    ASSERT_EQ(key->SetValue("", RegValue::Text("default")), regError::kSuccess);
    RegValue value;
    ASSERT_EQ(key->QueryValue("", value), regError::kSuccess);
    EXPECT_EQ(value.data, "default");
    EXPECT_EQ(ValueNames(*key), (Names{"", "Named"}));
    EXPECT_EQ(key->DeleteValue(""), regError::kSuccess);
    EXPECT_EQ(key->QueryValue("", value), regError::kFileNotFound);
    EXPECT_EQ(ValueNames(*key), Names{"Named"});
}

TEST_P(RegistryContractTest, DeleteValue) {
    auto key = Create(*store_, Base());
    ASSERT_EQ(key->SetValue("FX_GLIDE_SWAPINTERVAL", RegValue::Text("0")), regError::kSuccess);
    ASSERT_EQ(key->SetValue("Other", RegValue::Text("1")), regError::kSuccess);
    EXPECT_EQ(key->DeleteValue("fx_glide_swapinterval"), regError::kSuccess);
    RegValue value;
    EXPECT_EQ(key->QueryValue("FX_GLIDE_SWAPINTERVAL", value), regError::kFileNotFound);
    EXPECT_EQ(key->DeleteValue("FX_GLIDE_SWAPINTERVAL"), regError::kFileNotFound);
    EXPECT_EQ(key->QueryValue("Other", value), regError::kSuccess);
}

TEST_P(RegistryContractTest, ReadOnlyKeyRefusesWrites) {
    Create(*store_, Base())->SetValue("V", RegValue::Text("1"));
    std::unique_ptr<RegistryKey> reader;
    ASSERT_EQ(store_->OpenKey(kUser, Base(), false, reader), regError::kSuccess);
    EXPECT_EQ(reader->SetValue("V", RegValue::Text("2")), regError::kAccessDenied);
    EXPECT_EQ(reader->DeleteValue("V"), regError::kAccessDenied);
    RegValue value;
    ASSERT_EQ(reader->QueryValue("V", value), regError::kSuccess);
    EXPECT_EQ(value.data, "1");
}

TEST_P(RegistryContractTest, NamesIgnoreLetterCase) {
    auto glide = Create(*store_, Below("Glide"));
    ASSERT_EQ(glide->SetValue("Tweak Value", RegValue::Text("FX_GLIDE_NO_SPLASH")),
              regError::kSuccess);
    EXPECT_TRUE(Exists(*store_, Below("GLIDE")));
    auto same = Create(*store_, Below("gLiDe"));
    RegValue value;
    ASSERT_EQ(same->QueryValue("TWEAK VALUE", value), regError::kSuccess);
    EXPECT_EQ(value.data, "FX_GLIDE_NO_SPLASH");
    // Writing under another spelling replaces the value and keeps its first name.
    ASSERT_EQ(same->SetValue("tweak value", RegValue::Text("FX_GLIDE_LOD_DITHER")),
              regError::kSuccess);
    EXPECT_EQ(ValueNames(*same), Names{"Tweak Value"});
    auto base = Create(*store_, Base());
    EXPECT_EQ(SubKeys(*base), Names{"Glide"});
}

TEST_P(RegistryContractTest, EnumerationIsSortedIgnoringCase) {
    auto base = Create(*store_, Base());
    // Creation order differs from the expected order; '[' and '_' lie between the
    // upper-case and the lower-case letters, so they tell how names are compared.
    for (const char* name : {"b", "A", "c", "a_b", "aZ", "a[", "D0", "d1", "VEN_121A&DEV_000B",
                             "VEN_121A&DEV_0009&SUBSYS_0005121A"})
        Create(*store_, Below(name));
    EXPECT_EQ(SubKeys(*base), (Names{"A", "a[", "a_b", "aZ", "b", "c", "D0", "d1",
                                     "VEN_121A&DEV_0009&SUBSYS_0005121A", "VEN_121A&DEV_000B"}));
    for (const char* name : {"zz", "Ab", "aa", "_x", "Zy", "Value", "Previous Value"})
        ASSERT_EQ(base->SetValue(name, RegValue::Text("1")), regError::kSuccess);
    EXPECT_EQ(ValueNames(*base), (Names{"_x", "aa", "Ab", "Previous Value", "Value", "Zy", "zz"}));
}

TEST_P(RegistryContractTest, EmptyPathComponentsAreSkipped) {
    Create(*store_, Below("A\\B"));
    EXPECT_TRUE(Exists(*store_, Below("A\\\\B")));
    EXPECT_TRUE(Exists(*store_, Below("A\\B\\")));
    EXPECT_TRUE(Exists(*store_, Base() + "\\\\A\\B\\\\"));
    Create(*store_, Below("C\\\\D\\"));
    auto c = Create(*store_, Below("C"));
    EXPECT_EQ(SubKeys(*c), Names{"D"});

    std::unique_ptr<RegistryKey> key;
    EXPECT_EQ(store_->OpenKey(kUser, "\\" + Below("A"), false, key), regError::kBadPathname);
    EXPECT_EQ(store_->CreateKey(kUser, "\\" + Below("E"), key), regError::kBadPathname);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(Exists(*store_, Below("E")));
}

TEST_P(RegistryContractTest, AnOpenKeySeesChangesMadeThroughOtherHandles) {
    // Keys kept open through a launch must read what a freshly opened key would.
    auto writer = Create(*store_, Below("Glide"));
    std::unique_ptr<RegistryKey> reader;
    ASSERT_EQ(store_->OpenKey(kUser, Below("Glide"), false, reader), regError::kSuccess);
    ASSERT_EQ(SubKeys(*reader), Names{});

    Create(*store_, Below("Glide\\Triple Buffering"));
    Create(*store_, Below("Glide\\AA Demo Key\\Deeper"));
    EXPECT_EQ(SubKeys(*reader), (Names{"AA Demo Key", "Triple Buffering"}));

    ASSERT_EQ(writer->SetValue("FX_GLIDE_SWAPINTERVAL", RegValue::Text("0")), regError::kSuccess);
    RegValue value;
    ASSERT_EQ(reader->QueryValue("FX_GLIDE_SWAPINTERVAL", value), regError::kSuccess);
    EXPECT_EQ(value.data, "0");
    EXPECT_EQ(ValueNames(*reader), Names{"FX_GLIDE_SWAPINTERVAL"});

    std::unique_ptr<RegistryKey> otherWriter;
    ASSERT_EQ(store_->OpenKey(kUser, Below("Glide"), true, otherWriter), regError::kSuccess);
    ASSERT_EQ(otherWriter->DeleteValue("FX_GLIDE_SWAPINTERVAL"), regError::kSuccess);
    EXPECT_EQ(reader->QueryValue("FX_GLIDE_SWAPINTERVAL", value), regError::kFileNotFound);
    EXPECT_EQ(writer->DeleteValue("FX_GLIDE_SWAPINTERVAL"), regError::kFileNotFound);
    EXPECT_EQ(ValueNames(*reader), Names{});

    // Deleting a sub-key leaves the parent's handle working, without the sub-key.
    EXPECT_EQ(store_->DeleteTree(kUser, Below("Glide\\AA Demo Key")), regError::kSuccess);
    EXPECT_EQ(SubKeys(*reader), Names{"Triple Buffering"});
    EXPECT_EQ(writer->SetValue("SSTH3_RGAMMA", RegValue::Text("1.30")), regError::kSuccess);
}

TEST_P(RegistryContractTest, DeleteTreeRemovesTheKeyAndEverythingBelow) {
    auto openBelow = Create(*store_, Below("Drv\\Glide\\Glide Splash Screen"));
    ASSERT_EQ(openBelow->SetValue("Value", RegValue::Text("1")), regError::kSuccess);
    Create(*store_, Below("Drv\\D3D"));
    Create(*store_, Below("Other"))->SetValue("Kept", RegValue::Text("k"));

    EXPECT_EQ(store_->DeleteTree(kUser, Below("drv")), regError::kSuccess);
    EXPECT_FALSE(Exists(*store_, Below("Drv")));
    EXPECT_FALSE(Exists(*store_, Below("Drv\\Glide\\Glide Splash Screen")));
    EXPECT_TRUE(Exists(*store_, Below("Other")));
    auto base = Create(*store_, Base());
    EXPECT_EQ(SubKeys(*base), Names{"Other"});
    EXPECT_EQ(store_->DeleteTree(kUser, Below("Drv")), regError::kFileNotFound);

    // A handle that was open below the deleted key no longer reaches anything.
    RegValue value;
    EXPECT_EQ(openBelow->QueryValue("Value", value), regError::kKeyDeleted);
    EXPECT_EQ(openBelow->SetValue("Value", RegValue::Text("2")), regError::kKeyDeleted);
    EXPECT_EQ(openBelow->DeleteValue("Value"), regError::kKeyDeleted);
    Names names{"untouched"};
    EXPECT_EQ(openBelow->EnumSubKeys(names), regError::kKeyDeleted);
    EXPECT_EQ(names, Names{"untouched"});
    // A key made again with the same name starts empty.
    auto fresh = Create(*store_, Below("Drv\\Glide\\Glide Splash Screen"));
    EXPECT_EQ(fresh->QueryValue("Value", value), regError::kFileNotFound);
}

}  // namespace pallisar::test
