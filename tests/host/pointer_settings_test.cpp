// The pointer settings: the step tables and their searches, the mapping onto
// the desktop's settings store (GSettings in memory, never the user's own),
// a store whose schemas keep less, the scroll filter and the settings program.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "hostmouse/GSettingsPointerStore.h"
#include "hostmouse/mousepanel.h"
#include "hostmouse/mousesettings.h"
#include "hostmouse/scrollfilter.h"
#include "test_support.h"

namespace keyloom {
namespace {

// Every slider step survives the trip through the store's units; the searches
// are exact and the look-ups stay inside their tables.
TEST(StepTables, EveryStepSurvivesTheStoreAndLookupsStayInTheirTables) {
    for (int step = 0; step < 10; ++step) {
        const double stored = mouse_speed_to_store(IndexToMouseSpeed(step));
        EXPECT_NEAR(stored, -1.0 + 2.0 * step / 9, 1e-12) << step;
        EXPECT_EQ(MouseSpeedToIndex(store_to_mouse_speed(stored)), step) << step;
    }
    // Between steps 4 (0.875) and 5 (1.0): GNOME's default 0 sits half way and matches no step.
    EXPECT_DOUBLE_EQ(store_to_mouse_speed(0.0), 0.9375);
    EXPECT_EQ(MouseSpeedToIndex(0.9375), -1);
    EXPECT_DOUBLE_EQ(mouse_speed_to_store(99.0), 1.0);

    EXPECT_DOUBLE_EQ(IndexToMouseSpeed(12), 0.0);
    EXPECT_EQ(DbSpeedToIndex(0.15), -1);  // step 10 is outside the search
    EXPECT_EQ(DbSpeedToIndex(0.8), 7);    // a double converted to float first
    EXPECT_DOUBLE_EQ(IndexToScrollSpeed(8), 0.0);  // the table has 8 entries
}

std::string desktop_value(const char* schema, const char* key) {
    GSettings* settings = g_settings_new(schema);
    GVariant* value = g_settings_get_value(settings, key);
    gchar* text = g_variant_print(value, FALSE);
    std::string result = text;
    g_free(text);
    g_variant_unref(value);
    g_object_unref(settings);
    return result;
}

// The installed schemas over GSettings' memory backend (the test's main sets it).
class DesktopPointerSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_STREQ(g_getenv("GSETTINGS_BACKEND"), "memory");
        UsePointerStore(&store);
    }
    void TearDown() override { UsePointerStore(nullptr); }
    GSettingsPointerStore store;
    test::LogCapture log;
};

TEST_F(DesktopPointerSettings, StepsAreWrittenInTheStoresUnitsAndReadBack) {
    const double speed = IndexToMouseSpeed(7), dbClick = IndexToDbSpeed(3);
    const int primary = PRIMARY_BUTTON_RIGHT;
    ASSERT_TRUE(SetMouseParamer(&speed, nullptr, &dbClick, &primary));
    ASSERT_TRUE(SetNaturalScroll(true));
    EXPECT_EQ(desktop_value("org.gnome.desktop.peripherals.mouse", "speed"), "0.55555555555555558");
    EXPECT_EQ(desktop_value("org.gnome.desktop.peripherals.mouse", "double-click"), "1800");
    EXPECT_EQ(desktop_value("org.gnome.desktop.peripherals.mouse", "left-handed"), "true");
    EXPECT_EQ(desktop_value("org.gnome.desktop.peripherals.mouse", "natural-scroll"), "true");
    EXPECT_EQ(desktop_value("org.gnome.desktop.peripherals.touchpad", "natural-scroll"), "true");

    double readSpeed = -1, readScroll = -7, readDbClick = -1;
    int readPrimary = -1;
    log.clear();
    ASSERT_TRUE(ReadMouseParamer(&readSpeed, &readScroll, &readDbClick, &readPrimary));
    EXPECT_EQ(MouseSpeedToIndex(readSpeed), 7);
    EXPECT_EQ(DbSpeedToIndex(readDbClick), 3);
    EXPECT_EQ(readPrimary, PRIMARY_BUTTON_RIGHT);
    EXPECT_EQ(readScroll, -7);  // GSettings keeps no scroll speed: left as it was
    EXPECT_EQ(log.sysLines(), (std::vector<std::string>{
                                  "MouseSpeed = 2.000000",
                                  "scroll speed: not available: the desktop keeps no scroll speed (GSettings has no such key)",
                                  "DbClickSpeed = 1.800000", "PrimaryButton = 1"}));

    // Nothing asked: the store is reached, nothing read or written.
    EXPECT_TRUE(ReadMouseParamer(nullptr, nullptr, nullptr, nullptr));
    EXPECT_TRUE(SetMouseParamer(nullptr, nullptr, nullptr, nullptr));
}

