#!/usr/bin/python3
"""GNOME Shell as keyloom sees it on the tests' own session bus: the name
org.gnome.Shell, and its extensions' service saying in what state keyloom's
extension is. The report command calls keyloom as the extension does.

  fake_gnome_shell.py serve STATE LOG   serve until killed; STATE is the extension's
                                        state number (1 enabled, 2 disabled, ...) or
                                        "none" (not installed); each GetExtensionInfo
                                        asked goes to LOG, its uuid a line
  fake_gnome_shell.py report APP        FocusChanged(APP) on every keyloom on the bus;
                                        prints the names told, one a line
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop

EXTENSIONS = "org.gnome.Shell.Extensions"
KEYLOOM = "org.keyloom.Keyloom"


class Extensions(dbus.service.Object):
    def __init__(self, bus, state, log_path):
        super().__init__(bus, "/org/gnome/Shell/Extensions")
        self.state = state
        self.log = open(log_path, "a", buffering=1)

    @dbus.service.method(EXTENSIONS, in_signature="s", out_signature="a{sv}")
    def GetExtensionInfo(self, uuid):
        self.log.write(uuid + "\n")
        if self.state is None or uuid != "keyloom-focus@keyloom.org":
            return dbus.Dictionary({}, signature="sv")
        # The Shell gives every number as a double.
        return dbus.Dictionary({"uuid": uuid, "state": dbus.Double(self.state)}, signature="sv")


def serve(state, log_path):
    from gi.repository import GLib
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    keep = Extensions(bus, None if state == "none" else float(state), log_path)
    names = [dbus.service.BusName(name, bus) for name in ("org.gnome.Shell", EXTENSIONS)]
    GLib.MainLoop().run()
    return keep, names  # held while serving


def report(app):
    # As the extension does: every bus name of a keyloom is told the
    # application by FocusChanged(s).
    bus = dbus.SessionBus()
    dbus_daemon = dbus.Interface(bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus"),
                                 "org.freedesktop.DBus")
    for name in dbus_daemon.ListNames():
        if name == KEYLOOM or name.startswith(KEYLOOM + "."):
            keyloom = bus.get_object(name, "/org/keyloom/Keyloom", introspect=False)
            keyloom.FocusChanged(dbus.String(app), dbus_interface="org.keyloom.Keyloom1")
            print(name)


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "serve":
        serve(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 3 and sys.argv[1] == "report":
        report(sys.argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
