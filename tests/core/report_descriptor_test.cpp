// The report-descriptor parser: report sizes and collection usage of real
// descriptors, the item rules, and refusal of malformed input.
#include <gtest/gtest.h>

#include <vector>

#include "device/ReportDescriptor.h"
#include "hid_fakes.h"

namespace keyloom {
namespace {

using Bytes = std::vector<uint8_t>;

std::optional<ReportDescriptorInfo> Parse(const Bytes& bytes) { return ParseReportDescriptor(bytes.data(), bytes.size()); }

Bytes VendorDescriptor() { return Bytes(kKeyboardVendorDescriptor.begin(), kKeyboardVendorDescriptor.end()); }

// `body` inside one application collection of the vendor page.
Bytes InCollection(const Bytes& body) {
    Bytes bytes;
    bytes.reserve(body.size() + 8);
    for (uint8_t b : {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01}) bytes.push_back(b);
    for (uint8_t b : body) bytes.push_back(b);
    bytes.push_back(0xC0);
    return bytes;
}

TEST(ReportDescriptor, RealDescriptors) {
    auto boot = Parse(test::kBootKeyboardDescriptor);
    ASSERT_TRUE(boot);
    EXPECT_EQ(boot->maxInputSize, 8);
    EXPECT_EQ(boot->maxOutputSize, 1);
    EXPECT_EQ(boot->maxFeatureSize, 0);
    EXPECT_FALSE(boot->usesReportIds);
    EXPECT_EQ(boot->usagePage, 0x01u);
    EXPECT_EQ(boot->usage, 0x06u);

    // Two reports: the larger (report 3, two bytes) plus the id byte.
    auto consumer = Parse(test::kConsumerDescriptor);
    ASSERT_TRUE(consumer);
    EXPECT_EQ(consumer->maxInputSize, 3);
    EXPECT_EQ(consumer->maxOutputSize, 0);
    EXPECT_EQ(consumer->maxFeatureSize, 0);
    EXPECT_TRUE(consumer->usesReportIds);
    EXPECT_EQ(consumer->usagePage, 0x0Cu);  // the first top-level collection, not the last
    EXPECT_EQ(consumer->usage, 0x01u);

    auto vendor = Parse(VendorDescriptor());
    ASSERT_TRUE(vendor);
    EXPECT_EQ(vendor->maxFeatureSize, 1025);
    EXPECT_EQ(vendor->maxInputSize, 64);
    EXPECT_EQ(vendor->maxOutputSize, 0);
    EXPECT_TRUE(vendor->usesReportIds);
    EXPECT_EQ(vendor->usagePage, 0xFF00u);
    EXPECT_EQ(vendor->usage, 0x01u);
}

TEST(ReportDescriptor, KeyboardVendorInterfaceDecision) {
    const Bytes vendor = VendorDescriptor();
    EXPECT_TRUE(IsKeyboardVendorInterface(vendor.data(), vendor.size()));
    EXPECT_FALSE(IsKeyboardVendorInterface(test::kBootKeyboardDescriptor.data(), test::kBootKeyboardDescriptor.size()));
    EXPECT_FALSE(IsKeyboardVendorInterface(test::kConsumerDescriptor.data(), test::kConsumerDescriptor.size()));
    EXPECT_FALSE(IsKeyboardVendorInterface(nullptr, 0));

    // The vendor page with another feature size, and the right size on another page.
    Bytes shortFeature = VendorDescriptor();
    shortFeature[27] = 0xFF;  // Report Count 1023
    shortFeature[28] = 0x03;
    EXPECT_FALSE(IsKeyboardVendorInterface(shortFeature.data(), shortFeature.size()));
    Bytes otherPage = VendorDescriptor();
    otherPage[2] = 0xFE;  // Usage Page 0xFE00
    EXPECT_FALSE(IsKeyboardVendorInterface(otherPage.data(), otherPage.size()));

    // A valid descriptor padded past the kernel's limit with long items.
    Bytes oversized = VendorDescriptor();
    while (oversized.size() <= kMaxReportDescriptorSize) {
        oversized.insert(oversized.end(), {0xFE, 0xFD, 0x10});
        oversized.resize(oversized.size() + 0xFD, 0);
    }
    ASSERT_TRUE(Parse(oversized));
    EXPECT_FALSE(IsKeyboardVendorInterface(oversized.data(), oversized.size()));

    // Bits are counted per report id: two ids of 512 bytes are no 1024-byte report.
    const Bytes split = InCollection({0x75, 0x08, 0x85, 0x09, 0x96, 0x00, 0x02, 0xB1, 0x02,  //
                                      0x85, 0x0A, 0xB1, 0x02});
    EXPECT_EQ(Parse(split)->maxFeatureSize, 513);
    EXPECT_FALSE(IsKeyboardVendorInterface(split.data(), split.size()));
}

TEST(ReportDescriptor, ItemRules) {
    // Main items of one id and kind add up; kinds are counted apart.
    auto mixed = Parse(InCollection({0x85, 0x01, 0x75, 0x08, 0x95, 0x01, 0x91, 0x02,  // output 1: 1 byte
                                     0x85, 0x05, 0x95, 0x03, 0xB1, 0x02, 0x95, 0x04, 0xB1, 0x02,  // feature 5: 7
                                     0x75, 0x01, 0x95, 0x03, 0x81, 0x02}));  // input 5: 3 bits
    ASSERT_TRUE(mixed);
    EXPECT_EQ(mixed->maxOutputSize, 2);
    EXPECT_EQ(mixed->maxFeatureSize, 8);
    EXPECT_EQ(mixed->maxInputSize, 2);  // bits round up to a byte

    // Pop restores what Push saved: the second input uses size 8 again.
    auto pushed = Parse(InCollection({0x75, 0x08, 0x95, 0x02, 0xA4, 0x75, 0x01, 0x95, 0x01, 0x81, 0x02,  //
                                      0xB4, 0x81, 0x02}));
    ASSERT_TRUE(pushed);
    EXPECT_EQ(pushed->maxInputSize, 3);  // 1 bit + 16 bits

    // Long items are stepped over whole, even when their data looks like items.
    auto withLong = Parse(InCollection({0xFE, 0x03, 0x00, 0xC0, 0xC0, 0xC0, 0x75, 0x08, 0x95, 0x04, 0x81, 0x02}));
    ASSERT_TRUE(withLong);
    EXPECT_EQ(withLong->maxInputSize, 4);

    // A four-byte usage names its own page; a short one takes the current page.
    auto extended = Parse({0x05, 0x01, 0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0xC0});
    ASSERT_TRUE(extended);
    EXPECT_EQ(extended->usagePage, 0x0Cu);
    EXPECT_EQ(extended->usage, 0x01u);
    auto pageAfterUsage = Parse({0x09, 0x02, 0x06, 0x00, 0xFF, 0xA1, 0x01, 0xC0});
    ASSERT_TRUE(pageAfterUsage);
    EXPECT_EQ(pageAfterUsage->usagePage, 0xFF00u);
    EXPECT_EQ(pageAfterUsage->usage, 0x02u);

    // A usage is spent by the main item after it: the collection has none left.
    auto spent = Parse({0x05, 0x01, 0x09, 0x06, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xA1, 0x01, 0xC0});
    ASSERT_TRUE(spent);
    EXPECT_EQ(spent->usagePage, 0x01u);
    EXPECT_EQ(spent->usage, 0x00u);

    // Nothing at all is a valid, empty descriptor.
    auto empty = Parse({});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->maxInputSize, 0);
    EXPECT_FALSE(empty->usagePage);
}

TEST(ReportDescriptor, MalformedDescriptorsAreRefused) {
    EXPECT_FALSE(Parse({0x06, 0x00}));                     // two-byte item cut after one
    EXPECT_FALSE(Parse({0x27, 0xFF, 0xFF, 0xFF}));          // four-byte item cut after three
    EXPECT_FALSE(Parse({0xFE, 0x05, 0x00, 0x01, 0x02}));    // long item cut
    EXPECT_FALSE(Parse({0xFE, 0x00}));                      // long item header cut
    EXPECT_FALSE(Parse({0xB4}));                             // Pop with nothing pushed
    EXPECT_FALSE(Parse({0xC0}));                             // End Collection with none open
    EXPECT_FALSE(Parse({0xA1, 0x01, 0xA1, 0x00, 0xC0}));    // a collection left open
    EXPECT_FALSE(Parse(InCollection({0x85, 0x00})));        // report id 0
    EXPECT_FALSE(Parse(InCollection({0x86, 0x00, 0x01})));  // report id 256
    EXPECT_FALSE(ParseReportDescriptor(nullptr, 4));

    Bytes deepPush(17, 0xA4);
    EXPECT_FALSE(Parse(deepPush));
    deepPush.pop_back();
    EXPECT_TRUE(Parse(deepPush));  // sixteen levels are allowed

    // Huge sizes and counts: refused, never wrapped around.
    EXPECT_FALSE(Parse(InCollection({0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02})));
    EXPECT_FALSE(Parse(InCollection({0x77, 0x00, 0x00, 0x01, 0x00, 0x97, 0x00, 0x00, 0x01, 0x00, 0xB1, 0x02})));
    // Exactly the largest report is taken; one more bit is not, also when it
    // comes from a second item.
    auto largest = Parse(InCollection({0x75, 0x08, 0x96, 0x00, 0x40, 0x81, 0x02}));
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->maxInputSize, 16384);
    EXPECT_FALSE(Parse(InCollection({0x75, 0x08, 0x96, 0x00, 0x40, 0x81, 0x02, 0x75, 0x01, 0x95, 0x01, 0x81, 0x02})));

    // Every cut of the vendor descriptor is refused once it ends inside an
    // item or inside the collection; only the first two whole items stand alone.
    const Bytes vendor = VendorDescriptor();
    for (size_t cut = 1; cut < vendor.size(); ++cut) {
        const bool wholeItemsOutsideCollection = cut == 3 || cut == 5;
        EXPECT_EQ(ParseReportDescriptor(vendor.data(), cut).has_value(), wholeItemsOutsideCollection) << "cut " << cut;
    }
}

}  // namespace
}  // namespace keyloom
