#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/ComPortMap.h"

namespace fs = std::filesystem;

namespace {

// A made-up /dev and /sys/class/tty in a temporary folder.
class ComPortMapTest : public ::testing::Test {
protected:
    // A device node with its sysfs entry; `uartType` is the kernel's UART type of a ttyS ("0": none).
    void AddTty(const std::string& name, const std::string& uartType = "") {
        Touch(dev_ / name);
        fs::create_directories(ttyClass_ / name);
        if (!uartType.empty())
            Write(ttyClass_ / name / "type", uartType + "\n");
    }

    // A USB adapter as sysfs shows it: the tty's device under the interface, under the USB device.
    void AddUsbTty(const std::string& name, const std::string& maker, const std::string& product) {
        AddTty(name);
        const fs::path usbDevice = root_.Path() / "sys/devices/usb1/1-1";
        const fs::path port = usbDevice / "1-1:1.0" / name;
        fs::create_directories(port);
        if (!maker.empty())
            Write(usbDevice / "manufacturer", maker + "\n");
        Write(usbDevice / "product", product + "\n");
        fs::create_directory_symlink(port, ttyClass_ / name / "device");
    }

    static void Touch(const fs::path& file) { Write(file, ""); }
    static void Write(const fs::path& file, const std::string& content) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << content;
    }

    TempDir root_;
    fs::path dev_ = root_.Path() / "dev";
    fs::path ttyClass_ = root_.Path() / "sys/class/tty";
    ComPortMap map_{dev_, ttyClass_};
};

TEST_F(ComPortMapTest, NumbersMapToTheConventionalDevices) {
    const std::pair<unsigned, std::string> cases[] = {
        {1, "ttyS0"},    {32, "ttyS31"},   {33, "ttyUSB0"}, {64, "ttyUSB31"},
        {65, "ttyACM0"}, {96, "ttyACM31"}, {0, ""},         {97, ""},
    };
    for (const auto& [port, name] : cases) {
        EXPECT_EQ(map_.PathFor(port), name.empty() ? "" : (dev_ / name).string()) << port;
    }
}

TEST_F(ComPortMapTest, AnOverrideWinsUntilItIsRemoved) {
    map_.SetOverride(3, "/dev/serial/by-id/usb-radio-cable");
    map_.SetOverride(200, "/dev/pts/7");
    EXPECT_EQ(map_.PathFor(3), "/dev/serial/by-id/usb-radio-cable");
    EXPECT_EQ(map_.PathFor(200), "/dev/pts/7");
    EXPECT_EQ(map_.Overrides().size(), 2u);
    map_.RemoveOverride(3);
    EXPECT_EQ(map_.PathFor(3), (dev_ / "ttyS2").string());
}

TEST_F(ComPortMapTest, ListsThePortsThatArePresentOnceEach) {
    AddTty("ttyS0", "4");  // a 16550A
    AddTty("ttyS1", "0");  // a node without a UART behind it
    AddTty("ttyS2");       // no type known: not offered either
    AddUsbTty("ttyUSB0", "FTDI", "FT232R USB UART");
    AddTty("ttyACM1");
    const fs::path byId = dev_ / "serial/by-id/usb-FTDI_FT232R-if00-port0";
    fs::create_directories(byId.parent_path());
    fs::create_symlink(dev_ / "ttyUSB0", byId);
    map_.SetOverride(5, byId.string());                       // the adapter, under the number the bench chose
    map_.SetOverride(6, (dev_ / "ttyUSB9").string());         // not plugged in
    map_.SetOverride(66, (root_.Path() / "pts-7").string());  // shadows ttyACM1
    Touch(root_.Path() / "pts-7");

    const std::vector<ComPortInfo> expected = {
        {1, (dev_ / "ttyS0").string(), ""},
        {5, byId.string(), "FTDI FT232R USB UART"},
        {66, (root_.Path() / "pts-7").string(), ""},
    };
    EXPECT_EQ(map_.ListPorts(), expected);
}

}  // namespace
