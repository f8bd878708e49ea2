#!/usr/bin/python3
"""KWin's scripting service for the end-to-end tests, on the tests' own session
bus: org.kde.KWin with /Scripting (loadScript, unloadScript, isScriptLoaded)
and an object per loaded script with run(). Nothing is run: every call goes to
a log, one JSON object a line, loadScript's with the script file's content.

  fake_kwin.py LOG [--plasma5] [--refuse] [--hang]
    --plasma5  a loaded script's object is /<id>, as on Plasma 5 (else /Scripting/Script<id>)
    --refuse   loadScript answers -1, as for a script KWin cannot load
    --hang     isScriptLoaded and loadScript never answer, as a KWin that hangs
"""
import json
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

SCRIPTING = "org.kde.kwin.Scripting"
SCRIPT = "org.kde.kwin.Script"


class Script(dbus.service.Object):
    def __init__(self, bus, path, log):
        super().__init__(bus, path)
        self.path, self.log = path, log

    @dbus.service.method(SCRIPT)
    def run(self):
        self.log(call="run", path=self.path)


class Scripting(dbus.service.Object):
    def __init__(self, bus, log, plasma5, refuse, hang):
        super().__init__(bus, "/Scripting")
        self.bus, self.log, self.plasma5, self.refuse, self.hang = bus, log, plasma5, refuse, hang
        self.loaded = {}  # plugin name: its Script object
        self.last_id = 0

    @dbus.service.method(SCRIPTING, in_signature="ss", out_signature="i", async_callbacks=("reply", "error"))
    def loadScript(self, path, plugin, reply, error):
        try:
            with open(path, encoding="utf-8") as f:
                content = f.read()
        except OSError as e:
            content = None
            self.log(call="unreadable", path=path, error=str(e))
        # As KWin: one script a plugin name, and none it cannot read.
        if self.refuse or plugin in self.loaded or content is None:
            id_ = -1
        else:
            self.last_id += 1
            id_ = self.last_id
            object_path = "/%d" % id_ if self.plasma5 else "/Scripting/Script%d" % id_
            self.loaded[plugin] = Script(self.bus, object_path, self.log)
        self.log(call="loadScript", path=path, plugin=plugin, id=id_, content=content)
        if not self.hang:
            reply(id_)

    @dbus.service.method(SCRIPTING, in_signature="s", out_signature="b")
    def unloadScript(self, plugin):
        script = self.loaded.pop(plugin, None)
        if script:
            script.remove_from_connection()
        self.log(call="unloadScript", plugin=plugin, was_loaded=script is not None)
        return script is not None

    @dbus.service.method(SCRIPTING, in_signature="s", out_signature="b", async_callbacks=("reply", "error"))
    def isScriptLoaded(self, plugin, reply, error):
        self.log(call="isScriptLoaded", plugin=plugin)
        if not self.hang:
            reply(plugin in self.loaded)


def main():
    if len(sys.argv) < 2 or sys.argv[1].startswith("-"):
        sys.exit(__doc__)
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    log_file = open(sys.argv[1], "a", buffering=1, encoding="utf-8")

    def log(**record):
        log_file.write(json.dumps(record, ensure_ascii=False) + "\n")

    options = sys.argv[2:]
    scripting = Scripting(bus, log, "--plasma5" in options, "--refuse" in options, "--hang" in options)
    name = dbus.service.BusName("org.kde.KWin", bus)
    log(call="ready")
    GLib.MainLoop().run()
    del scripting, name


if __name__ == "__main__":
    main()
