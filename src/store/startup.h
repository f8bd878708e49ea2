// The start and the end that keyloom and keyloomctl share.
//
// Start-up runs, in this order: the configuration (selector and model files,
// the log level, the default key table, the hardware parameters); the empty
// lists of profiles, key tables and macros; the language texts. Then the
// program adds what it alone needs (keyloom: the device link, the window and
// the apply worker) and reads the stored data with PrepareStoredData
// (store/startup_data.h), which makes the first-run data when there is none
// and makes the current profile current again. At the end, after the
// program's termination save, EndCore frees the lists.
#pragma once
#include <string>

namespace keyloom {

struct CoreOptions {
    std::string workDir;   // shipped configuration; empty: next to the program
    std::string dataDir;   // stored profiles and macros; empty: the usual folder
    std::string logLevel;  // off, syslog, file, stderr; empty: as the selector file says
};

// Points the path lookup at the options' directories.
void UseDirectories(const CoreOptions& options);
// UseDirectories, then the configuration step and the log level. False when
// there is no configuration (no model file could be read).
bool LoadConfiguration(const CoreOptions& options);
// LoadConfiguration, then the empty lists and the texts. False when there is
// no configuration; `failure` then says so in the words of the log.
bool StartCore(const CoreOptions& options, std::string* failure);
// Frees the lists. The termination save comes before it.
void EndCore();

}  // namespace keyloom
