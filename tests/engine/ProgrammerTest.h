#pragma once

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "RecordingNotifications.h"
#include "SRecordWriter.h"
#include "SimRadioTest.h"
#include "SmallRadio.h"
#include "engine/CodeplugProgrammer.h"
#include "engine/RadioSavedData.h"

// The simulated radio (SmallRadio) as the verification reads it: identity bytes and serial text.
inline RadioIdentity SmallRadioIdentity() {
    RadioIdentity radio{RadioIdentity::Bytes{}, "SN00001234"};
    std::copy(SmallRadio::kIdentity.begin(), SmallRadio::kIdentity.end(), radio.bytes->begin());
    return radio;
}

// A codeplug programmer run against the simulated radio: the radio starts with `radioImage` (its own
// tuning and serial data), the kit carries `kitImage`.
class ProgrammerTest : public SimRadioTest {
public:
    using Bytes = std::vector<std::uint8_t>;

    // A range of bytes, by address.
    struct Span {
        std::uint32_t address;
        std::uint32_t length;
    };

    void Setup(const Bytes& radioImage, const Bytes& kitImage, int type) {
        radioImage_ = radioImage;
        kitImage_ = kitImage;
        Bytes memory = radioImage;
        memory.resize(std::max<std::size_t>(memory.size(), kRadioCodeplugBytes), 0xFF);
        Profile().codeplug = memory;
        kitText_ = WriteSRecords(kitImage, SRecordLayout{});
        job_.type = type;
        job_.codeplugText = &kitText_;
        job_.port = kPort;
        saved_.SetRadio(SmallRadioIdentity());
    }
    void Program() { MakeCodeplugProgrammer(job_, saved_)->Program(); }

    std::vector<RadioRequest> Writes() {
        std::vector<RadioRequest> writes;
        for (const RadioRequest& request : Radio().Requests())
            if (request.kind == RequestKind::Write)
                writes.push_back(request);
        return writes;
    }
    // Makes the radio refuse `count` write requests from the n-th on (every retry of one request).
    void FailWrites(unsigned first, unsigned count = 4) {
        for (unsigned n = first; n < first + count; ++n)
            Radio().ScheduleFault({RequestKind::Write, n, ScheduledFault::Kind::NegativeAck});
    }
    void FailReads(unsigned first, unsigned count = 4) {
        for (unsigned n = first; n < first + count; ++n)
            Radio().ScheduleFault({RequestKind::Read, n, ScheduledFault::Kind::NegativeAck});
    }

    // The radio's codeplug after the run: inside the region the kit's bytes, except the radio's own
    // `kept` bytes; outside it the radio's bytes as they were. Checksum bytes (`skipped`) are left to
    // the layout's own check.
    void ExpectRadioHolds(const std::vector<Span>& kept, const std::set<std::uint32_t>& skipped = {}) {
        ExpectProgrammed(SimRadioTest::Radio().Codeplug(), radioImage_, kitImage_, job_.region, kept, skipped);
    }
    static void ExpectProgrammed(std::span<const std::uint8_t> now, const Bytes& radioImage, const Bytes& kitImage,
                                 const CodeplugRegion& region, const std::vector<Span>& kept,
                                 const std::set<std::uint32_t>& skipped) {
        for (std::uint32_t address = 0; address < radioImage.size(); ++address) {
            if (skipped.count(address) != 0)
                continue;
            const bool inRegion = address >= region.start && address < region.end;
            const bool isKept = std::any_of(kept.begin(), kept.end(), [&](const Span& span) {
                return address >= span.address && address < span.address + span.length;
            });
            const std::uint8_t expected = inRegion && !isKept ? kitImage[address] : radioImage[address];
            ASSERT_EQ(now[address], expected) << "at address " << address;
        }
    }

    static constexpr std::size_t kRadioCodeplugBytes = 4096;

    Bytes radioImage_;
    Bytes kitImage_;
    std::string kitText_;
    CodeplugJob job_;
    RadioSavedData saved_;
};
