#include "hostmouse/GSettingsPointerStore.h"

#include <gio/gio.h>

#include <cmath>
#include <vector>

namespace keyloom {
namespace {

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* kTouchpadSchema = "org.gnome.desktop.peripherals.touchpad";
// Desktops before the peripherals schemas kept the double-click time here.
constexpr const char* kOldMouseSchema = "org.gnome.settings-daemon.peripherals.mouse";

struct Candidate {
    const char* schema;
    const char* key;
};

// Where each setting may be kept, first match wins. GSettings keeps no
// scroll speed: wheel notches scroll as each program decides.
std::vector<Candidate> candidates(PointerSetting setting) {
    switch (setting) {
        case PointerSetting::MouseSpeed: return {{kMouseSchema, "speed"}};
        case PointerSetting::ScrollSpeed: return {};
        case PointerSetting::DoubleClickMs: return {{kMouseSchema, "double-click"}, {kOldMouseSchema, "double-click"}};
        case PointerSetting::LeftHanded: return {{kMouseSchema, "left-handed"}};
        case PointerSetting::MouseNaturalScroll: return {{kMouseSchema, "natural-scroll"}};
        case PointerSetting::TouchpadNaturalScroll: return {{kTouchpadSchema, "natural-scroll"}};
    }
    return {};
}

GSettingsSchema* lookup(GSettingsSchemaSource* source, const char* id) {
    return source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr;
}

void set_why(std::string* why, std::string text) {
    if (why) *why = std::move(text);
}

}  // namespace

const char* pointer_setting_name(PointerSetting setting) {
    switch (setting) {
        case PointerSetting::MouseSpeed: return "pointer speed";
        case PointerSetting::ScrollSpeed: return "scroll speed";
        case PointerSetting::DoubleClickMs: return "double-click time";
        case PointerSetting::LeftHanded: return "primary button";
        case PointerSetting::MouseNaturalScroll: return "natural scrolling of mice";
        case PointerSetting::TouchpadNaturalScroll: return "natural scrolling of touchpads";
    }
    return "pointer setting";
}

struct GSettingsPointerStore::Location {
    const char* schema = nullptr;
    const char* key = nullptr;
    std::string type;  // the GVariant type string of the key: "d", "i", "u" or "b"
};

GSettingsPointerStore::GSettingsPointerStore(std::string schemaDir) : schemaDir_(std::move(schemaDir)) {}

GSettingsPointerStore::~GSettingsPointerStore() {
    for (auto& [id, settings] : settings_) g_object_unref(settings);
    if (source_) g_settings_schema_source_unref(source_);
}

bool GSettingsPointerStore::reachable(std::string* why) {
    if (!sourceLoaded_) {
        sourceLoaded_ = true;
        if (schemaDir_.empty()) {
            source_ = g_settings_schema_source_get_default();
            if (source_) g_settings_schema_source_ref(source_);
            else sourceError_ = "no GSettings schemas are installed";
        } else {
            GError* error = nullptr;
            source_ = g_settings_schema_source_new_from_directory(schemaDir_.c_str(), nullptr, TRUE, &error);
            if (!source_) sourceError_ = "no GSettings schemas in " + schemaDir_ + ": " + (error ? error->message : "");
            if (error) g_error_free(error);
        }
    }
    if (!source_) {
        set_why(why, sourceError_);
        return false;
    }
    GSettingsSchema* schema = lookup(source_, kMouseSchema);
    if (!schema) {
        set_why(why, std::string("the desktop keeps no pointer settings (no GSettings schema ") + kMouseSchema + ")");
        return false;
    }
    g_settings_schema_unref(schema);
    return true;
}

bool GSettingsPointerStore::find(PointerSetting setting, Location& at, std::string* why) {
    if (!reachable(why)) return false;
    for (const Candidate& c : candidates(setting)) {
        GSettingsSchema* schema = lookup(source_, c.schema);
        if (!schema) continue;
        if (g_settings_schema_has_key(schema, c.key)) {
            GSettingsSchemaKey* key = g_settings_schema_get_key(schema, c.key);
            gchar* type = g_variant_type_dup_string(g_settings_schema_key_get_value_type(key));
            at = {c.schema, c.key, type};
            g_free(type);
            g_settings_schema_key_unref(key);
            g_settings_schema_unref(schema);
            if (at.type == "d" || at.type == "i" || at.type == "u" || at.type == "b") return true;
            set_why(why, std::string("the key ") + c.schema + " " + c.key + " has the unexpected type " + at.type);
            return false;
        }
        g_settings_schema_unref(schema);
    }
    set_why(why, std::string("the desktop keeps no ") + pointer_setting_name(setting) +
                     (setting == PointerSetting::ScrollSpeed ? " (GSettings has no such key)" : ""));
    return false;
}

GSettings* GSettingsPointerStore::settings(const char* schemaId) {
    auto it = settings_.find(schemaId);
    if (it != settings_.end()) return it->second;
    GSettingsSchema* schema = lookup(source_, schemaId);
    GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
    g_settings_schema_unref(schema);
    settings_.emplace(schemaId, settings);
    return settings;
}

std::optional<double> GSettingsPointerStore::read(PointerSetting setting, std::string* why) {
    Location at;
    if (!find(setting, at, why)) return std::nullopt;
    GVariant* value = g_settings_get_value(settings(at.schema), at.key);
    double result = 0;
    if (at.type == "d") result = g_variant_get_double(value);
    else if (at.type == "i") result = g_variant_get_int32(value);
    else if (at.type == "u") result = g_variant_get_uint32(value);
    else result = g_variant_get_boolean(value) ? 1 : 0;
    g_variant_unref(value);
    return result;
}

bool GSettingsPointerStore::write(PointerSetting setting, double value, std::string* why) {
    Location at;
    if (!find(setting, at, why)) return false;
    GVariant* variant = nullptr;
    if (at.type == "d") {
        variant = g_variant_new_double(value);
    } else if (at.type == "b") {
        variant = g_variant_new_boolean(value != 0);
    } else {
        const double rounded = std::round(value);
        const bool fits = at.type == "i" ? rounded >= INT32_MIN && rounded <= INT32_MAX
                                         : rounded >= 0 && rounded <= UINT32_MAX;
        if (fits) variant = at.type == "i" ? g_variant_new_int32(int32_t(rounded)) : g_variant_new_uint32(uint32_t(rounded));
    }
    GSettingsSchema* schema = lookup(source_, at.schema);
    GSettingsSchemaKey* key = g_settings_schema_get_key(schema, at.key);
    if (variant) g_variant_ref_sink(variant);
    const bool inRange = variant && g_settings_schema_key_range_check(key, variant);
    g_settings_schema_key_unref(key);
    g_settings_schema_unref(schema);
    if (!inRange) {
        if (variant) g_variant_unref(variant);
        set_why(why, std::string("the value ") + std::to_string(value) + " is outside the range of " + at.schema +
                         " " + at.key);
        return false;
    }
    const bool written = g_settings_set_value(settings(at.schema), at.key, variant);
    g_variant_unref(variant);
    if (!written) set_why(why, std::string("the key ") + at.schema + " " + at.key + " cannot be written");
    return written;
}

void GSettingsPointerStore::flush() { g_settings_sync(); }

}  // namespace keyloom
