// The icon list: one change notification per operation or batch, bounds, identity,
// and its stream format.
#include "shell/icon_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "core/errors.h"
#include "support/icon_fixtures.h"

using namespace pallisar;

namespace {

Icon Images(int seed) { return Icon{{test::MakeDibImage(16, 16, 4, seed)}}; }

std::string Int32(std::uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

struct FakeModule : IconModule {
    Icon LoadIconResource(const std::string& name) const override {
        if (name == "MAIN") return Images(1);
        throw Error("no icon " + name);
    }
};

// Runs `action` on a list of `entries` copies of an icon; returns the changes it fired.
int ChangesOf(int entries, const std::function<void(TIconList&)>& action, int* count = nullptr) {
    TIcon icon;
    icon.SetIcon(Images(1));
    TIconList list;
    for (int i = 0; i < entries; ++i) list.Add(&icon);
    int changes = 0;
    list.OnChange = [&](TIconList& sender) { changes += &sender == &list; };
    action(list);
    if (count) *count = list.Count();
    return changes;
}

TEST(TIconList, EachOperationOrBatchFiresOnChangeOnce) {
    TIcon one;
    const struct {
        const char* name;
        int entries;
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
        {"assigning none", 0, [](TIconList& l) { l.Assign(nullptr); }, 0},
        {"assigning one icon", 3, [&](TIconList& l) { l.Assign(one); }, 1},
        {"put at the count appends", 2, [&](TIconList& l) { l.Put(2, &one); }, 3},
        {"in-place change of a listed icon", 2, [](TIconList& l) { l.Get(1)->SetIcon({}); }, 2},
        {"insert a resource", 1, [](TIconList& l) { l.InsertResource(0, FakeModule(), "MAIN"); },
         2},
        {"load two empty entries", 3,
         [](TIconList& l) {
             std::istringstream in(Int32(2) + Int32(0) + Int32(0));
             l.LoadFromStream(in);
             EXPECT_EQ(l.Get(0), nullptr);
             EXPECT_EQ(l.Get(1), nullptr);
         },
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int count = -1;
        EXPECT_EQ(ChangesOf(c.entries, c.action, &count), 1);
        EXPECT_EQ(count, c.countAfter);
    }
}

TEST(TIconList, ErrorsLeaveTheListAsItWas) {
    TIcon icon;
    const struct {
        std::function<void(TIconList&)> action;
        std::string message;
    } cases[] = {
        {[](TIconList& l) { l.Get(2); }, "List index out of bounds (2)"},
        {[&](TIconList& l) { l.Put(3, &icon); }, "List index out of bounds (3)"},
        {[](TIconList& l) { l.Move(-1, 0); }, "List index out of bounds (-1)"},
        {[](TIconList& l) { l.AddResource(FakeModule(), "X"); }, "no icon X"},
        {[](TIconList& l) { l.Assign(std::string_view("TBitmap")); },
         "Cannot assign a TBitmap to a TIconList"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TIconList list;
        list.Add(&icon);
        list.Add(nullptr);
        try {
            c.action(list);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), c.message);
        }
        EXPECT_EQ(list.Count(), 2);
    }
}

TEST(TIconList, HoldsCopiesAndFindsIconsByIdentity) {
    TIcon icon;
    icon.SetIcon(Images(3));
    TIconList list;
    list.Add(&icon);
    EXPECT_EQ(list.IndexOf(&icon), -1);
    EXPECT_EQ(list.IndexOf(list.Get(0)), 0);
    EXPECT_EQ(list.Get(0)->SaveToBytes(), icon.SaveToBytes());
}

TEST(TIconList, StreamsEachEntryWithItsSize) {
    // An empty icon and an empty entry are both size 0 and come back as empty entries.
    TIcon icon, blank;
    icon.SetIcon(Images(5));
    TIconList list, loaded;
    list.Add(&icon);
    list.Add(&blank);
    list.AddIcon(nullptr);
    std::ostringstream out;
    list.SaveToStream(out);
    const std::string ico = WriteIconFile(Images(5));
    EXPECT_EQ(out.str(), Int32(3) + Int32(ico.size()) + ico + Int32(0) + Int32(0));
    std::istringstream in(out.str());
    loaded.LoadFromStream(in);
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.Get(0)->SaveToBytes(), ico);
    EXPECT_EQ(loaded.Get(1), nullptr);

    // A failed load keeps the entries read so far.
    const struct {
        std::string stream;
        int kept;
        std::string message;
    } failures[] = {
        {Int32(3) + Int32(ico.size()) + ico + Int32(0) + Int32(2) + "MZ", 2, "Invalid icon format"},
        {Int32(2) + Int32(ico.size()) + ico + Int32(ico.size()) + "abc", 1, "Stream read error"},
    };
    for (const auto& f : failures) {
        std::istringstream bad(f.stream);
        try {
            loaded.LoadFromStream(bad);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), f.message);
        }
        EXPECT_EQ(loaded.Count(), f.kept);
    }
}

TEST(TIconList, IsStoredWhenItDiffersFromTheInheritedList) {
    TIcon icon;
    TIconList empty, one, otherOne, two;
    one.Add(&icon);
    otherOne.Add(&icon);
    two.Assign(&one);
    two.Add(&icon);
    EXPECT_FALSE(ShouldStoreIcons(empty, nullptr));
    EXPECT_TRUE(ShouldStoreIcons(one, nullptr));
    EXPECT_TRUE(ShouldStoreIcons(one, &two));
    EXPECT_FALSE(ShouldStoreIcons(empty, &two));
    EXPECT_TRUE(ShouldStoreIcons(one, &otherOne));  // equal icons, other objects
    EXPECT_FALSE(ShouldStoreIcons(one, &one));
}

}  // namespace
