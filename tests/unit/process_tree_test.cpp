// The launch's process tree over made-up lists of processes, as Windows 95/98/ME (no
// creation times) and NT (creation times) give them.

#include "platform/process_tree.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>

namespace pallisar {
namespace {

using Table = std::vector<ProcessRecord>;
using Joined = std::vector<std::pair<std::string, std::string>>;

Joined Names(const std::vector<FollowedProgram>& joined) {
    Joined names;
    for (const FollowedProgram& program : joined)
        names.emplace_back(program.file, program.startedBy);
    return names;
}

ProcessRecord P(uint32_t id, uint32_t parent, const char* file, uint64_t created = 0) {
    return {id, parent, created, file};
}

struct Case {
    const char* name;
    Table before;
    std::vector<Table> looks;
    std::vector<Joined> joined;  // per look
    std::vector<bool> ended;     // per look
};
// A case shows as its name in a failure and in ctest's list, not as its bytes.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

const Case kCases[] = {
    {"a start-up program that ends before the first look",
     {P(4, 0, "EXPLORER.EXE")},
     {{P(4, 0, "EXPLORER.EXE"), P(20, 10, "C:\\GAME\\GAME.EXE")}, {P(4, 0, "EXPLORER.EXE")}},
     {{{"GAME.EXE", "setup.exe"}}, {}},
     {false, true}},
    {"a parent that ends first, then its child, two deep",
     {},
     {{P(10, 4, "C:\\SETUP.EXE")},
      {P(30, 20, "MAIN.EXE"), P(20, 10, "LAUNCH.EXE")},
      {P(30, 20, "MAIN.EXE")},
      {}},
     {{}, {{"LAUNCH.EXE", "SETUP.EXE"}, {"MAIN.EXE", "LAUNCH.EXE"}}, {}, {}},
     {false, false, false, true}},
    {"an id reused by an unrelated program (no creation times)",
     {},
     {{P(10, 4, "SETUP.EXE"), P(20, 10, "HELPER.EXE")},
      {P(10, 4, "SETUP.EXE"), P(20, 7, "NOTEPAD.EXE"), P(21, 20, "CHILD.EXE")},
      {P(10, 4, "SETUP.EXE"), P(20, 7, "NOTEPAD.EXE"), P(22, 20, "LATER.EXE")}},
     {{{"HELPER.EXE", "SETUP.EXE"}}, {}, {}},
     {false, false, false}},
    {"an id reused between two looks (creation times)",
     {},
     {{P(10, 4, "setup.exe", 100), P(20, 10, "game.exe", 110)},
      {P(20, 7, "game.exe", 500), P(21, 20, "old.exe", 120), P(22, 20, "new.exe", 600)}},
     {{{"game.exe", "setup.exe"}}, {{"old.exe", "game.exe"}}},
     {false, false}},
    {"a child older than its parent id's holder is not its child",
     {},
     {{P(10, 4, "setup.exe", 100), P(5, 10, "svc.exe", 50)}},
     {{}},
     {false}},
    {"a process that is its own parent",
     {P(0, 0, "[System Process]")},
     {{P(0, 0, "[System Process]"), P(10, 10, "SETUP.EXE"), P(11, 11, "OTHER.EXE")},
      {P(0, 0, "[System Process]"), P(11, 11, "OTHER.EXE")}},
     {{}, {}},
     {false, true}},
    {"what ran before the start is never followed",
     {P(20, 10, "TSR.EXE")},
     {{P(10, 4, "SETUP.EXE"), P(20, 10, "TSR.EXE"), P(30, 20, "TSRCHILD.EXE")}, {}},
     {{}, {}},
     {false, true}},
};

class ProcessTreeTest : public testing::TestWithParam<Case> {};

TEST_P(ProcessTreeTest, FollowsOnlyTheLaunchsPrograms) {
    const Case& c = GetParam();
    ProcessTree tree(10, "setup.exe");
    tree.Exclude(c.before);
    EXPECT_FALSE(tree.Ended());
    for (size_t look = 0; look < c.looks.size(); ++look) {
        SCOPED_TRACE("look " + std::to_string(look));
        EXPECT_EQ(Names(tree.Look(c.looks[look])), c.joined[look]);
        EXPECT_EQ(tree.Ended(), c.ended[look]);
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, ProcessTreeTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

}  // namespace
}  // namespace pallisar
