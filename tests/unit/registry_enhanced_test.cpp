#include "tweaks/registry_enhanced.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "platform/memory_registry.h"

using namespace pallisar;

namespace {

using List = std::vector<std::string>;

class RegistryEnhancedTest : public testing::Test {
  protected:
    RegistryEnhancedTest() { reg.RootKey = TRootKey::hkLocalMachine; }

    void Put(const std::string& path, const std::string& name, const RegValue& value,
             RegRoot root = RegRoot::LocalMachine) {
        std::unique_ptr<RegistryKey> key;
        ASSERT_EQ(store.CreateKey(root, path, key), regError::kSuccess);
        ASSERT_EQ(key->SetValue(name, value), regError::kSuccess);
    }

    // The value as stored, or nullopt-like type None when the key or value is missing.
    RegValue Get(const std::string& path, const std::string& name,
                 RegRoot root = RegRoot::LocalMachine) {
        RegValue value;
        std::unique_ptr<RegistryKey> key;
        if (store.OpenKey(root, path, false, key) == regError::kSuccess)
            key->QueryValue(name, value);
        return value;
    }

    bool KeyExists(const std::string& path, RegRoot root = RegRoot::LocalMachine) {
        std::unique_ptr<RegistryKey> key;
        return store.OpenKey(root, path, false, key) == regError::kSuccess;
    }

    MemoryRegistry store;
    TRegistryEnhanced reg{store};
};

}  // namespace

TEST(RegistryPathHelpers, TrimSlashesRemovesAtMostOneAtEachEnd) {
    EXPECT_EQ(TRegistryEnhanced::TrimSlashes("Enum\\PCI\\"), "Enum\\PCI");
    EXPECT_EQ(TRegistryEnhanced::TrimSlashes("\\Enum\\PCI"), "Enum\\PCI");
    EXPECT_EQ(TRegistryEnhanced::TrimSlashes("\\K\\"), "K");
    EXPECT_EQ(TRegistryEnhanced::TrimSlashes("\\\\K\\\\"), "\\K\\");
    EXPECT_EQ(TRegistryEnhanced::TrimSlashes("\\"), "");
    // After the trailing one goes, a lone backslash is too short to lose its first.
    EXPECT_EQ(TRegistryEnhanced::TrimSlashes("\\\\"), "\\");
    EXPECT_EQ(TRegistryEnhanced::TrimSlashes(""), "");
}

TEST(RegistryPathHelpers, ParentPathAndValueName) {
    EXPECT_EQ(TRegistryEnhanced::ParentPath("Glide\\Sub\\FX"), "\\Glide\\Sub");
    EXPECT_EQ(TRegistryEnhanced::ValueName("Glide\\Sub\\FX"), "FX");
    EXPECT_EQ(TRegistryEnhanced::ParentPath("\\\\A\\\\B"), "\\A");
    EXPECT_EQ(TRegistryEnhanced::ValueName("\\\\A\\\\B"), "B");
    EXPECT_EQ(TRegistryEnhanced::ParentPath("DriverDesc"), "");
    EXPECT_EQ(TRegistryEnhanced::ValueName("DriverDesc"), "DriverDesc");
    // A name of one piece keeps its backslashes: it is the value's whole name.
    EXPECT_EQ(TRegistryEnhanced::ParentPath("\\FX\\"), "");
    EXPECT_EQ(TRegistryEnhanced::ValueName("\\FX\\"), "\\FX\\");
    EXPECT_EQ(TRegistryEnhanced::ValueName(""), "");
}

TEST_F(RegistryEnhancedTest, KeyWithTrailingBackslashReadsItsOwnValue) {
    Put("Enum\\PCI", "DriverDesc", RegValue::Text("3dfx Voodoo3"));
    reg.Key = "Enum\\PCI\\";
    EXPECT_EQ(reg.ReadValue("DriverDesc"), "3dfx Voodoo3");
    EXPECT_EQ(reg.ReadValueDefault("DriverDesc", "NONE"), "3dfx Voodoo3");
    reg.Key = "\\Enum\\PCI";
    EXPECT_EQ(reg.ReadValueDefault("DriverDesc", "NONE"), "3dfx Voodoo3");
}

