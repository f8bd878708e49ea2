// The apply sequence: which commands an apply sends, in which order, with
// which pauses and progress numbers. The link sends the commands to the
// keyboard; keyloomctl's dry run and the tests record them instead.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "config/gvar.h"
#include "device/apply.h"
#include "device/hwencode.h"

namespace keyloom {

constexpr int APPLY_PAUSE_MS = 50;          // after each command but the key matrix
constexpr int APPLY_RESULT_PAUSE_MS = 500;  // between progress 100 and 101
constexpr int MACRO_PART1_SIZE = 1022;      // macro area bytes carried by command 0x04

// Where the sequence sends its commands and reports its progress.
class ApplyChannel {
public:
    virtual ~ApplyChannel() = default;
    // One command payload; false when it did not reach the keyboard.
    virtual bool send(const uint8_t* payload, int size) = 0;
    // The status of the last failed send, for the log.
    virtual int32_t lastError() const = 0;
    virtual void pause(int ms) = 0;
    // Only called when the apply reports progress.
    virtual void notify(int progress) = 0;
    // The key step's tables, once they are built.
    virtual void keyTables(const uint32_t* /*matrix*/, const uint8_t* /*area*/, int /*slots*/) {}
};

struct ApplyOptions {
    bool stopOnError = true;                   // false with GoWithNoDev
    bool reportProgress = false;               // a target is waiting for the numbers
    std::atomic<int32_t>* reset = nullptr;     // the link's m_bReset, held while a reset apply runs
};

// The progress numbers an apply reports: after the lighting step, after the
// colour step, after the key step, at its end; the last one closes the panel.
constexpr int APPLY_PROGRESS_LIGHTING = 40;
constexpr int APPLY_PROGRESS_KEY_COLORS = 60;
constexpr int APPLY_PROGRESS_KEYS = 80;
constexpr int APPLY_PROGRESS_END = 100;
constexpr int APPLY_PROGRESS_CLOSE = 101;

// A step an apply writes to the keyboard, and the progress number reported
// once it is written.
struct ApplyStep {
    int32_t flag;   // APPLY_LIGHTING, APPLY_KEY_COLORS or APPLY_KEYS
    int doneAt;
};
// The steps an apply of `flag` writes, in order: the colour step only in the
// per-key lighting mode, the key step only when the layer has a key table.
std::vector<ApplyStep> ApplySteps(int32_t flag, bool gameMode, bool hasKeyTable);

// Runs one apply of `flag` on the snapshot. The slot numbers given to the
// snapshot's macros are cleared again before it returns. When it fails,
// snapshot.failure tells which command failed and why.
bool RunApplySequence(ApplySnapshot& snapshot, int32_t flag, ApplyChannel& channel, const ApplyOptions& options);

// The command's name as the user reads it ("key matrix"), by its first byte.
const char* ApplyCommandName(uint8_t command);
// A link status as text: a negative errno becomes its strerror text.
std::string LinkErrorText(int32_t status);

}  // namespace keyloom
