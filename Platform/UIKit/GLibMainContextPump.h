#pragma once

// Services GLib's default main context from the main run loop, for libraries
// that do their work through it (the web engine). Every turn of the main loop
// dispatches what GLib has ready; while the loop waits, one descriptor stands
// for everything GLib waits on (its descriptors and its next timeout, in real
// time whatever the application clock), so a GLib event wakes the loop
// without a thread of its own and without the loop ever blocking in GLib.
//
// Main thread only. Attached once and kept for the life of the process.

class GLibMainContextPump {
public:
    // Starts servicing the default main context on the main run loop; does
    // nothing when it already does.
    static void attach();
    static bool isAttached();
    // Dispatches what is ready now and rearms the wait; what the loop calls.
    static void service();
};
