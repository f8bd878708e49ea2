// Fuzzes the report-descriptor parser, which reads bytes a device supplies.
// A descriptor that parses must give sizes a report can have.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "device/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto info = keyloom::ParseReportDescriptor(data, size);
    (void)keyloom::IsKeyboardVendorInterface(data, size);
    if (!info) return 0;
    const int32_t largest = static_cast<int32_t>(keyloom::kMaxReportBytes) + 1;
    for (int32_t bytes : {info->maxInputSize, info->maxOutputSize, info->maxFeatureSize})
        if (bytes < 0 || bytes > largest) std::abort();
    if (info->usagePage.has_value() != info->usage.has_value()) std::abort();
    return 0;
}