TEST_F(DesktopPointerSettings, ValuesTheStoreCannotTakeAreRefusedTheOthersStillWritten) {
    const double speed = IndexToMouseSpeed(9), scroll = IndexToScrollSpeed(2), dbClick = -3.0;
    const int primary = 7;
    log.clear();
    EXPECT_FALSE(SetMouseParamer(&speed, &scroll, &dbClick, &primary));
    EXPECT_EQ(desktop_value("org.gnome.desktop.peripherals.mouse", "speed"), "1.0");
    const auto lines = log.sysLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "scroll speed: not available: the desktop keeps no scroll speed (GSettings has no such key)");
    EXPECT_EQ(lines[1].rfind("double-click time: not available: the value", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "primary button: not available: no primary-button mode 7");
}

// Schemas compiled into a folder of the test's own.
class SchemaFolder {
public:
    explicit SchemaFolder(const std::string& xml) {
        std::ofstream(dir.file("test.gschema.xml")) << xml;
        const auto run = test::RunCommand("glib-compile-schemas " + dir.path() + " 2>&1");
        EXPECT_EQ(run.status, 0) << run.out;
    }
    test::TempDir dir;
};

TEST(ReducedPointerSettings, OlderSchemasAndMissingOnesAreReportedNotGuessed) {
    test::LogCapture log;
    // An older desktop: the double-click time elsewhere, no touchpad settings.
    SchemaFolder older(R"(<schemalist>
  <schema id="org.gnome.desktop.peripherals.mouse" path="/test/older/mouse/">
    <key name="speed" type="d"><default>0</default><range min="-1" max="1"/></key>
    <key name="natural-scroll" type="b"><default>false</default></key>
  </schema>
  <schema id="org.gnome.settings-daemon.peripherals.mouse" path="/test/older/sd-mouse/">
    <key name="double-click" type="i"><default>400</default></key>
  </schema>
</schemalist>)");
    GSettingsPointerStore store(older.dir.path());
    UsePointerStore(&store);
    const double dbClick = IndexToDbSpeed(8);
    EXPECT_TRUE(SetMouseParamer(nullptr, nullptr, &dbClick, nullptr));
    EXPECT_TRUE(SetNaturalScroll(true));  // mice only: this desktop has no touchpad settings
    double readDbClick = 0;
    int primary = -1;
    bool natural = false;
    EXPECT_TRUE(ReadMouseParamer(nullptr, nullptr, &readDbClick, &primary));
    EXPECT_EQ(DbSpeedToIndex(readDbClick), 8);
    EXPECT_EQ(primary, -1);
    EXPECT_TRUE(ReadNaturalScroll(&natural));
    EXPECT_TRUE(natural);
    const auto lines = log.sysLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "primary button: not available: the desktop keeps no primary button"),
              lines.end());

    // No mouse schema at all: nothing is reachable, each call says so.
    SchemaFolder none(R"(<schemalist><schema id="org.example.other" path="/test/other/">
    <key name="x" type="b"><default>false</default></key></schema></schemalist>)");
    GSettingsPointerStore empty(none.dir.path());
    UsePointerStore(&empty);
    log.clear();
    double speed = 0;
    EXPECT_FALSE(ReadMouseParamer(&speed, nullptr, nullptr, nullptr));
    EXPECT_FALSE(SetMouseParamer(&speed, nullptr, nullptr, nullptr));
    EXPECT_FALSE(SetNaturalScroll(false));
    ASSERT_EQ(log.sysLines().size(), 3u);
    EXPECT_EQ(log.sysLines()[0],
              "ReadMouseParamer: not available: the desktop keeps no pointer settings (no GSettings schema "
              "org.gnome.desktop.peripherals.mouse)");
    UsePointerStore(nullptr);
}

