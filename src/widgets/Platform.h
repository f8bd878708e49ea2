// What the desktop lets the program do with its windows. On X11 a program
// places its top-level windows itself; a Wayland compositor places them and
// tells no program where they are, so there every window that belongs beside
// another is a pop-up or a child of it, placed relative to its parent.
#pragma once

namespace keyloom {

// True when top-level windows go where the program puts them (X11, the
// offscreen platform); false on Wayland.
bool programPlacesWindows();

}  // namespace keyloom