TEST_F(RegistryEnhancedTest, NamesAddressSubKeysOfTheBaseKey) {
    Put("K\\Glide\\Glide Splash Screen", "Value", RegValue::Text("1"));
    Put("K\\Glide", "Value", RegValue::Text("base"));
    reg.Key = "K\\Glide";
    EXPECT_EQ(reg.ReadValue("Glide Splash Screen\\Value"), "1");
    EXPECT_EQ(reg.ReadValue("\\\\Glide Splash Screen\\\\Value"), "1");
    EXPECT_EQ(reg.ReadValue("Value"), "base");

    reg.WriteValue("\\\\Glide Splash Screen\\\\Previous Value", "0");
    EXPECT_EQ(Get("K\\Glide\\Glide Splash Screen", "Previous Value").data, "0");
    reg.DeleteValue("Glide Splash Screen\\Value");
    EXPECT_EQ(Get("K\\Glide\\Glide Splash Screen", "Value").type, RegType::None);
    EXPECT_EQ(Get("K\\Glide", "Value").data, "base");
}

TEST_F(RegistryEnhancedTest, MissingKeyOrValueReadsAsDefault) {
    Put("K\\Glide", "FX_GLIDE_SWAPINTERVAL", RegValue::Text("0"));
    reg.Key = "K\\Glide";
    EXPECT_EQ(reg.ReadValueDefault("FX_GLIDE_NO_SPLASH", "NONE"), "NONE");
    EXPECT_EQ(reg.ReadValue("FX_GLIDE_NO_SPLASH"), "");
    reg.Key = "K\\D3D";
    EXPECT_EQ(reg.ReadValueDefault("SSTH3_RGAMMA", "1.30"), "1.30");
    EXPECT_EQ(reg.ReadValue("SSTH3_RGAMMA"), "");
    reg.Key = "K\\Glide";
    EXPECT_EQ(reg.ReadValueDefault("Missing Sub\\Tweak Value", "NOT FOUND"), "NOT FOUND");
    // Reading never creates anything.
    EXPECT_FALSE(KeyExists("K\\D3D"));
    EXPECT_FALSE(KeyExists("K\\Glide\\Missing Sub"));
}

