#include "codeplug/WrenBlockRules.h"

#include <algorithm>
#include <array>

namespace WrenBlockRules {
namespace {

constexpr std::array<std::uint16_t, 13> kGroupA = {20, 55, 56, 58, 84, 85, 87, 89, 115, 116, 143, 145, 147};
constexpr std::array<std::uint16_t, 7> kGroupB = {51, 91, 109, 110, 155, 158, 181};

constexpr std::size_t kGroupAExtraBytes = 4;
constexpr std::size_t kGroupBExtraBytes = 5;
constexpr std::size_t kOtherExtraBytes = 2;
constexpr std::size_t kGroupBSummedFrom = 4;  // bytes 0, 2 and 3 of a group B block are not summed

bool Contains(std::span<const std::uint16_t> ids, std::uint16_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

Group GroupOf(std::uint16_t id) {
    if (Contains(kGroupA, id))
        return Group::kA;
    if (Contains(kGroupB, id))
        return Group::kB;
    return Group::kOther;
}

std::size_t HeaderBytes(Group group) {
    return group == Group::kA ? 3 : 2;
}

std::size_t BlockSize(Group group, std::span<const std::uint8_t> header) {
    switch (group) {
        case Group::kA:
            return (std::size_t{header[0]} << 8 | header[1]) + kGroupAExtraBytes;
        case Group::kB:
            return header[0] + kGroupBExtraBytes;
        case Group::kOther:
            break;
    }
    return header[0] + kOtherExtraBytes;
}

std::uint8_t TypeByte(Group group, std::span<const std::uint8_t> header) {
    return header[HeaderBytes(group) - 1];
}

void StoreChecksum(Group group, std::span<std::uint8_t> block) {
    const std::size_t n = block.size();
    switch (group) {
        case Group::kA: {
            if (n < 2)
                return;
            std::uint16_t sum = kGroupAChecksumBias;
            for (std::size_t i = 0; i + 2 < n; ++i)
                sum = static_cast<std::uint16_t>(sum + block[i]);
            block[n - 2] = static_cast<std::uint8_t>(sum >> 8);
            block[n - 1] = static_cast<std::uint8_t>(sum);
            return;
        }
        case Group::kB: {
            if (n < 2)
                return;
            std::uint8_t sum = static_cast<std::uint8_t>(kChecksumBias + block[1]);
            for (std::size_t i = kGroupBSummedFrom; i + 1 < n; ++i)
                sum = static_cast<std::uint8_t>(sum + block[i]);
            block[n - 1] = sum;
            return;
        }
        case Group::kOther: {
            if (n < 1)
                return;
            std::uint8_t sum = kChecksumBias;
            for (std::size_t i = 0; i + 1 < n; ++i)
                sum = static_cast<std::uint8_t>(sum + block[i]);
            block[n - 1] = sum;
            return;
        }
    }
}

}  // namespace WrenBlockRules
