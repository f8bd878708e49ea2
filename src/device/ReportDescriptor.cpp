// The report-descriptor parser. Only what the report sizes and the first
// collection's usage need is tracked: Usage Page, Report Size, Report Count,
// Report ID, Push/Pop, the first Usage of the pending local items, the main
// items Input/Output/Feature and collection nesting. Everything else is read
// past. Sizes are counted per report id and kind as the kernel's HID parser
// counts them; the largest report of each kind wins.
#include "device/ReportDescriptor.h"

namespace keyloom {

namespace {

enum ItemType : uint8_t { kMainItem = 0, kGlobalItem = 1, kLocalItem = 2 };

enum MainTag : uint8_t { kInput = 8, kOutput = 9, kCollection = 10, kFeature = 11, kEndCollection = 12 };
enum GlobalTag : uint8_t { kUsagePage = 0, kReportSize = 7, kReportId = 8, kReportCount = 9, kPush = 10, kPop = 11 };
enum LocalTag : uint8_t { kUsage = 0, kUsageMinimum = 1 };

enum ReportKind { kInputKind, kOutputKind, kFeatureKind, kKindCount };

constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr size_t kGlobalStackDepth = 16;
constexpr uint64_t kMaxReportBits = uint64_t{kMaxReportBytes} * 8;

struct Item {
    uint8_t type;
    uint8_t tag;
    uint8_t dataSize;  // 0, 1, 2 or 4
    uint32_t value;    // data bytes, little-endian, unsigned
};

struct Globals {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

class Parser {
public:
    std::optional<ReportDescriptorInfo> run(const uint8_t* data, size_t size);

private:
    bool mainItem(const Item& item);
    bool globalItem(const Item& item);
    void localItem(const Item& item);
    bool addReportBits(ReportKind kind);
    void takeCollectionUsage();
    ReportDescriptorInfo finish() const;

