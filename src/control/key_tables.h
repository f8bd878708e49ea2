// The key tables of the main window: the mode (M1..M3) it shows, the table
// shown for that mode, which is the one the current profile plays there, and
// choosing, adding, renaming and deleting tables.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/reason.h"
#include "model/st_keypro.h"

namespace keyloom {

struct _ST_PROFILE;

class KeyTableController {
public:
    // What a table keeps of a name: its field less the terminating NUL.
    static constexpr int kNameBytes = KEYPRO_NAME_SIZE - 1;

    // The mode selected, 0..2; -1 until a profile is shown or a mode chosen.
    int mode() const { return mode_; }
    // The table shown, or none (none shown yet, or it went from the list).
    _ST_KEYPRO* shown() const;

    // Shows the profile's mode and the table it plays there; the shown table
    // stays when the profile names none that exists. False, and nothing
    // shown, for a profile without a valid mode.
    bool showProfile(const _ST_PROFILE& profile);
    // A mode button: the mode is selected, and the current profile plays it
    // from now on. False without a current profile.
    bool selectMode(int mode);
    // The selected mode's tables in list order, for the menu.
    std::vector<const _ST_KEYPRO*> tablesOfMode() const;
    // A table chosen from the menu is shown, and the current profile plays it
    // in its mode. False when there is no such table.
    bool choose(uint32_t id);
    // The current profile plays a table of a mode (0..2) there; shown when
    // the mode is the selected one. False when there is no such table of
    // that mode, or no current profile.
    bool chooseFor(int mode, uint32_t id);
    // The profile plays the shown table in its own mode.
    void keepShownIn(_ST_PROFILE& profile) const;

    // Why New cannot ask for a name (the list is full), or empty.
    Reason refuseNew() const;
    // The check of a typed name: for a new table of the selected mode, or
    // for the shown table, which may keep its own name.
    NameCheck checkName(const std::string& name, bool renaming) const;
    // Adds a table of that name (cut to kNameBytes) to the selected mode,
    // shown and played by the current profile there. The reason when the
    // list is full; empty also when nothing was added (no mode, no name).
    Reason add(const std::string& name);
    // Renames the shown table; false when there is none or no name.
    bool renameShown(const std::string& name);
    // The question Delete asks: it names the table it deletes.
    Reason deleteQuestion() const;
    // Deletes the shown table, unless it is its mode's last (a mode always
    // plays some table); the mode's first table is shown and played then.
    bool deleteShown();

private:
    // Shows the table and has the current profile play it in the mode.
    void showAndPlay(const _ST_KEYPRO& set, int mode);

    int mode_ = -1;
    uint32_t shownId_ = 0;
};

}  // namespace keyloom
