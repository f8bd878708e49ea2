// HID report-descriptor parsing: the largest input, output and feature
// report of an interface, and the usage of its first top-level collection.
// The bytes come from the device (through sysfs), so the parser is strict
// about bounds and never trusts a size or count it reads.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace keyloom {

// The kernel never hands out a descriptor longer than this.
constexpr size_t kMaxReportDescriptorSize = 4096;
// A report longer than this is refused, as the kernel refuses it.
constexpr uint32_t kMaxReportBytes = 16384;

struct ReportDescriptorInfo {
    // Bytes of the largest report of each kind: its bits rounded up to bytes,
    // plus the report-id byte when the descriptor uses report ids. 0 when the
    // descriptor has no report of that kind.
    int32_t maxInputSize = 0;
    int32_t maxOutputSize = 0;
    int32_t maxFeatureSize = 0;
    bool usesReportIds = false;
    // Of the first top-level collection; empty without a collection.
    std::optional<uint32_t> usagePage;
    std::optional<uint32_t> usage;
};

// Empty for a malformed descriptor: a truncated item, an unbalanced Push/Pop
// or collection, a report id of 0 or above 255, a report above kMaxReportBytes.
std::optional<ReportDescriptorInfo> ParseReportDescriptor(const uint8_t* data, size_t size);

// The keyboard's vendor interface: vendor usage page 0xFF00 with the
// 1025-byte command feature report (report id 9 of 1024 bytes).
bool IsKeyboardVendorInterface(const ReportDescriptorInfo& info);
bool IsKeyboardVendorInterface(const uint8_t* data, size_t size);

// The report descriptor of the keyboard's vendor interface: usage page
// 0xFF00, usage 1; input report 2 of 63 bytes (notifications) and feature
// report 9 of 1024 bytes (commands).
inline constexpr std::array<uint8_t, 32> kKeyboardVendorDescriptor = {
    0x06, 0x00, 0xFF,  // Usage Page (0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x85, 0x02,        //   Report ID (2)
    0x09, 0x02,        //   Usage (2)
    0x95, 0x3F,        //   Report Count (63)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x85, 0x09,        //   Report ID (9)
    0x09, 0x03,        //   Usage (3)
    0x96, 0x00, 0x04,  //   Report Count (1024)
    0xB1, 0x02,        //   Feature (Data, Variable, Absolute)
    0xC0,              // End Collection
};

}  // namespace keyloom