    Globals globals_;
    std::array<Globals, kGlobalStackDepth> stack_{};
    size_t stackDepth_ = 0;
    size_t collectionDepth_ = 0;
    // The first Usage of the pending local items and whether it carried its
    // own page (a 4-byte usage); resolved when the main item comes.
    std::optional<Item> firstUsage_;
    bool usesReportIds_ = false;
    std::array<std::array<uint32_t, kKindCount>, 256> bits_{};  // per report id and kind
    std::array<bool, kKindCount> kindSeen_{};
    std::optional<uint32_t> usagePage_;
    std::optional<uint32_t> usage_;
};

// Reads the item at data[pos]; false when it runs past the end. Long items
// are reported with type 3 and skipped by the caller through `length`.
bool ReadItem(const uint8_t* data, size_t size, size_t pos, Item& item, size_t& length) {
    const uint8_t prefix = data[pos];
    if (prefix == kLongItemPrefix) {
        if (size - pos < 3) return false;
        length = 3 + size_t{data[pos + 1]};
        if (length > size - pos) return false;
        item = Item{3, 0x0F, 0, 0};
        return true;
    }
    static constexpr uint8_t kSizes[4] = {0, 1, 2, 4};
    const uint8_t dataSize = kSizes[prefix & 0x03];
    length = 1 + size_t{dataSize};
    if (length > size - pos) return false;
    uint32_t value = 0;
    for (uint8_t i = 0; i < dataSize; ++i) value |= uint32_t{data[pos + 1 + i]} << (8 * i);
    item = Item{static_cast<uint8_t>((prefix >> 2) & 0x03), static_cast<uint8_t>(prefix >> 4), dataSize, value};
    return true;
}

std::optional<ReportDescriptorInfo> Parser::run(const uint8_t* data, size_t size) {
    if (data == nullptr && size != 0) return std::nullopt;
    size_t pos = 0;
    while (pos < size) {
        Item item{};
        size_t length = 0;
        if (!ReadItem(data, size, pos, item, length)) return std::nullopt;
        pos += length;
        bool ok = true;
        if (item.type == kMainItem)
            ok = mainItem(item);
        else if (item.type == kGlobalItem)
            ok = globalItem(item);
        else if (item.type == kLocalItem)
            localItem(item);
        if (!ok) return std::nullopt;
    }
    if (collectionDepth_ != 0) return std::nullopt;
    return finish();
}

bool Parser::mainItem(const Item& item) {
    bool ok = true;
    switch (item.tag) {
        case kInput: ok = addReportBits(kInputKind); break;
        case kOutput: ok = addReportBits(kOutputKind); break;
        case kFeature: ok = addReportBits(kFeatureKind); break;
        case kCollection:
            if (collectionDepth_ == 0 && !usagePage_) takeCollectionUsage();
            ++collectionDepth_;  // bounded by the descriptor's length
            break;
        case kEndCollection:
            if (collectionDepth_ == 0) return false;
            --collectionDepth_;
            break;
        default: break;
    }
    firstUsage_.reset();  // local items last until the next main item
    return ok;
}

bool Parser::globalItem(const Item& item) {
    switch (item.tag) {
        case kUsagePage: globals_.usagePage = item.value; break;
        case kReportSize: globals_.reportSize = item.value; break;
        case kReportCount: globals_.reportCount = item.value; break;
        case kReportId:
            if (item.value == 0 || item.value > 255) return false;
            globals_.reportId = item.value;
            usesReportIds_ = true;
            break;
        case kPush:
            if (stackDepth_ == kGlobalStackDepth) return false;
            stack_[stackDepth_++] = globals_;
            break;
        case kPop:
            if (stackDepth_ == 0) return false;
            globals_ = stack_[--stackDepth_];
            break;
        default: break;
    }
    return true;
}

void Parser::localItem(const Item& item) {
    if ((item.tag == kUsage || item.tag == kUsageMinimum) && !firstUsage_) firstUsage_ = item;
}

bool Parser::addReportBits(ReportKind kind) {
    // Both factors are below 2^32, so the product fits in 64 bits.
    const uint64_t added = uint64_t{globals_.reportSize} * globals_.reportCount;
    uint32_t& bits = bits_[globals_.reportId][kind];
    const uint64_t total = bits + added;
    if (total > kMaxReportBits) return false;
    bits = static_cast<uint32_t>(total);
    kindSeen_[kind] = true;
    return true;
}

// A 4-byte usage names its own page; a shorter one takes the current page.
void Parser::takeCollectionUsage() {
    if (!firstUsage_) {
        usagePage_ = globals_.usagePage;
        usage_ = 0;
    } else if (firstUsage_->dataSize == 4) {
        usagePage_ = firstUsage_->value >> 16;
        usage_ = firstUsage_->value & 0xFFFF;
    } else {
        usagePage_ = globals_.usagePage;
        usage_ = firstUsage_->value;
    }
}

ReportDescriptorInfo Parser::finish() const {
    ReportDescriptorInfo info;
    info.usesReportIds = usesReportIds_;
    info.usagePage = usagePage_;
    info.usage = usage_;
    int32_t* sizes[kKindCount] = {&info.maxInputSize, &info.maxOutputSize, &info.maxFeatureSize};
    for (int kind = 0; kind < kKindCount; ++kind) {
        if (!kindSeen_[kind]) continue;
        uint32_t maxBits = 0;
        for (const auto& perId : bits_)
            if (perId[kind] > maxBits) maxBits = perId[kind];
        *sizes[kind] = static_cast<int32_t>((maxBits + 7) / 8 + (usesReportIds_ ? 1 : 0));
    }
    return info;
}

}  // namespace

std::optional<ReportDescriptorInfo> ParseReportDescriptor(const uint8_t* data, size_t size) {
    return Parser().run(data, size);
}

bool IsKeyboardVendorInterface(const ReportDescriptorInfo& info) {
    return info.usagePage == 0xFF00u && info.maxFeatureSize == 1025;
}

bool IsKeyboardVendorInterface(const uint8_t* data, size_t size) {
    if (size > kMaxReportDescriptorSize) return false;
    const auto info = ParseReportDescriptor(data, size);
    return info && IsKeyboardVendorInterface(*info);
}

}  // namespace keyloom
