#include "support/registry_contract.h"

#include <vector>

namespace pallisar::test {

namespace {

constexpr RegRoot kUser = RegRoot::CurrentUser;
using Names = std::vector<std::string>;

testing::AssertionResult Exists(RegistryStore& store, const std::string& path) {
    std::unique_ptr<RegistryKey> key;
    const long result = store.OpenKey(kUser, path, false, key);
    if (result == reg_error::kSuccess) return testing::AssertionSuccess() << path << " exists";
    return testing::AssertionFailure() << path << " does not open: " << result;
}

std::unique_ptr<RegistryKey> Create(RegistryStore& store, const std::string& path) {
    std::unique_ptr<RegistryKey> key;
    EXPECT_EQ(store.CreateKey(kUser, path, key), reg_error::kSuccess) << path;
    return key;
}

Names SubKeys(RegistryKey& key) {
    Names names;
    EXPECT_EQ(key.EnumSubKeys(names), reg_error::kSuccess);
    return names;
}

Names ValueNames(RegistryKey& key) {
    Names names;
    EXPECT_EQ(key.EnumValues(names), reg_error::kSuccess);
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
    EXPECT_EQ(store_->OpenKey(kUser, Below("Absent"), false, key), reg_error::kFileNotFound);
    EXPECT_EQ(store_->OpenKey(kUser, Below("Absent\\Deeper"), true, key), reg_error::kFileNotFound);
    EXPECT_EQ(key.get(), before);

    RegValue value{RegType::Binary, "sentinel"};
    EXPECT_EQ(key->QueryValue("Absent", value), reg_error::kFileNotFound);
    EXPECT_EQ(value.type, RegType::Binary);
    EXPECT_EQ(value.data, "sentinel");
    // A new key has no default value either.
    EXPECT_EQ(key->QueryValue("", value), reg_error::kFileNotFound);
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
    ASSERT_EQ(deep->SetValue("Kept", RegValue::Text("yes")), reg_error::kSuccess);
    // Creating an existing key opens it with its values.
    auto again = Create(*store_, Below("A\\B\\C"));
    RegValue value;
    ASSERT_EQ(again->QueryValue("Kept", value), reg_error::kSuccess);
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
    };
    for (const auto& [name, value] : values) ASSERT_EQ(key->SetValue(name, value), 0) << name;
    auto reader = [&] {
        std::unique_ptr<RegistryKey> k;
        EXPECT_EQ(store_->OpenKey(kUser, Base(), false, k), reg_error::kSuccess);
        return k;
    }();
    ASSERT_TRUE(reader);
    for (const auto& [name, expected] : values) {
        SCOPED_TRACE(name);
        RegValue value;
        ASSERT_EQ(reader->QueryValue(name, value), reg_error::kSuccess);
        EXPECT_EQ(value.type, expected.type);
        EXPECT_EQ(value.data, expected.data);
    }
    RegValue number;
    ASSERT_EQ(reader->QueryValue("Number", number), reg_error::kSuccess);
    EXPECT_EQ(number.AsDword(), 0x12345678u);

