// keyloom-hidcheck FILE: exits 0 when FILE holds the report descriptor of the
// keyboard's vendor interface, 1 otherwise (2 on wrong usage). udev runs it
// to decide whether the logged-in user gets access to a hidraw node, so it
// reads at most one descriptor's worth of bytes and prints nothing.
#include <cstdint>
#include <cstdio>

#include "device/ReportDescriptor.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: keyloom-hidcheck REPORT_DESCRIPTOR_FILE\n", stderr);
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) return 1;
    // One byte more than a descriptor may have, to tell an oversized file.
    static uint8_t bytes[keyloom::kMaxReportDescriptorSize + 1];
    const size_t size = std::fread(bytes, 1, sizeof bytes, file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return 1;
    return keyloom::IsKeyboardVendorInterface(bytes, size) ? 0 : 1;
}
