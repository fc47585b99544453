// The icon list: batching of its change notification, bounds, identity, copying, and
// its stream format.
#include "shell/icon_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "support/icon_fixtures.h"

using namespace pallisar;

namespace {

Icon Images(int seed) { return Icon{{test::MakeDibImage(16, 16, 4, seed)}}; }

// A list that counts its change notifications.
struct Counted {
    TIconList list;
    int changes = 0;
    Counted() {
        list.OnChange = [this](TIconList& sender) {
            EXPECT_EQ(&sender, &list);
            ++changes;
        };
    }
};

std::string Int32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    return {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
            static_cast<char>(u >> 24)};
}

std::string IcoBytes(int seed) { return WriteIconFile(Images(seed)); }

// A module with icons "MAIN" and "#2".
struct FakeModule : IconModule {
    Icon LoadIconResource(const std::string& name) const override {
        if (name == "MAIN") return Images(1);
        if (name == "#2") return Images(2);
        throw Error("no icon " + name);
    }
};

TEST(TIconList, EachOperationOrBatchFiresOnChangeOnce) {
    TIcon one;
    one.SetIcon(Images(1));
    TIconList two;
    two.Add(&one);
    two.Add(nullptr);
    const FakeModule module;
    struct Case {
        const char* name;
        int entriesBefore;
        std::function<void(TIconList&)> action;
        int countAfter;
    } cases[] = {
        {"three adds in a batch", 0,
         [&](TIconList& l) {
             l.BeginUpdate();
             for (int i = 0; i < 3; ++i) l.Add(&one);
             l.EndUpdate();
         },
         3},
        {"nested batches", 1,
         [&](TIconList& l) {
             l.BeginUpdate();
             l.BeginUpdate();
             l.Add(&one);
             l.EndUpdate();
             l.Delete(0);
             l.EndUpdate();
         },
         1},
        {"clearing an empty list", 0, [](TIconList& l) { l.Clear(); }, 0},
        {"assigning none to an empty list", 0, [](TIconList& l) { l.Assign(nullptr); }, 0},
        {"assigning another list", 3, [&](TIconList& l) { l.Assign(&two); }, 2},
        {"assigning one icon", 3, [&](TIconList& l) { l.Assign(one); }, 1},
        {"put at the count appends", 2, [&](TIconList& l) { l.Put(2, &one); }, 3},
        {"put into an entry", 2, [&](TIconList& l) { l.Put(0, &one); }, 2},
        {"in-place change of a listed icon", 2, [](TIconList& l) { l.Get(1)->SetIcon(Images(9)); },
         2},
        {"exchange", 2, [](TIconList& l) { l.Exchange(0, 1); }, 2},
        {"move", 3, [](TIconList& l) { l.Move(0, 2); }, 3},
        {"insert", 2, [&](TIconList& l) { l.Insert(2, &one); }, 3},
        {"add a resource", 0, [&](TIconList& l) { l.AddResource(module, "#2"); }, 1},
        {"insert a resource", 1, [&](TIconList& l) { l.InsertResource(0, module, "MAIN"); }, 2},
        {"load from a stream", 3,
         [](TIconList& l) {
             std::istringstream in(Int32(2) + Int32(0) + Int32(0));
             l.LoadFromStream(in);
         },
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Counted counted;
        for (int i = 0; i < c.entriesBefore; ++i) counted.list.Add(&one);
        counted.changes = 0;
        c.action(counted.list);
        EXPECT_EQ(counted.changes, 1);
        EXPECT_EQ(counted.list.Count(), c.countAfter);
    }
}

TEST(TIconList, IndexErrorsAndFailedCreationsLeaveTheListAsItWas) {
    TIcon icon;
    icon.SetIcon(Images(1));
    const FakeModule module;
    struct Case {
        const char* name;
        std::function<void(TIconList&)> action;
        std::string message;
    } cases[] = {
        {"get at the count", [](TIconList& l) { l.Get(2); }, "List index out of bounds (2)"},
        {"get below 0", [](TIconList& l) { l.Get(-1); }, "List index out of bounds (-1)"},
        {"put beyond the count", [&](TIconList& l) { l.Put(3, &icon); },
         "List index out of bounds (3)"},
        {"insert beyond the count", [&](TIconList& l) { l.Insert(3, &icon); },
         "List index out of bounds (3)"},
        {"move to the count", [](TIconList& l) { l.Move(0, 2); }, "List index out of bounds (2)"},
        {"a missing resource", [&](TIconList& l) { l.AddResource(module, "OTHER"); },
         "no icon OTHER"},
        {"assigning another kind", [](TIconList& l) { l.Assign(std::string_view("TBitmap")); },
         "Cannot assign a TBitmap to a TIconList"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TIconList list;
        list.Add(&icon);
        list.Add(nullptr);
        TIcon* first = list.Get(0);
        try {
            c.action(list);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), c.message);
        }
        EXPECT_EQ(list.Count(), 2);
        EXPECT_EQ(list.Get(0), first);
    }
}

