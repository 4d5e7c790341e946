#pragma once

#include <gmock/gmock.h>

#include "platform/CSerial.h"

// A serial port whose every operation a test can expect and script.
class MockSerial : public CSerial {
public:
    MOCK_METHOD(void, PurgeInput, (), (override));
    MOCK_METHOD(double, ByteTime, (), (override));
    MOCK_METHOD(void, Open, (unsigned port), (override));
    MOCK_METHOD(void, Close, (), (override));
    MOCK_METHOD(int, GetPort, (), (const, override));
    MOCK_METHOD(void, Read, (std::span<std::uint8_t> destination, unsigned timeoutMs), (override));
    MOCK_METHOD(void, Write, (std::span<const std::uint8_t> source, unsigned timeoutMs), (override));
    MOCK_METHOD(bool, WaitForCommError, (unsigned mask, unsigned timeoutMs), (override));
    MOCK_METHOD(bool, DetectPulse, (unsigned timeoutMs), (override));
    MOCK_METHOD(void, WaitForBytesUnless, (unsigned count, unsigned timeoutMs), (override));
    MOCK_METHOD(bool, WaitForQuiet, (unsigned quietCharacters, unsigned timeoutMs), (override));
    MOCK_METHOD(bool, WaitForCharacter, (unsigned timeoutMs), (override));
    MOCK_METHOD(void, SetParams, (unsigned baud, int parity, int stopBits, int charSize), (override));
    MOCK_METHOD(int, GetStopBits, (), (const, override));
    MOCK_METHOD(void, SetStopBits, (int stopBits), (override));
    MOCK_METHOD(int, GetCharSize, (), (const, override));
    MOCK_METHOD(void, SetCharSize, (int charSize), (override));
    MOCK_METHOD(int, GetParity, (), (const, override));
    MOCK_METHOD(void, SetParity, (int parity), (override));
    MOCK_METHOD(unsigned, GetBaud, (), (const, override));
    MOCK_METHOD(void, SetBaud, (unsigned baud), (override));
};
