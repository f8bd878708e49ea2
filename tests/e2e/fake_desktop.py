#!/usr/bin/python3
"""A desktop's tray host and notification server for the end-to-end tests, on
the tests' own session bus: what keyloom sends them goes to a log, one JSON
object a line.

  fake_desktop.py serve LOG [--no-tray]   serve until killed (--no-tray: notifications only)
  fake_desktop.py menu                    print the registered item's menu: id, ticked, label as shown
  fake_desktop.py click LABEL             click the menu item of that label
  fake_desktop.py tooltip                 print the item's tooltip text
  fake_desktop.py icon                    print the item's icon name and its pictures' sizes
"""
import json
import re
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop

WATCHER = "org.kde.StatusNotifierWatcher"
WATCHER_PATH = "/StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
NOTIFICATIONS = "org.freedesktop.Notifications"
PROPS = "org.freedesktop.DBus.Properties"

WATCHER_XML = """<node>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
</node>"""


def plain(value):
    """D-Bus values as JSON ones."""
    if isinstance(value, dict):
        return {str(k): plain(v) for k, v in value.items()}
    if isinstance(value, (list, tuple)):
        return [plain(v) for v in value]
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (int, float)):
        return int(value) if isinstance(value, int) else float(value)
    return str(value)


class Log:
    def __init__(self, path):
        self.file = open(path, "a", buffering=1)

    def __call__(self, **record):
        self.file.write(json.dumps(plain(record), ensure_ascii=False) + "\n")


class Watcher(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, WATCHER_PATH)
        self.log = log
        self.items = []

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item names its bus name, or only its object path on the caller's connection.
        item = sender + service if service.startswith("/") else service + "/StatusNotifierItem"
        if item not in self.items:
            self.items.append(item)
        self.log(event="register", service=service, sender=sender)
        self.StatusNotifierItemRegistered(item)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemUnregistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    def properties(self):
        return {"RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
                "IsStatusNotifierHostRegistered": dbus.Boolean(True),
                "ProtocolVersion": dbus.Int32(0)}

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.properties()[name]

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties()

    @dbus.service.method("org.freedesktop.DBus.Introspectable", out_signature="s")
    def Introspect(self):
        return WATCHER_XML


class NotificationServer(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.log = log
        self.last_id = 0

    @dbus.service.method(NOTIFICATIONS, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app_name, replaces_id, app_icon, summary, body, actions, hints, timeout):
        if replaces_id:
            id_ = replaces_id
        else:
            self.last_id += 1
            id_ = self.last_id
        self.log(event="notify", id=id_, app_name=app_name, replaces_id=replaces_id, app_icon=app_icon,
                 summary=summary, body=body, hints=hints)
        return dbus.UInt32(id_)

    @dbus.service.method(NOTIFICATIONS, in_signature="u")
    def CloseNotification(self, id_):
        self.log(event="close", id=id_)

    @dbus.service.method(NOTIFICATIONS, out_signature="as")
    def GetCapabilities(self):
        return ["body"]

    @dbus.service.method(NOTIFICATIONS, out_signature="ssss")
    def GetServerInformation(self):
        return ("keyloom-tests", "keyloom", "1", "1.2")


def serve(log_path, with_tray):
    from gi.repository import GLib
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    log = Log(log_path)
    keep = [NotificationServer(bus, log)]
    names = [dbus.service.BusName(NOTIFICATIONS, bus)]
    if with_tray:
        keep.append(Watcher(bus, log))
        names.append(dbus.service.BusName(WATCHER, bus))
    log(event="ready")
    GLib.MainLoop().run()


def registered_item(bus):
    watcher = bus.get_object(WATCHER, WATCHER_PATH)
    items = watcher.Get(WATCHER, "RegisteredStatusNotifierItems", dbus_interface=PROPS)
    if not items:
        sys.exit("no item is registered")
    service, _, path = str(items[-1]).partition("/")
    return bus.get_object(service, "/" + path), service


def shown(label):
    """A dbusmenu label as a tray shows it: "_" marks the access key, "__" is one "_"."""
    return re.sub(r"_(_?)", r"\1", label)


def menu(bus):
    item, service = registered_item(bus)
    menu_path = item.Get(ITEM, "Menu", dbus_interface=PROPS)
    dbusmenu = dbus.Interface(bus.get_object(service, menu_path), "com.canonical.dbusmenu")
    dbusmenu.AboutToShow(0)  # as a tray host does before it shows the menu
    _, layout = dbusmenu.GetLayout(0, -1, [])
    entries = []

    def walk(node):
        id_, props, children = node
        if props.get("type") != "separator" and "label" in props:
            entries.append((int(id_), int(props.get("toggle-state", 0)) == 1, shown(str(props["label"]))))
        for child in children:
            walk(child)

    walk(layout)
    return dbusmenu, entries


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == "serve":
        return serve(sys.argv[2], "--no-tray" not in sys.argv[3:])
    bus = dbus.SessionBus()
    if sys.argv[1:] == ["menu"]:
        for id_, ticked, label in menu(bus)[1]:
            print("%d\t%s\t%s" % (id_, "x" if ticked else "-", label))
    elif len(sys.argv) == 3 and sys.argv[1] == "click":
        dbusmenu, entries = menu(bus)
        ids = [id_ for id_, _, label in entries if label == sys.argv[2]]
        if not ids:
            sys.exit("no menu item %r" % sys.argv[2])
        dbusmenu.Event(ids[0], "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0))
    elif sys.argv[1:] == ["tooltip"]:
        item, _ = registered_item(bus)
        _, _, title, text = item.Get(ITEM, "ToolTip", dbus_interface=PROPS)
        print(str(title) + "\n" + str(text))
    elif sys.argv[1:] == ["icon"]:
        item, _ = registered_item(bus)
        print(item.Get(ITEM, "IconName", dbus_interface=PROPS))
        for width, height, _ in item.Get(ITEM, "IconPixmap", dbus_interface=PROPS):
            print("%dx%d" % (width, height))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
