#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

class CSerial;

// Which bootstrap loader the radio's controller runs: 0 not yet determined, 1 ZR5, 2 Q7.
using BootstrapVariant = std::int32_t;

// Downloads bootcode into a radio in bootstrap mode over the raw serial port, in the loader's own
// protocol: ZR5 announces itself (a break or a short pulse), answers the sync character with 0xFF and
// each 8-byte block with 16 bytes whose first 8 repeat it; Q7 takes the sync character and 10-byte
// pieces without a word. The port is the caller's, open at the bootstrap rate with the operator's echo
// flag; it is neither closed nor given back here, and its rate is left as it was. Every failure raises
// (CGenError 3 with the operator's text); only the ZR5 sync exchange is retried.
class CBootstrap {
public:
    static constexpr BootstrapVariant kUndetermined = 0;
    static constexpr BootstrapVariant kZR5 = 1;
    static constexpr BootstrapVariant kQ7 = 2;

    // The bootcode buffer's size: a longer image is refused before anything is sent.
    static constexpr std::size_t kMaxImageBytes = 5000;

    explicit CBootstrap(CSerial* port);
    ~CBootstrap();
    CBootstrap(const CBootstrap&) = delete;
    CBootstrap& operator=(const CBootstrap&) = delete;

    // The caller may preset the variant before the first download; a detected one stays.
    BootstrapVariant Variant() const { return variant_; }
    void SetVariant(BootstrapVariant variant) { variant_ = variant; }
    // How long, in milliseconds, the ZR5 download first listens for the loader to announce itself, for
    // an operator who puts the radio in bootstrap mode only now; 0 (the default) listens no longer than
    // the detection itself.
    void SetAnnouncementWait(unsigned milliseconds) { announcementWaitMs_ = milliseconds; }

    // Called after each block (ZR5) or piece (Q7) has gone out, for a progress display.
    void OnBlockSent(std::function<void()> blockSent) { blockSent_ = std::move(blockSent); }
    // How many blocks or pieces the image takes with `variant`; an undetermined variant counts as ZR5,
    // the loader the program sequence presets.
    static std::size_t BlockCount(BootstrapVariant variant, std::size_t imageBytes);

    // Detects the variant when it is undetermined, then sends the image with its loader's protocol. A
    // variant other than ZR5 or Q7 sends nothing.
    void SendBootcode(std::span<const std::uint8_t> image);
    // A receive line held in break through the whole test is a ZR5 loader; anything else is Q7.
    BootstrapVariant DetectVariant();
    // The sync character of the port's current rate, or 0 when the rate has none.
    std::uint8_t SyncCharacter() const;

    void Q7_Send_Bootcode(std::span<const std::uint8_t> image);
    // The image is padded with zeros to whole blocks.
    void ZR5_Send_Bootcode(std::span<const std::uint8_t> image);
    // Detects the ZR5 loader and exchanges the sync character, three attempts in all.
    void WaitForBootstrapSync(std::uint8_t syncCharacter);

private:
    enum class SyncResult { InSync, WriteFailed, ReadFailed };

    void WaitForAnnouncement();
    void DetectLoader();
    std::optional<std::string_view> DetectOnce();
    void WaitForBreakEnd();
    SyncResult ExchangeSync(std::uint8_t syncCharacter);
    void SendBlock(std::span<const std::uint8_t> block, std::size_t offset, unsigned timeoutMs);
    void SendPiece(std::span<const std::uint8_t> piece, std::size_t offset, unsigned timeoutMs);
    void WriteQ7Sync(std::uint8_t syncCharacter);

    void BlockSent() const;

    CSerial* port_;
    BootstrapVariant variant_ = kUndetermined;
    unsigned announcementWaitMs_ = 0;
    std::function<void()> blockSent_;
};
