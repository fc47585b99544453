#pragma once
// The texts of a program's version resource, as Explorer shows them in the program's
// properties ("FileDescription", "ProductName", ...). Like the icon reader, it trusts
// nothing in the file: a block that runs past its parent or the resource ends the
// reading there, and a damaged resource simply holds no (more) texts.

#include <optional>
#include <string>
#include <string_view>

#include "core/byte_source.h"

namespace pallisar {

// The value of `name` in the string tables of a version resource (the bytes of a 32-bit
// VS_VERSIONINFO block), blanks at either end dropped. The table of the resource's first
// translation is asked first, then the others in stored order; the first that holds a
// value that is not empty gives it. Nothing when no table does, or the bytes are no
// version resource.
std::optional<std::u16string> VersionString(std::string_view resource, std::u16string_view name);

// The same for a program file (a 32- or 64-bit PE image); nothing for any other file,
// and for one without a version resource.
std::optional<std::u16string> ReadVersionString(const ByteSource& program,
                                                std::u16string_view name);

}  // namespace pallisar
