#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "files/KitFileName.h"

namespace {

TEST(KitFileNameTest, ANameIsOnePlainNameInTheKitFolder) {
    struct Case {
        std::string_view name;
        std::optional<std::string_view> fault;
    };
    const Case cases[] = {
        {"kx400.s19", std::nullopt},
        {"fw_512k", std::nullopt},
        {"..x", std::nullopt},
        {".hidden", std::nullopt},
        {"", "is empty"},
        {"/etc/passwd", "is an absolute path"},
        {"\\\\server\\kit\\cp.s19", "is an absolute path"},
        {"../elsewhere/x", "holds a path separator"},
        {"sub/cp.s19", "holds a path separator"},
        {"..\\x", "holds a path separator"},
        {"cp.s19/", "holds a path separator"},
        {".", "is \".\" or \"..\""},
        {"..", "is \".\" or \"..\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KitFileNameFault(c.name), c.fault) << c.name;
}

}  // namespace
