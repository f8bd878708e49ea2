// What the hidraw backend learns about an interface without opening it:
// everything comes from sysfs (<sysRoot>/sys/class/hidraw/hidrawN/device),
// so a test can lay out a fake tree and point the roots at it.
#pragma once
#include <string>
#include <vector>

#include "device/HidBackend.h"

namespace keyloom {

struct HidrawPaths {
    std::string sysRoot = "/";  // holds sys/class/hidraw
    std::string devRoot = "/";  // holds dev/hidrawN
};

// True for "hidraw" followed by decimal digits only.
bool IsHidrawName(const std::string& name);
// The number of a hidraw name ("hidraw12" → 12), -1 for anything else.
int HidrawNumber(const std::string& name);

// The hidraw interfaces present, ordered by number.
std::vector<std::string> ListHidrawNames(const HidrawPaths& paths);

// "<devRoot>/dev/<name>".
std::string HidrawNodePath(const HidrawPaths& paths, const std::string& name);

// Fills `dev` (node, ids, version, product name, report sizes and usage) from
// the sysfs entry of `name` when its ids are in `matching`; false when they
// are not or the entry cannot be read. The report descriptor is read only
// for matching interfaces. `usesReportIds` tells whether input reports
// start with their report id.
bool ReadHidrawDevice(const HidrawPaths& paths, const std::string& name, const std::vector<HidMatch>& matching,
                      HidDevice& dev, bool& usesReportIds);

}  // namespace keyloom
