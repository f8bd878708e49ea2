// Windows for the end-to-end runs to put in front: one unmapped window per
// INSTANCE CLASS pair, carrying that WM_CLASS as an application sets it.
// Prints each window's id (0x...) on a line of its own. Then, for each line
// of window ids read from standard input, it names them one after another
// in the root window's _NET_ACTIVE_WINDOW, as a window manager does while
// the user Alt+Tabs through them, and prints "in front <last id>" once the X
// server has them all. Ends at the end of its input. Usage:
//   keyloom_focus_windows INSTANCE CLASS [INSTANCE CLASS ...]
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: %s INSTANCE CLASS [INSTANCE CLASS ...]\n", argv[0]);
        return 2;
    }
    int screenNumber = 0;
    xcb_connection_t* conn = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "no X server\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(conn));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;

    for (int arg = 1; arg + 1 < argc; arg += 2) {
        const xcb_window_t window = xcb_generate_id(conn);
        xcb_create_window(conn, 0, window, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        // Two NUL-terminated strings: the instance, then the class.
        std::string wmClass = std::string(argv[arg]) + '\0' + argv[arg + 1] + '\0';
        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            uint32_t(wmClass.size()), wmClass.data());
        std::printf("0x%x\n", window);
    }
    // A round trip: the server has done all that was sent before it.
    auto sync = [conn] {
        free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
        return !xcb_connection_has_error(conn);
    };
    if (!sync()) return 1;  // every window made before any id is handed out
    std::fflush(stdout);

    static constexpr char kActive[] = "_NET_ACTIVE_WINDOW";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, sizeof kActive - 1, kActive), nullptr);
    if (!atom) return 1;
    char line[4096];
    while (std::fgets(line, sizeof line, stdin)) {
        std::istringstream ids(line);
        std::string id;
        while (ids >> id) {
            const xcb_window_t window = xcb_window_t(std::stoul(id, nullptr, 0));
            xcb_change_property(conn, XCB_PROP_MODE_REPLACE, root, atom->atom, XCB_ATOM_WINDOW, 32, 1, &window);
        }
        if (!sync()) return 1;
        std::printf("in front %s\n", id.c_str());
        std::fflush(stdout);
    }
    free(atom);
    xcb_disconnect(conn);
    return 0;
}