TEST(PointerCommand, ChangesPersistInTheStoreAndMissingSchemasFailClearly) {
    test::TempDir home;
    const std::string env = "env GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME=" + home.path() + " ";
    const std::string ctl = std::string(KEYLOOMCTL_PATH) + " pointer";
    auto set = test::RunCommand(env + ctl +
                                " --speed-step 2 --double-click-step 9 --primary right --natural-scroll on 2>/dev/null");
    ASSERT_EQ(set.status, 0) << set.out;
    const auto shown = test::RunCommand(env + ctl + " 2>/dev/null");  // a new process reads the same store
    ASSERT_EQ(shown.status, 0);
    const std::string expected = R"json({
  "double_click": {
    "seconds": 0.2,
    "step": 9
  },
  "natural_scroll": true,
  "not_available": {
    "scroll_speed": "the desktop keeps no scroll speed (GSettings has no such key)"
  },
  "pointer_speed": {
    "step": 2,
    "value": 0.5
  },
  "primary": "right",
  "scroll_speed": null
}
)json";
    EXPECT_EQ(shown.out, expected);
    EXPECT_EQ(test::RunCommand(env + ctl + " --scroll-step 3 >/dev/null 2>&1").status, 1);
    EXPECT_EQ(test::RunCommand(env + ctl + " --speed-step 10 >/dev/null 2>&1").status, 2);

    const auto noSchemas = test::RunCommand("env GSETTINGS_BACKEND=memory XDG_DATA_DIRS=" + home.path() +
                                            " XDG_DATA_HOME=" + home.path() + " " + ctl + " 2>&1");
    EXPECT_EQ(noSchemas.status, 1);
    EXPECT_EQ(noSchemas.out.rfind("keyloomctl: pointer settings: not available: ", 0), 0u) << noSchemas.out;
}

TEST(ScrollFilter, WheelNotchesScrollTwelveLinesOtherEventsPass) {
    struct Case {
        HostEventType type;
        bool continuous;
        int64_t pointDelta;
        int64_t lineDeltaAfter;
    } cases[] = {
        {HostEventType::ScrollWheel, false, -3, -12}, {HostEventType::ScrollWheel, false, 40, 12},
        {HostEventType::ScrollWheel, false, 0, 0},    {HostEventType::ScrollWheel, true, -3, 5},
        {HostEventType::KeyDown, false, -3, 5},       {HostEventType::KeyUp, false, 9, 5},
    };
    for (const Case& c : cases) {
        HostEvent event{c.type, c.continuous, c.pointDelta, 5};
        EXPECT_EQ(kmEventCallback(nullptr, c.type, &event, nullptr), &event);
        EXPECT_EQ(event.lineDelta1, c.lineDeltaAfter) << int(c.type) << " " << c.pointDelta;
        EXPECT_EQ(event.pointDelta1, c.pointDelta);
    }
    test::LogCapture log;
    EXPECT_EQ(SetScrollLines(), nullptr);
    ASSERT_EQ(log.sysLines().size(), 1u);
}

TEST(MouseSettingsProgram, StartsTheDesktopsOwnWithoutWaitingOrSaysNoneIsThere) {
    test::TempDir bin;
    const std::string marker = bin.file("started");
    // A stand-in for GNOME's program: it notes its arguments only once the test
    // says so, which the test can only do after the launch has returned.
    {
        std::ofstream script(bin.file("gnome-control-center"));
        script << "#!/bin/sh\nwhile [ ! -e " << bin.file("go") << " ]; do /bin/sleep 0.02; done\n"
               << "echo \"$@\" > " << marker << ".tmp && /bin/mv " << marker << ".tmp " << marker << "\n";
    }
    std::filesystem::permissions(bin.file("gnome-control-center"), std::filesystem::perms::owner_all);
    test::LogCapture log;
    {
        test::ScopedEnv path("PATH", bin.path());
        EXPECT_TRUE(LaunchMousePreferencePane());
    }
    std::ofstream(bin.file("go")) << "";
    for (int i = 0; i < 1000 && !std::filesystem::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream started(marker);
    std::string args;
    std::getline(started, args);
    EXPECT_EQ(args, "mouse");

    test::TempDir emptyBin;
    test::ScopedEnv path("PATH", emptyBin.path());
    EXPECT_FALSE(LaunchMousePreferencePane());
    EXPECT_EQ(log.sysLines().back(),
              "LaunchMousePreferencePane: no mouse settings program (GNOME's or KDE's) is installed");
}

}  // namespace
}  // namespace keyloom