    // Writing again replaces data and type.
    ASSERT_EQ(key->SetValue("Number", RegValue::Text("now text")), reg_error::kSuccess);
    ASSERT_EQ(reader->QueryValue("Number", number), reg_error::kSuccess);
    EXPECT_EQ(number.type, RegType::String);
    EXPECT_EQ(number.data, "now text");
}

TEST_P(RegistryContractTest, UnnamedDefaultValue) {
    auto key = Create(*store_, Base());
    ASSERT_EQ(key->SetValue("Named", RegValue::Text("n")), reg_error::kSuccess);
    ASSERT_EQ(key->SetValue("", RegValue::Text("default")), reg_error::kSuccess);
    RegValue value;
    ASSERT_EQ(key->QueryValue("", value), reg_error::kSuccess);
    EXPECT_EQ(value.data, "default");
    EXPECT_EQ(ValueNames(*key), (Names{"", "Named"}));
    EXPECT_EQ(key->DeleteValue(""), reg_error::kSuccess);
    EXPECT_EQ(key->QueryValue("", value), reg_error::kFileNotFound);
    EXPECT_EQ(ValueNames(*key), Names{"Named"});
}

TEST_P(RegistryContractTest, DeleteValue) {
    auto key = Create(*store_, Base());
    ASSERT_EQ(key->SetValue("FX_GLIDE_SWAPINTERVAL", RegValue::Text("0")), reg_error::kSuccess);
    ASSERT_EQ(key->SetValue("Other", RegValue::Text("1")), reg_error::kSuccess);
    EXPECT_EQ(key->DeleteValue("fx_glide_swapinterval"), reg_error::kSuccess);
    RegValue value;
    EXPECT_EQ(key->QueryValue("FX_GLIDE_SWAPINTERVAL", value), reg_error::kFileNotFound);
    EXPECT_EQ(key->DeleteValue("FX_GLIDE_SWAPINTERVAL"), reg_error::kFileNotFound);
    EXPECT_EQ(key->QueryValue("Other", value), reg_error::kSuccess);
}

TEST_P(RegistryContractTest, ReadOnlyKeyRefusesWrites) {
    Create(*store_, Base())->SetValue("V", RegValue::Text("1"));
    std::unique_ptr<RegistryKey> reader;
    ASSERT_EQ(store_->OpenKey(kUser, Base(), false, reader), reg_error::kSuccess);
    EXPECT_EQ(reader->SetValue("V", RegValue::Text("2")), reg_error::kAccessDenied);
    EXPECT_EQ(reader->DeleteValue("V"), reg_error::kAccessDenied);
    RegValue value;
    ASSERT_EQ(reader->QueryValue("V", value), reg_error::kSuccess);
    EXPECT_EQ(value.data, "1");
}

TEST_P(RegistryContractTest, NamesIgnoreLetterCase) {
    auto glide = Create(*store_, Below("Glide"));
    ASSERT_EQ(glide->SetValue("Tweak Value", RegValue::Text("FX_GLIDE_NO_SPLASH")),
              reg_error::kSuccess);
    EXPECT_TRUE(Exists(*store_, Below("GLIDE")));
    auto same = Create(*store_, Below("gLiDe"));
    RegValue value;
    ASSERT_EQ(same->QueryValue("TWEAK VALUE", value), reg_error::kSuccess);
    EXPECT_EQ(value.data, "FX_GLIDE_NO_SPLASH");
    // Writing under another spelling replaces the value and keeps its first name.
    ASSERT_EQ(same->SetValue("tweak value", RegValue::Text("FX_GLIDE_LOD_DITHER")),
              reg_error::kSuccess);
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
        ASSERT_EQ(base->SetValue(name, RegValue::Text("1")), reg_error::kSuccess);
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
    EXPECT_EQ(store_->OpenKey(kUser, "\\" + Below("A"), false, key), reg_error::kBadPathname);
    EXPECT_EQ(store_->CreateKey(kUser, "\\" + Below("E"), key), reg_error::kBadPathname);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(Exists(*store_, Below("E")));
}

TEST_P(RegistryContractTest, AnOpenKeySeesChangesMadeThroughOtherHandles) {
    // Keys kept open through a launch must read what a freshly opened key would.
    auto writer = Create(*store_, Below("Glide"));
    std::unique_ptr<RegistryKey> reader;
    ASSERT_EQ(store_->OpenKey(kUser, Below("Glide"), false, reader), reg_error::kSuccess);
    ASSERT_EQ(SubKeys(*reader), Names{});

    Create(*store_, Below("Glide\\Triple Buffering"));
    Create(*store_, Below("Glide\\AA Demo Key\\Deeper"));
    EXPECT_EQ(SubKeys(*reader), (Names{"AA Demo Key", "Triple Buffering"}));

    ASSERT_EQ(writer->SetValue("FX_GLIDE_SWAPINTERVAL", RegValue::Text("0")), reg_error::kSuccess);
    RegValue value;
    ASSERT_EQ(reader->QueryValue("FX_GLIDE_SWAPINTERVAL", value), reg_error::kSuccess);
    EXPECT_EQ(value.data, "0");
    EXPECT_EQ(ValueNames(*reader), Names{"FX_GLIDE_SWAPINTERVAL"});

    std::unique_ptr<RegistryKey> other_writer;
    ASSERT_EQ(store_->OpenKey(kUser, Below("Glide"), true, other_writer), reg_error::kSuccess);
    ASSERT_EQ(other_writer->DeleteValue("FX_GLIDE_SWAPINTERVAL"), reg_error::kSuccess);
    EXPECT_EQ(reader->QueryValue("FX_GLIDE_SWAPINTERVAL", value), reg_error::kFileNotFound);
    EXPECT_EQ(writer->DeleteValue("FX_GLIDE_SWAPINTERVAL"), reg_error::kFileNotFound);
    EXPECT_EQ(ValueNames(*reader), Names{});

    // Deleting a sub-key leaves the parent's handle working, without the sub-key.
    EXPECT_EQ(store_->DeleteTree(kUser, Below("Glide\\AA Demo Key")), reg_error::kSuccess);
    EXPECT_EQ(SubKeys(*reader), Names{"Triple Buffering"});
    EXPECT_EQ(writer->SetValue("SSTH3_RGAMMA", RegValue::Text("1.30")), reg_error::kSuccess);
}

TEST_P(RegistryContractTest, DeleteTreeRemovesTheKeyAndEverythingBelow) {
    auto open_below = Create(*store_, Below("Drv\\Glide\\Glide Splash Screen"));
    ASSERT_EQ(open_below->SetValue("Value", RegValue::Text("1")), reg_error::kSuccess);
    Create(*store_, Below("Drv\\D3D"));
    Create(*store_, Below("Other"))->SetValue("Kept", RegValue::Text("k"));

    EXPECT_EQ(store_->DeleteTree(kUser, Below("drv")), reg_error::kSuccess);
    EXPECT_FALSE(Exists(*store_, Below("Drv")));
    EXPECT_FALSE(Exists(*store_, Below("Drv\\Glide\\Glide Splash Screen")));
    EXPECT_TRUE(Exists(*store_, Below("Other")));
    auto base = Create(*store_, Base());
    EXPECT_EQ(SubKeys(*base), Names{"Other"});
    EXPECT_EQ(store_->DeleteTree(kUser, Below("Drv")), reg_error::kFileNotFound);

    // A handle that was open below the deleted key no longer reaches anything.
    RegValue value;
    EXPECT_EQ(open_below->QueryValue("Value", value), reg_error::kKeyDeleted);
    EXPECT_EQ(open_below->SetValue("Value", RegValue::Text("2")), reg_error::kKeyDeleted);
    EXPECT_EQ(open_below->DeleteValue("Value"), reg_error::kKeyDeleted);
    Names names{"untouched"};
    EXPECT_EQ(open_below->EnumSubKeys(names), reg_error::kKeyDeleted);
    EXPECT_EQ(names, Names{"untouched"});
    // A key made again with the same name starts empty.
    auto fresh = Create(*store_, Below("Drv\\Glide\\Glide Splash Screen"));
    EXPECT_EQ(fresh->QueryValue("Value", value), reg_error::kFileNotFound);
}

}  // namespace pallisar::test
