// The flight record: the altimeter's dump and, byte for byte, the flight file.
// A 32-byte little-endian header followed by 4-byte samples (raw temperature word, raw
// pressure word); the first sample whose pressure word is 0xFFFF is the last one that counts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orlomat {

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kSampleSize = 4;
constexpr std::size_t kMaxRecordSize = 33000; // the receive buffer's size
constexpr std::uint16_t kEndMarker = 0xFFFF;  // pressure word of the last sample
constexpr std::size_t kTableSize = 17000;     // altitude and speed table entries
constexpr std::int32_t kTableEndMark = 2147483647;

// Sensor calibration coefficients, named and signed as in the sensor's datasheet.
struct Calibration {
    std::int16_t AC1 = 0, AC2 = 0, AC3 = 0;
    std::uint16_t AC4 = 0, AC5 = 0, AC6 = 0;
    std::int16_t B1 = 0, B2 = 0, MB = 0, MC = 0, MD = 0;
    friend bool operator==(const Calibration&, const Calibration&) = default;
};

struct FlightHeader {
    std::uint16_t competitor = 0;
    std::uint16_t serial = 0;
    std::uint16_t temperatureWord = 0; // raw UT of the header temperature
    std::uint8_t samplingByte = 0;     // low four bits: sampling code
    std::uint16_t calibrationWord = 0;
    Calibration calibration;

    unsigned samplingCode() const { return samplingByte & 0x0Fu; }
};

struct Sample {
    std::uint16_t ut = 0; // raw temperature
    std::uint16_t up = 0; // raw pressure
};

inline std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline void WriteU16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

// Reads the header from the first 32 bytes; missing bytes of a shorter record read as 0.
FlightHeader ParseHeader(std::span<const std::uint8_t> record);

// The 32 header bytes of `header`, as ParseHeader reads them (byte 0 is zero).
std::array<std::uint8_t, kHeaderSize> HeaderBytes(const FlightHeader& header);

// Sample records of a record of `length` bytes: floor((L - 32) / 4), 0 below the header.
constexpr std::size_t SampleCount(std::size_t length) {
    return length < kHeaderSize ? 0 : (length - kHeaderSize) / kSampleSize;
}

// The record word count handed to the decoding: (L - 32) / 2, 0 below the header.
constexpr std::uint32_t RecordWordCount(std::size_t length) {
    return length < kHeaderSize ? 0 : static_cast<std::uint32_t>((length - kHeaderSize) / 2);
}

inline Sample SampleAt(std::span<const std::uint8_t> record, std::size_t i) {
    const std::size_t off = kHeaderSize + kSampleSize * i;
    return {ReadU16(record, off), ReadU16(record, off + 2)};
}

// Where a flight comes from decides the sampling rate column for codes 6..15.
enum class FlightSource { Download, File };

// Sampling text shown for a code ("" above 5; Polish only, shown in both languages).
std::string_view SamplingText(unsigned code);

// Samples per 10 seconds for a sampling code and source.
std::uint32_t SamplingRateValue(unsigned code, FlightSource source);

} // namespace orlomat
