// Reading hidraw interfaces from sysfs. The HID device directory (the
// entry's "device" link) holds "uevent" (HID_ID "bus:vendor:product" in hex,
// HID_NAME) and "report_descriptor"; for USB devices the USB device two
// levels up holds "bcdDevice" and the product string "product".
#include "device/HidrawSysfs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "device/ReportDescriptor.h"

namespace keyloom {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kBusUsb = 0x03;
constexpr size_t kMaxAttributeSize = 4096;  // a sysfs attribute is at most a page
// From the HID device directory: the USB interface, then the USB device.
constexpr int kUsbDeviceSearchDepth = 3;

std::optional<std::string> ReadAttribute(const fs::path& path, size_t limit = kMaxAttributeSize) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string data(limit, '\0');
    in.read(data.data(), static_cast<std::streamsize>(limit));
    if (in.bad()) return std::nullopt;
    data.resize(static_cast<size_t>(in.gcount()));
    return data;
}

std::string TrimLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::optional<uint32_t> ParseHex(const std::string& text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (!std::isxdigit(u)) return std::nullopt;
        value = value * 16 + static_cast<uint32_t>(std::isdigit(u) ? u - '0' : (u | 0x20) - 'a' + 10);
    }
    return value;
}

struct UeventIds {
    uint32_t bus = 0;
    uint32_t vendor = 0;
    uint32_t product = 0;
    std::optional<std::string> name;
};

// HID_ID is "%04X:%08X:%08X"; the ids are 16-bit in practice.
std::optional<UeventIds> ParseUevent(const std::string& text) {
    std::optional<UeventIds> ids;
    std::optional<std::string> name;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.rfind("HID_NAME=", 0) == 0) {
            name = line.substr(9);
        } else if (line.rfind("HID_ID=", 0) == 0) {
            const std::string value = line.substr(7);
            const size_t a = value.find(':');
            const size_t b = a == std::string::npos ? a : value.find(':', a + 1);
            if (b == std::string::npos) continue;
            auto bus = ParseHex(value.substr(0, a));
            auto vendor = ParseHex(value.substr(a + 1, b - a - 1));
            auto product = ParseHex(value.substr(b + 1));
            if (bus && vendor && product) ids = UeventIds{*bus, *vendor, *product, {}};
        }
    }
    if (ids && name && !name->empty()) ids->name = name;
    return ids;
}

bool IsMatching(const UeventIds& ids, const std::vector<HidMatch>& matching) {
    return std::any_of(matching.begin(), matching.end(),
                       [&](const HidMatch& m) { return m.vendorId == ids.vendor && m.productId == ids.product; });
}

// The USB device above a HID device directory: the first ancestor holding
// "bcdDevice", never above the sysfs root.
std::optional<fs::path> FindUsbDevice(const fs::path& hidDevice, const HidrawPaths& paths) {
    std::error_code ec;
    const fs::path root = fs::canonical(paths.sysRoot, ec);
    if (ec) return std::nullopt;
    fs::path dir = fs::canonical(hidDevice, ec);
    if (ec) return std::nullopt;
    for (int level = 0; level < kUsbDeviceSearchDepth; ++level) {
        dir = dir.parent_path();
        auto [rootEnd, dirEnd] = std::mismatch(root.begin(), root.end(), dir.begin(), dir.end());
        if (rootEnd != root.end() || dir == root) return std::nullopt;  // left the sysfs tree
        if (fs::is_regular_file(dir / "bcdDevice", ec)) return dir;
    }
    return std::nullopt;
}

void ReadUsbProperties(const fs::path& hidDevice, const HidrawPaths& paths, HidDevice& dev) {
    const auto usb = FindUsbDevice(hidDevice, paths);
    if (!usb) return;
    if (auto bcd = ReadAttribute(*usb / "bcdDevice")) dev.version = ParseHex(TrimLine(*bcd));
    if (auto product = ReadAttribute(*usb / "product")) {
        std::string text = TrimLine(*product);
        if (!text.empty()) dev.product = text;
    }
}

void ReadDescriptor(const fs::path& hidDevice, HidDevice& dev, bool& usesReportIds) {
    const auto bytes = ReadAttribute(hidDevice / "report_descriptor", kMaxReportDescriptorSize);
    if (!bytes) return;
    const auto info = ParseReportDescriptor(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
    if (!info) return;
    dev.maxInputSize = info->maxInputSize;
    dev.maxOutputSize = info->maxOutputSize;
    dev.maxFeatureSize = info->maxFeatureSize;
    dev.usagePage = info->usagePage;
    dev.usage = info->usage;
    usesReportIds = info->usesReportIds;
}

}  // namespace

int HidrawNumber(const std::string& name) {
    static const std::string prefix = "hidraw";
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 9 || name.rfind(prefix, 0) != 0) return -1;
    int number = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

bool IsHidrawName(const std::string& name) { return HidrawNumber(name) >= 0; }

std::vector<std::string> ListHidrawNames(const HidrawPaths& paths) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(fs::path(paths.sysRoot) / "sys/class/hidraw", ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (IsHidrawName(name)) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return HidrawNumber(a) < HidrawNumber(b); });
    return names;
}

std::string HidrawNodePath(const HidrawPaths& paths, const std::string& name) {
    return (fs::path(paths.devRoot) / "dev" / name).string();
}

bool ReadHidrawDevice(const HidrawPaths& paths, const std::string& name, const std::vector<HidMatch>& matching,
                      HidDevice& dev, bool& usesReportIds) {
    if (!IsHidrawName(name)) return false;
    const fs::path hidDevice = fs::path(paths.sysRoot) / "sys/class/hidraw" / name / "device";
    const auto uevent = ReadAttribute(hidDevice / "uevent");
    if (!uevent) return false;
    const auto ids = ParseUevent(*uevent);
    if (!ids || !IsMatching(*ids, matching)) return false;

    dev.node = HidrawNodePath(paths, name);
    dev.vendorId = ids->vendor;
    dev.productId = ids->product;
    dev.product = ids->name;
    usesReportIds = false;
    if (ids->bus == kBusUsb) ReadUsbProperties(hidDevice, paths, dev);
    ReadDescriptor(hidDevice, dev, usesReportIds);
    return true;
}

}  // namespace keyloom
