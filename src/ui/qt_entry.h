// The one function the Linux window part exports. The core program finds it
// by name after loading the part, so it has C linkage.
#pragma once

#include "ui/window_toolkit.h"

// Called when the window system turns out to be unusable after all (the
// display cannot be opened); it does not return.
using BramleNoDisplayHandler = void (*)();

extern "C" {
// Starts Qt on the calling thread, which becomes the window thread, and
// returns the toolkit; null when `interfaceVersion` is not the part's own.
typedef ui::WindowToolkit* (*BramleQtToolkitFunction)(int interfaceVersion, BramleNoDisplayHandler noDisplay);
}

inline constexpr const char kBramleQtToolkitName[] = "BramleQtToolkit";
// Raised whenever WindowToolkit or the forms change shape, so that a part
// left over from another build is refused instead of misread.
inline constexpr int kBramleQtInterfaceVersion = 5;
// Where an installed part lies, relative to the installed program's bin/
// parent (CMakeLists.txt installs it there).
inline constexpr const char kInstalledModuleFolder[] = "lib/bramle";
