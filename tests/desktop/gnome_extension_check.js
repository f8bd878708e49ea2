// Compiles keyloom's GNOME Shell extension and builds it as the Shell does
// (init(), then enable() and disable()), with stand-ins for the Shell's
// modules: outside the Shell only its form can be checked. Runs under gjs,
// the Shell's JavaScript, or else node. Usage: gjs|node gnome_extension_check.js EXTENSION_JS
'use strict';

let source, exit;
if (typeof imports !== 'undefined') {  // gjs
    const [, bytes] = imports.gi.GLib.file_get_contents(ARGV[0]);
    source = new TextDecoder().decode(bytes);
    exit = imports.system.exit;
} else {  // node
    source = require('fs').readFileSync(process.argv[2], 'utf8');
    exit = process.exit;
}

try {
    // A syntax error throws here.
    const load = new Function('imports', 'global', `${source}\nreturn init;`);
    // An X11 session: enable() sets nothing up, so no Shell is needed.
    const stand_ins = { gi: { Gio: {}, GLib: {}, Shell: {}, Meta: { is_wayland_compositor: () => false } } };
    const extension = load(stand_ins, {})();
    for (const method of ['enable', 'disable']) {
        if (typeof extension[method] !== 'function')
            throw new Error(`init() gives an object without ${method}()`);
    }
    extension.enable();
    extension.disable();
} catch (e) {
    print_error(`extension.js: ${e}`);
    exit(1);
}

function print_error(text) {
    if (typeof printerr === 'function')
        printerr(text);
    else
        console.error(text);
}