TEST(TIconList, KeepsItsOwnObjectsAndFindsThemByIdentity) {
    TIcon icon;
    icon.SetIcon(Images(3));
    Counted counted;
    TIconList& list = counted.list;
    list.Add(&icon);
    EXPECT_EQ(list.IndexOf(&icon), -1);  // the list holds a copy
    TIcon* copy = list.Get(0);
    EXPECT_EQ(list.IndexOf(copy), 0);
    EXPECT_EQ(copy->SaveToBytes(), icon.SaveToBytes());

    // An icon given with AddIcon is the entry itself; a deleted one is heard no more.
    auto own = std::make_unique<TIcon>();
    TIcon* raw = own.get();
    EXPECT_EQ(list.AddIcon(std::move(own)), 1);
    EXPECT_EQ(list.IndexOf(raw), 1);
    list.Exchange(0, 1);
    EXPECT_EQ(list.IndexOf(raw), 0);
    counted.changes = 0;
    raw->SetIcon(Images(4));
    EXPECT_EQ(counted.changes, 1);
}

TEST(TIconList, StreamsEntriesWithTheirSizes) {
    // An empty icon and an empty entry are both written with size 0 and come back as
    // empty entries; icons come back with the same images.
    TIcon icon, blank;
    icon.SetIcon(Images(5));
    TIconList list;
    list.Add(&icon);
    list.Add(&blank);
    list.AddIcon(nullptr);
    std::ostringstream out;
    list.SaveToStream(out);
    const std::string ico = IcoBytes(5);
    EXPECT_EQ(out.str(),
              Int32(3) + Int32(static_cast<std::int32_t>(ico.size())) + ico + Int32(0) + Int32(0));

    TIconList loaded;
    loaded.Add(&icon);  // replaced by the stream
    std::istringstream in(out.str());
    loaded.LoadFromStream(in);
    ASSERT_EQ(loaded.Count(), 3);
    ASSERT_NE(loaded.Get(0), nullptr);
    EXPECT_EQ(loaded.Get(0)->SaveToBytes(), ico);
    EXPECT_EQ(loaded.Get(1), nullptr);
    EXPECT_EQ(loaded.Get(2), nullptr);
}

TEST(TIconList, AFailedLoadKeepsTheEntriesReadSoFar) {
    const std::string ico = IcoBytes(6);
    const std::string size = Int32(static_cast<std::int32_t>(ico.size()));
    struct Case {
        const char* name;
        std::string stream;
        int entriesKept;
        std::string message;
    } cases[] = {
        {"no icon", Int32(3) + size + ico + Int32(0) + Int32(4) + "abcd", 2, "Invalid icon format"},
        {"a program file is no icon stream", Int32(1) + Int32(2) + "MZ", 0, "Invalid icon format"},
        {"cut short", Int32(2) + size + ico + size + ico.substr(0, 10), 1, "Stream read error"},
        {"no count", "ab", 0, "Stream read error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Counted counted;
        counted.list.Add(nullptr);
        counted.changes = 0;
        std::istringstream in(c.stream);
        try {
            counted.list.LoadFromStream(in);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), c.message);
        }
        EXPECT_EQ(counted.list.Count(), c.entriesKept);
        EXPECT_EQ(counted.changes, 1);
    }
}

TEST(TIconList, IsStoredWhenItDiffersFromTheInheritedList) {
    TIcon icon;
    icon.SetIcon(Images(7));
    TIconList empty, one, otherOne, two;
    one.Add(&icon);
    otherOne.Add(&icon);
    two.Add(&icon);
    two.Add(&icon);
    EXPECT_FALSE(ShouldStoreIcons(empty, nullptr));
    EXPECT_TRUE(ShouldStoreIcons(one, nullptr));
    EXPECT_TRUE(ShouldStoreIcons(one, &two));
    EXPECT_FALSE(ShouldStoreIcons(empty, &two));
    EXPECT_TRUE(ShouldStoreIcons(one, &otherOne));  // equal icons, other objects
    EXPECT_FALSE(ShouldStoreIcons(one, &one));
}

}  // namespace
