#include "files/KitFileName.h"

std::optional<std::string_view> KitFileNameFault(std::string_view name) {
    if (name.empty())
        return "is empty";
    if (name.front() == '/' || name.front() == '\\')
        return "is an absolute path";
    if (name.find_first_of("/\\") != std::string_view::npos)
        return "holds a path separator";
    if (name == "." || name == "..")
        return "is \".\" or \"..\"";
    return std::nullopt;
}
