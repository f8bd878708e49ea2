/* keyloom focus: tells keyloom which application is in front, so that its
 * key tables can follow it. On Wayland only GNOME Shell knows which window
 * has the focus; this extension calls FocusChanged(app) on every keyloom on
 * the session bus (org.keyloom.Keyloom, and org.keyloom.Keyloom.d<hash> for
 * another data folder) whenever the focus moves to another application, and
 * tells a keyloom that appears on the bus the application in front at once.
 * Nothing about the applications is logged or stored. On an X11 session it
 * stays idle: keyloom reads the focus from the X server there itself.
 *
 * Written for GNOME Shell 43 and 44, which load extensions in this form
 * (imports.gi, init() returning an object with enable() and disable()).
 * GNOME Shell 45 and later load extensions only as ES modules (import ...
 * from 'gi://Gio', export default class extends Extension) and need this
 * file in the module form.
 */
'use strict';

const { Gio, GLib, Meta, Shell } = imports.gi;

const NAME = 'org.keyloom.Keyloom';  // every keyloom's bus name starts so
const OBJECT_PATH = '/org/keyloom/Keyloom';
const INTERFACE = 'org.keyloom.Keyloom1';

// The application of a window: its desktop file's id, else the id the
// application gave itself (its GTK application id, its Wayland app id or X11
// WM_CLASS); '' for no window.
function appOf(window) {
    if (!window)
        return '';
    const app = Shell.WindowTracker.get_default().get_window_app(window);
    const id = app ? app.get_id() : null;
    // A window without a desktop file gets a made-up app, "window:<n>".
    if (id && !id.startsWith('window:'))
        return id.endsWith('.desktop') ? id.slice(0, -'.desktop'.length) : id;
    return window.get_gtk_application_id() || window.get_wm_class() || '';
}

// Whether a bus name is one of keyloom's.
function isKeyloom(name) {
    return name === NAME || name.startsWith(`${NAME}.`);
}

class Extension {
    enable() {
        // On X11 keyloom reads the focus from the X server itself.
        if (!Meta.is_wayland_compositor())
            return;
        // The Shell must never wait: every bus call is asynchronous, and
        // their errors (a keyloom that went meanwhile) are of no interest.
        this._cancellable = new Gio.Cancellable();
        this._keylooms = new Set();
        this._app = appOf(global.display.focus_window);
        this._focusId = global.display.connect('notify::focus-window', () => {
            const app = appOf(global.display.focus_window);
            if (app === this._app)
                return;
            this._app = app;
            for (const name of this._keylooms)
                this._tell(name);
        });
        // Watched before they are listed: a keyloom that starts in between
        // is seen either way.
        this._watchId = Gio.DBus.session.signal_subscribe('org.freedesktop.DBus',
            'org.freedesktop.DBus', 'NameOwnerChanged', '/org/freedesktop/DBus', NAME,
            Gio.DBusSignalFlags.MATCH_ARG0_NAMESPACE,
            (connection, sender, path, iface, signal, parameters) => {
                const [name, , owner] = parameters.deepUnpack();
                if (!isKeyloom(name))
                    return;
                if (owner === '') {
                    this._keylooms.delete(name);
                } else {
                    this._keylooms.add(name);
                    this._tell(name);
                }
            });
        Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
            'ListNames', null, new GLib.VariantType('(as)'), Gio.DBusCallFlags.NONE, -1,
            this._cancellable, (connection, result) => {
                let names;
                try {
                    [names] = connection.call_finish(result).deepUnpack();
                } catch (e) {
                    return;  // cancelled by disable(), or no answer
                }
                for (const name of names) {
                    if (isKeyloom(name) && !this._keylooms.has(name)) {
                        this._keylooms.add(name);
                        this._tell(name);
                    }
                }
            });
    }

    disable() {
        if (this._focusId) {
            global.display.disconnect(this._focusId);
            this._focusId = 0;
        }
        if (this._watchId) {
            Gio.DBus.session.signal_unsubscribe(this._watchId);
            this._watchId = 0;
        }
        if (this._cancellable) {
            this._cancellable.cancel();
            this._cancellable = null;
        }
        this._keylooms = null;
        this._app = null;
    }

    // Tells the keyloom of that bus name the application in front.
    _tell(name) {
        Gio.DBus.session.call(name, OBJECT_PATH, INTERFACE, 'FocusChanged',
            new GLib.Variant('(s)', [this._app]), null, Gio.DBusCallFlags.NO_AUTO_START, -1,
            this._cancellable, (connection, result) => {
                try {
                    connection.call_finish(result);
                } catch (e) {
                    // keyloom went, or is an older one without FocusChanged.
                }
            });
    }
}

function init() {
    return new Extension();
}
