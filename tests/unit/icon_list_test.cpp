// The icon list: one change notification per operation or batch, errors that keep the
// entries as they are, identity, and its stream format.
#include "shell/icon_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "core/errors.h"
#include "support/icon_fixtures.h"

using namespace pallisar;

namespace {

using Action = std::function<void(TIconList&)>;

std::string Int32(std::uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
Action Load(std::string bytes) {
    return [bytes](TIconList& list) {
        ByteStream in(bytes);
        list.LoadFromStream(in);
    };
}
Action Batched(Action inner) {
    return [inner](TIconList& list) { list.BeginUpdate(), inner(list), list.EndUpdate(); };
}

// A list of `entries` copies of an icon that counts the changes it fires.
struct IconListTest : testing::Test {
    IconListTest() { icon.SetIcon({{test::MakeDibImage(16, 16, 4)}}); }
    void Make(int entries) {
        list.emplace();
        for (int i = 0; i < entries; ++i) list->Add(&icon);
        changes = 0;
        list->OnChange = [this](TIconList& sender) { changes += &sender == &*list; };
    }
    TIcon icon;
    std::optional<TIconList> list;
    int changes = 0;
};

TEST_F(IconListTest, EachOperationOrBatchFiresOnChangeOnce) {
    const Action add = [&](TIconList& l) { l.Add(&icon); };
    const std::tuple<const char*, int, Action, int> cases[] = {
        {"three adds in a batch", 0, Batched([&](TIconList& l) { add(l), add(l), add(l); }), 3},
        {"nested batches", 1, Batched([&](TIconList& l) { Batched(add)(l), add(l); }), 3},
        {"clearing an empty list", 0, [](TIconList& l) { l.Clear(); }, 0},
        {"put at the count appends", 2, [&](TIconList& l) { l.Put(2, &icon); }, 3},
        {"an in-place change of a listed icon", 2, [](TIconList& l) { l.Get(1)->SetIcon({}); }, 2},
        {"two entries of size 0", 3, Load(Int32(2) + Int32(0) + Int32(0)), 2},
    };
    for (const auto& [name, entries, action, count] : cases) {
        SCOPED_TRACE(name);
        Make(entries);
        action(*list);
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(list->Count(), count);
    }
    EXPECT_TRUE(!list->Get(0) && !list->Get(1));  // the entries of size 0 are empty
}

TEST_F(IconListTest, ErrorsKeepTheEntriesThereAre) {
    const std::string ico = WriteIconFile(icon.Images());
    const std::tuple<Action, std::string, int> cases[] = {
        {[&](TIconList& l) { l.Put(3, &icon); }, "List index out of bounds (3)", 2},
        {[](TIconList& l) { l.Assign(std::string_view("TBitmap")); },
         "Cannot assign a TBitmap to a TIconList", 2},
        // A failed load keeps the entries read so far.
        {Load(Int32(3) + Int32(ico.size()) + ico + Int32(0) + Int32(2) + "MZ"),
         "Invalid icon format", 2},
        {Load(Int32(2) + Int32(ico.size()) + ico + Int32(ico.size()) + "abc"), "Stream read error",
         1},
    };
    for (const auto& c : cases) {
        const std::string& message = std::get<1>(c);
        Make(2);
        EXPECT_THAT([&] { std::get<0>(c)(*list); }, testing::ThrowsMessage<Error>(message));
        EXPECT_EQ(list->Count(), std::get<2>(c)) << message;
    }
}

TEST_F(IconListTest, HoldsCopiesAndStoresEachWithItsSize) {
    TIcon blank;
    Make(1);
    list->Add(&blank);
    EXPECT_EQ(list->IndexOf(&icon), -1);  // a copy is another icon
    EXPECT_EQ(list->IndexOf(list->Get(1)), 1);
    std::string out;
    list->SaveToStream(out);
    const std::string ico = WriteIconFile(icon.Images());
    EXPECT_EQ(out, Int32(2) + Int32(ico.size()) + ico + Int32(0));
    Load(out)(*list);
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Get(0)->SaveToBytes(), ico);
    EXPECT_EQ(list->Get(1), nullptr);  // an empty icon comes back as an empty entry
}

}  // namespace
