// Reasons the core gives the window: the code and values of a refused file,
// and their text in the window's language.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <memory>

#include "base/XmlLoader.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "base/reason.h"
#include "config/init.h"
#include "config/language.h"
#include "config/preferences.h"
#include "store/profile_store.h"
#include "model/st_keypro.h"
#include "test_support.h"

namespace keyloom {
namespace {

using test::TempDir;

class Reasons : public ::testing::Test {
protected:
    void SetUp() override {
        set_work_dir(KEYLOOM_SOURCE_CFG_DIR);
        ASSERT_TRUE(Init());
        SetPreferencesDir(prefs.path());
        set_data_dir(data.path());
        init_keypro_list();
    }
    void TearDown() override {
        xml.reset();  // the tests after these expect no language loaded
        SetPreferencesDir("");
        set_data_dir("");
        set_work_dir("");
    }
    void speak(const char* language) {
        ASSERT_TRUE(SetPreference(PREF_LANGUAGE, language));
        LoadLanguage();
    }

    TempDir prefs, data, files;
};

TEST_F(Reasons, CommonSystemErrorsHaveTextsOfTheirOwnAndTheRestSayTheirNumber) {
    EXPECT_EQ(ErrnoReason(ENOENT).code, "tc_err_enoent");
    EXPECT_EQ(ErrnoReason(EPERM).code, "tc_err_eacces");  // errors the user meets alike share a text
    const Reason odd = ErrnoReason(EXDEV);
    EXPECT_EQ(odd.code, "tc_err_other");
    EXPECT_EQ(odd.values, std::vector<std::string>{std::to_string(EXDEV)});
    EXPECT_EQ(odd.sysError, EXDEV);

    speak("German");
    EXPECT_EQ(ReasonText(odd), "Systemfehler " + std::to_string(EXDEV));
    EXPECT_EQ(ReasonText(ErrnoReason(ENOTDIR)), "Ist kein Ordner");
}

TEST_F(Reasons, ARefusedExchangeFileCarriesItsReasonAndTheLogKeepsItsWords) {
    auto set = std::make_unique<_ST_KEYPRO>();
    new_keypro("table", set.get());
    std::ofstream(files.file("short.duk")) << "short";

    const ExchangeResult shortFile = ImportKeyPro(set.get(), files.file("short.duk"));
    EXPECT_EQ(shortFile.reason,
              MakeReason("tc_import_failed", {files.file("short.duk")}, MakeReason("tc_import_short")));
    const ExchangeResult missing = ImportKeyPro(set.get(), files.file("none.duk"));
    EXPECT_EQ(missing.reason.causes.at(0), ErrnoReason(ENOENT));
    const ExchangeResult intoFolder = ExportKeyPro(set.get(), files.file("no/such/folder/x.duk"));
    EXPECT_EQ(intoFolder.reason.code, "tc_export_failed");
    EXPECT_EQ(intoFolder.reason.causes.at(0), ErrnoReason(ENOENT));
    // The window says them in its language (see the window's tests); the log
    // and keyloomctl keep their own English words.
    EXPECT_EQ(missing.message, "import profile failed.\n" + files.file("none.duk") + ": No such file or directory");
}

TEST_F(Reasons, DamagedStoredFilesSayWhatIsWrong) {
    EXPECT_EQ(profile_file_damage(std::string(PROFILE_FILE_SIZE - 1, '\0')),
              MakeReason("tc_damage_shorter", {"433208"}));
    EXPECT_EQ(profile_file_damage(std::string(PROFILE_FILE_SIZE + 1, '\0')),
              MakeReason("tc_err_larger_than", {"433208"}));
    std::string header(PROFILE_FILE_SIZE, '\0');
    header[5] = 1;
    EXPECT_EQ(profile_file_damage(header), MakeReason("tc_damage_header"));

    FileError err;
    EXPECT_FALSE(read_file_bytes(files.path(), 10, &err));
    EXPECT_EQ(err.reason, ErrnoReason(EISDIR));
    std::ofstream(files.file("big")) << "0123456789";
    EXPECT_FALSE(read_file_within(files.file("big"), 4, &err));
    EXPECT_EQ(err.reason, MakeReason("tc_err_larger_than", {"4"}));

    speak("German");
    EXPECT_EQ(ReasonText(profile_file_damage(std::string(10, '\0'))), "kürzer als 433208 Byte");
}

}  // namespace
}  // namespace keyloom
