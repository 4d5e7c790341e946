// Any byte stream from the radio, arriving in pieces at any moments on a line in virtual time, while the
// broker makes one of its requests and then another: every request ends, with its result or a CError,
// and a reply never lands outside the caller's buffer. (Two requests, not all five: the erase's long
// time-out is spun through in virtual time, which costs real time.)
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "SimLine.h"
#include "VirtualClock.h"
#include "VirtualPlatform.h"
#include "errors/CError.h"
#include "errors/CErrorLog.h"
#include "kwip/CKwipBroker.h"
#include "platform/CPosixSerial.h"

namespace {

constexpr unsigned kPort = 1;
constexpr std::uint64_t kUs = 1'000;
constexpr int kRequests = 5;

struct Piece {
    std::uint64_t atNs;
    std::vector<std::uint8_t> bytes;
};

// Sends its pieces at their moments, whatever the program says.
class StreamingRadio : public SimPeer {
public:
    explicit StreamingRadio(std::vector<Piece> pieces) : pieces_(std::move(pieces)) {}

    void Start(SimLine& line) {
        if (!pieces_.empty())
            line.WakePeerAt(pieces_.front().atNs);
    }
    void OnCharacter(SimLine&, const SimCharacter&) override {}
    void OnWake(SimLine& line, std::uint64_t nowNs) override {
        if (next_ >= pieces_.size())
            return;
        line.PeerSend(pieces_[next_].bytes, nowNs);
        if (++next_ < pieces_.size())
            line.WakePeerAt(pieces_[next_].atNs);
    }

private:
    std::vector<Piece> pieces_;
    std::size_t next_ = 0;
};

std::vector<Piece> PiecesFrom(FuzzedDataProvider& input) {
    std::vector<Piece> pieces;
    std::uint64_t atNs = 1;
    while (input.remaining_bytes() > 0) {
        atNs += input.ConsumeIntegralInRange<std::uint64_t>(0, 3'000) * kUs;
        const auto length = input.ConsumeIntegralInRange<std::size_t>(1, 64);
        pieces.push_back({atNs, input.ConsumeBytes<std::uint8_t>(length)});
    }
    return pieces;
}

void MakeRequest(CKwipBroker& broker, int which) {
    switch (which) {
        case 0: {
            std::array<std::uint8_t, 40> data{};
            broker.ReadRequest(0x001234, data);
            break;
        }
        case 1: {
            const std::array<std::uint8_t, 2> data{0xAA, 0xBB};
            broker.WriteRequest(0x400000, data);
            break;
        }
        case 2:
            broker.EraseFlashRequest();
            break;
        case 3:
            broker.ResetRequest();
            break;
        default: {
            std::array<char, 10> text{};
            const std::string_view reply = broker.RadioStatusRequest(5, text);
            if (reply.data() < text.data() || reply.data() + reply.size() > text.data() + text.size())
                std::abort();
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto echo = input.ConsumeIntegralInRange<std::uint8_t>(0, 1);
    const auto first = input.ConsumeIntegralInRange<int>(0, kRequests - 1);
    const auto second = input.ConsumeIntegralInRange<int>(0, kRequests - 1);

    auto clock = std::make_shared<VirtualClock>();
    auto line = std::make_shared<SimLine>(clock);
    line->SetEchoBox(echo != 0);
    auto radio = std::make_shared<StreamingRadio>(PiecesFrom(input));
    line->AttachPeer(radio);
    radio->Start(*line);
    auto previous = CPlatform::Install(std::make_unique<VirtualPlatform>(
        clock, std::make_unique<CPosixSerial>(SimLine::Opener(line, kPort))));
    ErrorLog().SetFileLogging(false);

    {
        CKwipBroker broker;
        try {
            broker.Comm().Open(kPort, echo);
            broker.PortOpen = true;
            for (const int request : {first, second}) {
                try {
                    MakeRequest(broker, request);
                } catch (const CError&) {
                }
            }
        } catch (const CError&) {
        }
    }
    ErrorLog().CloseSinks();
    CPlatform::Install(std::move(previous));
    return 0;
}
