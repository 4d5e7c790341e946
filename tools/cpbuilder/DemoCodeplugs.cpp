#include "DemoCodeplugs.h"

#include <array>
#include <stdexcept>

#include "CodeplugBuilder.h"

namespace DemoCodeplugs {
namespace {

using Region = CodeplugBuilder::Region;

constexpr std::array kModels = {
    Model{"KX400S-EU", "kx400s_eu.s19", "KX4S-EU-01", 0x02, false, 4},
    Model{"KX400-EU", "kx400_eu.s19", "KX4-EU-01", 0x02, false, 2},
    Model{"KX400S", "kx400s.s19", "KX4S-GN-01", 0x01, false, 4},
    Model{"KX400", "kx400.s19", "KX4-GN-01", 0x01, false, 2},
    Model{"KX600", "kx600.s19", "KX6-GN-01", 0x01, true, 0},
};

constexpr std::uint16_t kFormatVersion = 0x0520;     // header word 9
constexpr std::uint16_t kPersonalityCount = 0x0001;  // header word A1+4
constexpr int kFrequencyPoints = 8;

class Writer {
public:
    void Byte(std::uint32_t value) { bytes_.push_back(static_cast<std::uint8_t>(value)); }
    void Word(std::uint32_t value) {
        Byte(value >> 8);
        Byte(value);
    }
    void Long(std::uint32_t value) {
        Word(value >> 16);
        Word(value);
    }
    void Text(std::string_view text, std::size_t size, char pad = ' ') {
        for (std::size_t i = 0; i < size; ++i)
            Byte(static_cast<std::uint8_t>(i < text.size() ? text[i] : pad));
    }
    void Fill(std::size_t size, std::uint8_t value) { bytes_.insert(bytes_.end(), size, value); }
    Bytes Take(std::size_t size) {
        if (bytes_.size() != size)
            throw std::logic_error("a demo entry has the wrong size");
        return std::move(bytes_);
    }

private:
    Bytes bytes_;
};

// Alignment values: nominal ones for the kit, a radio's own spread around them by its seed.
class Alignment {
public:
    explicit Alignment(std::uint32_t seed) : state_(seed) {}
    std::uint32_t Around(std::uint32_t nominal, std::uint32_t spread) {
        if (state_ == 0)
            return nominal;
        state_ = state_ * 1103515245u + 12345u;
        return nominal - spread + (state_ >> 16) % (2 * spread + 1);
    }

private:
    std::uint32_t state_;
};

Bytes Tuning(const Model& model, std::uint32_t seed) {
    Alignment a(seed);
    Writer w;
    w.Word(a.Around(0x0800, 0x40));  // reference oscillator warp
    for (int p = 0; p < kFrequencyPoints; ++p)
        w.Word(a.Around(model.mobile ? 0x0C80 : 0x0A40, 0x60));  // transmit power, high
    for (int p = 0; p < kFrequencyPoints; ++p)
        w.Word(a.Around(model.mobile ? 0x0520 : 0x0380, 0x40));  // transmit power, low
    for (int p = 0; p < kFrequencyPoints; ++p)
        w.Byte(a.Around(0x80, 0x10));  // modulation balance
    for (int p = 0; p < kFrequencyPoints; ++p)
        w.Byte(a.Around(0x6C, 0x0C));  // deviation
    for (int p = 0; p < kFrequencyPoints; ++p)
        w.Byte(a.Around(0x40, 0x08));  // squelch opening
    for (int p = 0; p < kFrequencyPoints; ++p)
        w.Byte(a.Around(0x48, 0x08));  // squelch closing
    for (int p = 0; p < kFrequencyPoints; ++p)
        w.Word(a.Around(0x0100, 0x20));  // signal-strength offset
    w.Word(a.Around(0x0340, 0x10));      // battery: 6.0 V
    w.Word(a.Around(0x0460, 0x10));      // battery: 8.4 V
    for (int i = 0; i < 4; ++i)
        w.Byte(a.Around(0x50 + 0x10 * i, 0x08));  // front-end tuning
    w.Text(seed == 0 ? "000000" : "260114", 6);   // aligned on (YYMMDD)
    return w.Take(kTuningBytes);
}

Bytes Factory(const Model& model) {
    Writer w;
    w.Text(model.name, 12);
    w.Text(model.mobile ? "HW 2.4" : "HW 3.1", 8);
    w.Text("251120", 6);  // made on (YYMMDD)
    w.Fill(6, 0xFF);
    return w.Take(32);
}

// Receive and transmit band edges in 10 kHz steps.
std::vector<std::vector<Bytes>> BandLimits(const Model& model) {
    const std::uint32_t low = model.mobile ? 13600 : 40000;
    const std::uint32_t high = model.mobile ? 17400 : 47000;
    const auto edge = [](std::uint32_t value) {
        Writer w;
        w.Long(value);
        return w.Take(4);
    };
    return {{edge(low), edge(high)}, {edge(low), edge(high)}};
}

Bytes Identity(const Model& model, const DemoRadioData& radio) {
    Writer w;
    w.Text(radio.serialNumber, kSerialNumberBytes);
    w.Text(model.mobile ? "KX-600" : "KX-400", 16);  // alias on the display
    w.Text("000000", 6);                             // last programmed (YYMMDD)
    w.Text("Demo fleet", 48);                        // owner
    w.Byte(radio.regionalId.value_or(model.regionalId));
    w.Fill(kIdentityBytes - kRegionalIdOffset - 1, 0xFF);
    return w.Take(kIdentityBytes);
}

Bytes CodeplugCode(const Model& model) {
    Writer w;
    w.Text(model.codeplugCode, kCodeplugCodeBytes);
    return w.Take(kCodeplugCodeBytes);
}

Bytes Settings() {
    Writer w;
    w.Byte(0x01);  // power-on tone
    w.Byte(0x03);  // backlight: on keypress
    w.Byte(0x05);  // squelch level
    w.Word(60);    // transmit time-out, seconds
    w.Byte(0x01);  // battery saver
    w.Byte(0x00);  // language: English
    w.Text("READY", 12);
    w.Fill(5, 0x00);
    return w.Take(24);
}

// A channel: receive and transmit frequency in hertz, CTCSS tones in 0.1 Hz, power, bandwidth, name.
Bytes Channel(std::uint32_t rx, std::uint32_t tx, std::uint32_t tone, bool high, std::string_view name) {
    Writer w;
    w.Long(rx);
    w.Long(tx);
    w.Word(tone);
    w.Word(tone);
    w.Byte(high ? 1 : 0);
    w.Byte(0x01);  // 12.5 kHz
    w.Text(name, 6);
    return w.Take(20);
}

std::vector<std::vector<Bytes>> Zones(const Model& model) {
    const std::uint32_t base = model.mobile ? 150'000'000 : 446'000'000;
    const auto ch = [&](int n, std::uint32_t tone, bool high) {
        const std::uint32_t f = base + 12'500 * static_cast<std::uint32_t>(n);
        return Channel(f, f, tone, high, "CH " + std::to_string(n));
    };
    // Zones of 4, 2, none and 3 channels.
    return {{ch(1, 670, true), ch(2, 719, true), ch(3, 770, false), ch(4, 885, false)},
            {ch(11, 0, true), ch(12, 0, true)},
            {},
            {ch(21, 1000, false), ch(22, 1035, false), ch(23, 1072, true)}};
}

// Six programmable buttons, 5 bits each: the function number.
std::vector<std::uint32_t> Buttons() {
    return {3, 7, 12, 0, 21, 30};
}

// Scan lists of four members: zone, channel, priority (bits 2-3 of byte 3), nuisance-delete (bit 0 of
// byte 4), hang time.
std::vector<std::vector<Bytes>> ScanLists(int lists) {
    std::vector<std::vector<Bytes>> result;
    for (int l = 0; l < lists; ++l) {
        std::vector<Bytes> members;
        for (int m = 0; m < 4; ++m) {
            Writer w;
            w.Byte(static_cast<std::uint32_t>(l));
            w.Byte(static_cast<std::uint32_t>(m));
            w.Byte(0x00);
            w.Byte(m == 0 ? 0x08 : 0x00);
            w.Byte(0x00);
            w.Byte(0x14);  // hang time, 100 ms
            w.Word(0x0000);
            members.push_back(w.Take(8));
        }
        result.push_back(std::move(members));
    }
    return result;
}

// Signalling systems of three ids each: flags (bit 7: enabled), id, options.
std::vector<std::vector<Bytes>> Signalling() {
    std::vector<std::vector<Bytes>> result;
    for (int s = 0; s < 4; ++s) {
        std::vector<Bytes> ids;
        for (int i = 0; i < 3; ++i) {
            Writer w;
            w.Byte(i == 0 ? 0x80 : 0x00);
            w.Long(static_cast<std::uint32_t>(1000 * (s + 1) + i));
            w.Byte(0x00);
            ids.push_back(w.Take(6));
        }
        result.push_back(std::move(ids));
    }
    return result;
}

}  // namespace

std::span<const Model> Models() {
    return kModels;
}

const Model& Find(std::string_view name) {
    for (const Model& model : kModels) {
        if (model.name == name)
            return model;
    }
    throw std::invalid_argument("there is no demo model " + std::string(name));
}

BuiltCodeplug Build(const Model& model, const DemoRadioData& radio) {
    CodeplugBuilder builder;
    builder.HeaderWords(kFormatVersion, kPersonalityCount)
        .BlockCount(kBlockCount)
        .Block(kTuningBlock, Region::k1,
               BlockContent::Simple(kTuningBytes, {Tuning(model, radio.tuningSeed)}).Wide().EntryChecksums())
        .Block(kFactoryBlock, Region::k1, BlockContent::Simple(32, {Factory(model)}).BlockChecksum())
        .Block(kBandLimitsBlock, Region::k1, BlockContent::FixedLists(4, BandLimits(model)).ListChecksums())
        .Block(kIdentityBlock, Region::k2, BlockContent::Simple(kIdentityBytes, {Identity(model, radio)}))
        .BlockAt(kCodeplugCodeBlock, Region::k2, kCodeplugCodeAddress - 3,
                 BlockContent::Simple(kCodeplugCodeBytes, {CodeplugCode(model)}).BlockChecksum())
        .Block(kSettingsBlock, Region::k3, BlockContent::Simple(24, {Settings()}).BlockChecksum())
        .Block(kChannelsBlock, Region::k3, BlockContent::VariableLists(20, Zones(model)).ListChecksums())
        .Block(kButtonsBlock, Region::k3, BlockContent::Packed(5, Buttons()).BlockChecksum());
    if (model.mobile)
        builder.Block(kSignallingBlock, Region::k3,
                      BlockContent::FixedLists(6, Signalling()).BlockChecksum());
    else
        builder.Block(kScanListsBlock, Region::k3,
                      BlockContent::FixedLists(8, ScanLists(model.scanLists)).ListChecksums());
    return builder.Build();
}

}  // namespace DemoCodeplugs