TEST_F(RegistryEnhancedTest, OnlyStringsAndDwordsAreRead) {
    Put("K", "expand", RegValue{RegType::ExpandString, "%windir%"});
    Put("K", "binary", RegValue{RegType::Binary, std::string("1\0", 2)});
    Put("K", "multi", RegValue{RegType::MultiString, std::string("a\0b\0\0", 5)});
    Put("K", "empty", RegValue::Text(""));
    Put("K", "zero", RegValue::Dword(0));
    Put("K", "big", RegValue::Dword(0xFFFFFFFFu));
    Put("K", "embedded", RegValue::Text(std::string("abc\0def", 7)));
    reg.Key = "K";
    for (const char* name : {"expand", "binary", "multi"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(reg.ReadValueDefault(name, "NONE"), "NONE");
        EXPECT_EQ(reg.ReadValue(name), "");
    }
    // An empty string is present: it does not read as the default.
    EXPECT_EQ(reg.ReadValueDefault("empty", "NONE"), "");
    EXPECT_EQ(reg.ReadValueDefault("zero", "NONE"), "0");
    EXPECT_EQ(reg.ReadValue("big"), "-1");
    EXPECT_EQ(reg.ReadValueDefault("embedded", "NONE"), "abc");
}

TEST_F(RegistryEnhancedTest, DwordOfTheWrongSizeIsAnInvalidType) {
    Put("K", "short", RegValue{RegType::Dword, std::string("\x01\x00", 2)});
    reg.Key = "K";
    EXPECT_EQ(reg.ReadValueDefault("short", "NONE"), "NONE");
    try {
        reg.ReadValue("short");
        FAIL() << "no error raised";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'short'");
    }
}

TEST_F(RegistryEnhancedTest, WriteCreatesTheWholePath) {
    reg.Key = "\\SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0\\";
    reg.WriteValue("Glide\\Triple Buffering\\Value", "1");
    const RegValue stored = Get(
        "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0\\Glide\\Triple Buffering", "Value");
    EXPECT_EQ(stored.type, RegType::String);
    EXPECT_EQ(stored.data, "1");

    reg.WriteValue("Glide\\Count", 7u);
    const RegValue count =
        Get("SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0\\Glide", "Count");
    EXPECT_EQ(count.type, RegType::Dword);
    EXPECT_EQ(count.AsDword(), 7u);
    EXPECT_EQ(reg.ReadValue("Glide\\Count"), "7");

    // Overwriting replaces the data and the type.
    reg.WriteValue("Glide\\Count", "seven");
    EXPECT_EQ(reg.ReadValue("Glide\\Count"), "seven");
}

TEST_F(RegistryEnhancedTest, RootKeyChoosesTheRoot) {
    TRegistryEnhanced fresh(store);
    EXPECT_EQ(fresh.RootKey, TRootKey::hkCurrentUser);
    fresh.Key = "Software\\Pallisar";
    fresh.WriteValue("Where", "user");
    EXPECT_EQ(Get("Software\\Pallisar", "Where", RegRoot::CurrentUser).data, "user");
    EXPECT_FALSE(KeyExists("Software\\Pallisar"));
    fresh.RootKey = TRootKey::hkUsers;
    EXPECT_EQ(fresh.ReadValueDefault("Where", "NONE"), "NONE");
    fresh.RootKey = TRootKey::hkCurrentUser;
    EXPECT_EQ(fresh.ReadValueDefault("Where", "NONE"), "user");
}

// A key named in the call is used as it is, whatever the shared Key and RootKey hold,
// and they are left as they were.
TEST_F(RegistryEnhancedTest, AKeyGivenInTheCallIgnoresTheSharedBaseKey) {
    Put("K\\Glide", "Value", RegValue::Text("machine"));
    Put("Elsewhere", "Value", RegValue::Text("user"), RegRoot::CurrentUser);
    reg.RootKey = TRootKey::hkCurrentUser;
    reg.Key = "Elsewhere";
    const auto glide = reg.At(TRootKey::hkLocalMachine, "K\\Glide");
    EXPECT_EQ(glide.ReadValueDefault("Value", "NONE"), "machine");
    glide.WriteValue("Sub\\Value", "1");
    glide.DeleteValue("Value");
    std::vector<std::string> subKeys;
    glide.GetKeyNames("", subKeys);
    EXPECT_EQ(subKeys, std::vector<std::string>{"Sub"});
    EXPECT_EQ(Get("K\\Glide\\Sub", "Value").data, "1");
    EXPECT_EQ(Get("K\\Glide", "Value").type, RegType::None);
    EXPECT_EQ(reg.ReadValue("Value"), "user");
    EXPECT_EQ(reg.Key, "Elsewhere");
    EXPECT_EQ(reg.RootKey, TRootKey::hkCurrentUser);
    // An empty base key does nothing, as with Key.
    EXPECT_EQ(reg.At(TRootKey::hkLocalMachine, "").ReadValueDefault("Value", "NONE"), "NONE");
}

TEST_F(RegistryEnhancedTest, RefusedWriteRaisesWithTheValueName) {
    Put("Drv\\Glide", "SSTH3_RGAMMA", RegValue::Text("1.30"));
    store.RefuseWritesBelow(RegRoot::LocalMachine, "Drv");
    reg.Key = "Drv\\Glide";
    for (const char* name : {"SSTH3_RGAMMA", "New Sub\\Value"}) {
        SCOPED_TRACE(name);
        try {
            reg.WriteValue(name, "2.00");
            FAIL() << "no error raised";
        } catch (const RegistryError& e) {
            const std::string expected =
                std::string("Failed to set data for '") + TRegistryEnhanced::ValueName(name) + "'";
            EXPECT_EQ(e.what(), expected);
            EXPECT_NE(dynamic_cast<const RegistryKeyError*>(&e), nullptr) << "the key refused";
        }
    }
    EXPECT_EQ(Get("Drv\\Glide", "SSTH3_RGAMMA").data, "1.30");
    EXPECT_FALSE(KeyExists("Drv\\Glide\\New Sub"));
    EXPECT_THROW(reg.WriteValue("Count", 1u), RegistryError);
    EXPECT_EQ(store.OpenHandles(), 0);

    // Reads and deletes are unaffected by the error or are ignored.
    EXPECT_EQ(reg.ReadValue("SSTH3_RGAMMA"), "1.30");
    EXPECT_NO_THROW(reg.DeleteValue("SSTH3_RGAMMA"));
    EXPECT_EQ(Get("Drv\\Glide", "SSTH3_RGAMMA").data, "1.30");
}

TEST_F(RegistryEnhancedTest, DeleteValueIgnoresWhatIsMissing) {
    Put("Drv\\Glide", "FX_GLIDE_AA_TOGGLE_KEY", RegValue::Text("123"));
    reg.Key = "Drv\\Glide";
    EXPECT_NO_THROW(reg.DeleteValue("FX_GLIDE_SWAPINTERVAL"));
    EXPECT_NO_THROW(reg.DeleteValue("No Such Sub\\Value"));
    EXPECT_EQ(Get("Drv\\Glide", "FX_GLIDE_AA_TOGGLE_KEY").data, "123");
    EXPECT_FALSE(KeyExists("Drv\\Glide\\No Such Sub"));
    reg.DeleteValue("FX_GLIDE_AA_TOGGLE_KEY");
    EXPECT_EQ(Get("Drv\\Glide", "FX_GLIDE_AA_TOGGLE_KEY").type, RegType::None);
    EXPECT_TRUE(KeyExists("Drv\\Glide"));
}

TEST_F(RegistryEnhancedTest, DeleteValueUsesTheBaseKeyUntrimmed) {
    Put("Drv\\Glide", "FX", RegValue::Text("1"));
    Put("Drv\\Glide\\Sub", "Value", RegValue::Text("2"));
    // A trailing backslash still addresses the same key (the doubled one is skipped).
    reg.Key = "Drv\\Glide\\";
    reg.DeleteValue("Sub\\Value");
    EXPECT_EQ(Get("Drv\\Glide\\Sub", "Value").type, RegType::None);
    // A leading backslash survives into the key path, which the registry rejects:
    // reads find the value, the deletion does nothing.
    reg.Key = "\\Drv\\Glide";
    EXPECT_EQ(reg.ReadValue("FX"), "1");
    reg.DeleteValue("FX");
    EXPECT_EQ(Get("Drv\\Glide", "FX").data, "1");
}

TEST_F(RegistryEnhancedTest, GetKeyNamesListsSubKeysOrLeavesTheList) {
    for (const char* id : {"VEN_121A&DEV_0009&SUBSYS_0005121A&REV_01", "VEN_8086&DEV_7190",
                           "VEN_121A&DEV_0009&SUBSYS_0003121A"})
        Put(std::string("Enum\\PCI\\") + id + "\\0000", "DeviceDesc", RegValue::Text("x"));
    reg.Key = "Enum\\PCI\\";
    List list{"stale"};
    reg.GetKeyNames("", list);
    EXPECT_EQ(list, (List{"VEN_121A&DEV_0009&SUBSYS_0003121A",
                          "VEN_121A&DEV_0009&SUBSYS_0005121A&REV_01", "VEN_8086&DEV_7190"}));
    reg.GetKeyNames("\\VEN_8086&DEV_7190\\", list);
    EXPECT_EQ(list, List{"0000"});
    // A key without sub-keys gives an empty list.
    reg.GetKeyNames("VEN_8086&DEV_7190\\0000", list);
    EXPECT_EQ(list, List{});

    list = {"kept", "as is"};
    reg.GetKeyNames("VEN_1002", list);
    EXPECT_EQ(list, (List{"kept", "as is"}));
    reg.Key = "SYSTEM\\ControlSet001\\Enum\\PCI";
    reg.GetKeyNames("", list);
    EXPECT_EQ(list, (List{"kept", "as is"}));
}

TEST_F(RegistryEnhancedTest, EmptyKeyDoesNothing) {
    Put("", "Root value", RegValue::Text("r"));
    const int before = store.HandlesOpened();
    reg.Key = "";
    reg.WriteValue("Glide\\FX", "1");
    reg.WriteValue("FX", 1u);
    EXPECT_EQ(reg.ReadValue("Root value"), "");
    EXPECT_EQ(reg.ReadValueDefault("Root value", "NONE"), "NONE");
    List list{"x"};
    reg.GetKeyNames("", list);
    EXPECT_EQ(list, List{"x"});
    reg.DeleteValue("Root value");
    EXPECT_EQ(store.HandlesOpened(), before);
    EXPECT_EQ(Get("", "Root value").data, "r");
    EXPECT_FALSE(KeyExists("Glide"));
}

TEST_F(RegistryEnhancedTest, EveryOperationOpensOneKeyAndReleasesIt) {
    Put("Drv\\Glide", "FX", RegValue::Text("1"));
    const int before = store.HandlesOpened();
    reg.Key = "Drv";
    reg.WriteValue("Glide\\FX", "2");
    reg.ReadValue("Glide\\FX");
    reg.ReadValueDefault("Glide\\FX", "NONE");
    List list;
    reg.GetKeyNames("", list);
    reg.DeleteValue("Glide\\FX");
    EXPECT_EQ(store.HandlesOpened() - before, 5);
    EXPECT_EQ(store.OpenHandles(), 0);
}

namespace {

// A registry whose values exist but cannot be read.
class UnreadableStore : public RegistryStore {
  public:
    class Key : public RegistryKey {
      public:
        long QueryValue(std::string_view, RegValue&) override { return regError::kMoreData; }
        long SetValue(std::string_view, const RegValue&) override { return regError::kSuccess; }
        long DeleteValue(std::string_view) override { return regError::kSuccess; }
        long EnumSubKeys(std::vector<std::string>&) override { return regError::kSuccess; }
        long EnumValues(std::vector<std::string>&) override { return regError::kSuccess; }
    };
    long OpenKey(RegRoot, std::string_view, bool, std::unique_ptr<RegistryKey>& key) override {
        key = std::make_unique<Key>();
        return regError::kSuccess;
    }
    long CreateKey(RegRoot, std::string_view, std::unique_ptr<RegistryKey>& key) override {
        key = std::make_unique<Key>();
        return regError::kSuccess;
    }
    long DeleteTree(RegRoot, std::string_view) override { return regError::kSuccess; }
    long FlushKey(RegRoot, std::string_view) override { return regError::kSuccess; }
};

}  // namespace

TEST(RegistryEnhancedReadError, ReadValueRaisesReadValueDefaultFallsBack) {
    UnreadableStore store;
    TRegistryEnhanced reg(store);
    reg.Key = "K";
    EXPECT_EQ(reg.ReadValueDefault("Sub\\Disabled", "NONE"), "NONE");
    try {
        reg.ReadValue("Sub\\Disabled");
        FAIL() << "no error raised";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Failed to get data for 'Disabled'");
    }
}
