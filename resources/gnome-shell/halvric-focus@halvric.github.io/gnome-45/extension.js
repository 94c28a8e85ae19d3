import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

// Publishes the process id of the focused window on the session bus, so that Halvric can switch
// the mouse's profile by the program in front: GNOME Shell lets no other program see its windows.
const BUS_NAME = 'io.github.halvric.Focus';
const OBJECT_PATH = '/io/github/halvric/Focus';
const INTERFACE = `<node>
  <interface name="io.github.halvric.Focus">
    <method name="FocusedPid"><arg type="i" direction="out" name="pid"/></method>
    <property name="Pid" type="i" access="read"/>
    <signal name="FocusChanged"><arg type="i" name="pid"/></signal>
  </interface>
</node>`;

class FocusPublisher {
    constructor() {
        this._pid = 0;
        this._object = null;
        this._nameId = 0;
        this._focusId = 0;
    }

    // The exported method and property.
    FocusedPid() {
        return this._pid;
    }

    get Pid() {
        return this._pid;
    }

    start() {
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this);
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
        this._focusId = global.display.connect('notify::focus-window', () => this._update());
        this._update();
    }

    stop() {
        if (this._focusId)
            global.display.disconnect(this._focusId);
        if (this._nameId)
            Gio.bus_unown_name(this._nameId);
        if (this._object)
            this._object.unexport();
        this._focusId = 0;
        this._nameId = 0;
        this._object = null;
    }

    _update() {
        const window = global.display.focus_window;
        const pid = window ? window.get_pid() : 0;
        const value = pid > 0 ? pid : 0;
        if (value === this._pid)
            return;
        this._pid = value;
        this._object.emit_property_changed('Pid', new GLib.Variant('i', value));
        this._object.emit_signal('FocusChanged', new GLib.Variant('(i)', [value]));
    }
}

export default class HalvricFocusExtension extends Extension {
    enable() {
        this._publisher = new FocusPublisher();
        this._publisher.start();
    }

    disable() {
        this._publisher.stop();
        this._publisher = null;
    }
}
