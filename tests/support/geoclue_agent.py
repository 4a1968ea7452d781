#!/usr/bin/python3
"""A GeoClue agent for tests: the desktop's switch for location services.

Usage: geoclue_agent.py ID LEVEL. It registers with GeoClue on the system bus (DBUS_SYSTEM_BUS_ADDRESS)
under the desktop id ID, again whenever GeoClue comes back, and offers LEVEL as the highest accuracy
level the user allows: 0 means location services are off. A line on standard input holding a level
switches to it and prints "level N" once GeoClue has seen the change. It ends when its standard input
closes.
"""
import sys

from gi.repository import Gio, GLib

AGENT_PATH = '/org/freedesktop/GeoClue2/Agent'
AGENT = Gio.DBusNodeInfo.new_for_xml("""<node><interface name="org.freedesktop.GeoClue2.Agent">
  <method name="AuthorizeApp">
    <arg name="desktop_id" type="s" direction="in"/><arg name="req_accuracy_level" type="u" direction="in"/>
    <arg name="authorized" type="b" direction="out"/><arg name="allowed_accuracy_level" type="u" direction="out"/>
  </method>
  <property name="MaxAccuracyLevel" type="u" access="read"/>
</interface></node>""").interfaces[0]
MANAGER = ('org.freedesktop.GeoClue2', '/org/freedesktop/GeoClue2/Manager')

agent_id, level = sys.argv[1], int(sys.argv[2])
bus = Gio.bus_get_sync(Gio.BusType.SYSTEM, None)
loop = GLib.MainLoop()


def call_manager(interface, method, arguments, done):
    # Never a blocking call: GeoClue reads this agent's properties while it registers it.
    bus.call(*MANAGER, interface, method, arguments, None, Gio.DBusCallFlags.NONE, -1, None, done)


def report(connection, result):
    try:
        connection.call_finish(result)
    except GLib.Error as error:
        print(error.message, file=sys.stderr, flush=True)


def authorize_app(connection, sender, path, interface, method, arguments, invocation):
    requested = arguments.unpack()[1]
    invocation.return_value(GLib.Variant('(bu)', (level > 0, min(level, requested))))


def register(connection, name, owner):
    call_manager('org.freedesktop.GeoClue2.Manager', 'AddAgent', GLib.Variant('(s)', (agent_id,)), report)


def switch(channel, condition):
    global level
    line = channel.readline()
    if not line:
        loop.quit()
        return False
    level = int(line)
    bus.emit_signal(None, AGENT_PATH, 'org.freedesktop.DBus.Properties', 'PropertiesChanged',
                    GLib.Variant('(sa{sv}as)', (AGENT.name, {'MaxAccuracyLevel': GLib.Variant('u', level)}, [])))
    # GeoClue handles what one sender sends in order: its answer to this comes after it took the signal.
    # Without GeoClue the call fails, and GeoClue reads the level when it comes back and registers this.
    call_manager('org.freedesktop.DBus.Properties', 'Get',
                 GLib.Variant('(ss)', ('org.freedesktop.GeoClue2.Manager', 'InUse')),
                 lambda c, r: print('level', level, flush=True))
    return True


bus.register_object(AGENT_PATH, AGENT, authorize_app, lambda *_: GLib.Variant('u', level), None)
Gio.bus_watch_name_on_connection(bus, MANAGER[0], Gio.BusNameWatcherFlags.NONE, register, None)
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, switch)
loop.run()
