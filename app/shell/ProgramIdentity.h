// The names under which the desktop knows the program.
#pragma once

namespace hx {

// The application's name ("Hexaloom": on X11 the class of every window,
// which the desktop entry's StartupWMClass names), its version and its
// desktop entry's name (DesktopId: on Wayland the windows' app id), so that
// docks and task bars group the windows with the launcher. Needs no
// application object; call it before the first window is made.
void SetProgramIdentity();

}  // namespace hx
