// How a program file's path becomes the title of the module's notices.
#pragma once

#include <string>
#include <string_view>

namespace tovrel {

// The part of `path` after the last `separator`, cut at its first full stop.
std::string_view ProgramStem(std::string_view path, char separator);

// ProgramStem with every character after the first lower-cased (ASCII rules):
// "C:\\Apps\\HostApp.exe" gives "Hostapp", "MY.HOST.EXE" gives "My".
std::string TitleFromProgramPath(std::string_view path, char separator);

}  // namespace tovrel
