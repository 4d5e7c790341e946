#include "files/ProductLine.h"

namespace ProductLine {

std::int32_t IdOf(std::string_view name) {
    for (std::int32_t id = 0; id < kNoLine; ++id) {
        if (kNames[static_cast<std::size_t>(id)] == name)
            return id;
    }
    return kNoLine;
}

}  // namespace ProductLine
