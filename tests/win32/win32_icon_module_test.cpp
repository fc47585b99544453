// The icon resource read through the resource API has the images that the icon reader
// finds in the same program file; a missing one is an error.
#include "win32/win32_icon_module.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "win32/resource.h"

namespace pallisar {

TEST(Win32IconModule, ReadsTheSameImagesAsTheFileReader) {
    char path[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    const std::optional<Icon> fromFile = ReadIconFromFile(path, 0);  // the program's icon
    ASSERT_TRUE(fromFile && !fromFile->images.empty());
    const Win32IconModule module(GetModuleHandleA(nullptr));
    const Icon loaded = module.LoadIconResource("#" + std::to_string(IDI_PALLISAR));
    EXPECT_EQ(WriteIconFile(loaded), WriteIconFile(*fromFile));
    EXPECT_THROW(module.LoadIconResource("NOSUCHICON"), Error);
}

}  // namespace pallisar
