// Long work runs on the GUI thread, and the event loop still turns under it: the progress window
// pumps events so that it repaints and Cancel works, and a question the work asks runs its own
// loop. A command taken meanwhile would change (or free) the comparison the work is filling. While
// the gate is entered, every window that existed when the work began takes no input: no keys,
// shortcuts, clicks, wheel, drops, context menus, tooltips or close requests, and the auto-refresh
// timer skips its ticks. Painting goes on, and the windows the work opens itself (its progress
// window with Cancel, a question it asks) stay usable. Entries nest; the outermost decides which
// windows wait.
#pragma once

namespace quillon {

class BusyGate {
  public:
    static void Enter();
    static void Leave();
    static bool Busy();

    class Scope {
      public:
        Scope() { Enter(); }
        ~Scope() { Leave(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };
};

}  // namespace quillon
