// The pointer settings of GNOME and the desktops sharing its settings store
// (GSettings): org.gnome.desktop.peripherals.mouse and .touchpad.
#pragma once
#include <map>
#include <string>

#include "hostmouse/PointerStore.h"

// GLib's types, without its headers here.
typedef struct _GSettings GSettings;
typedef struct _GSettingsSchemaSource GSettingsSchemaSource;

namespace keyloom {

class GSettingsPointerStore : public PointerStore {
public:
    // The installed schemas, or only those compiled in schemaDir (tests).
    explicit GSettingsPointerStore(std::string schemaDir = {});
    ~GSettingsPointerStore() override;
    GSettingsPointerStore(const GSettingsPointerStore&) = delete;
    GSettingsPointerStore& operator=(const GSettingsPointerStore&) = delete;

    bool reachable(std::string* why) override;
    std::optional<double> read(PointerSetting setting, std::string* why) override;
    bool write(PointerSetting setting, double value, std::string* why) override;
    void flush() override;

private:
    struct Location;
    bool find(PointerSetting setting, Location& at, std::string* why);
    GSettings* settings(const char* schemaId);

    std::string schemaDir_;
    GSettingsSchemaSource* source_ = nullptr;
    bool sourceLoaded_ = false;
    std::string sourceError_;
    std::map<std::string, GSettings*> settings_;
};

}  // namespace keyloom
