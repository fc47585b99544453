// Icon resources read through the resource API match what the icon reader finds in
// the same program file, and a missing one is an error that leaves a list unchanged.
#include "win32/win32_icon_module.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "core/errors.h"
#include "shell/icon_list.h"
#include "win32/resource.h"

namespace pallisar {
namespace {

TEST(Win32IconModule, ReadsTheSameImagesAsTheFileReader) {
    char path[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    const std::optional<Icon> fromFile = ReadIconFromFile(path, 0);  // the program's icon
    ASSERT_TRUE(fromFile);

    const Win32IconModule module(GetModuleHandleA(nullptr));
    TIconList list;
    list.AddResource(module, "#" + std::to_string(IDI_PALLISAR));
    ASSERT_EQ(list.Count(), 1);
    const Icon& loaded = list.Get(0)->Images();
    ASSERT_EQ(loaded.images.size(), fromFile->images.size());
    for (size_t i = 0; i < loaded.images.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(loaded.images[i].width, fromFile->images[i].width);
        EXPECT_EQ(loaded.images[i].bitCount, fromFile->images[i].bitCount);
        EXPECT_EQ(loaded.images[i].data, fromFile->images[i].data);
    }

    EXPECT_THROW(list.InsertResource(0, module, "NOSUCHICON"), Error);
    EXPECT_EQ(list.Count(), 1);
}

}  // namespace
}  // namespace pallisar
