// What the program's two kinds of window share: how their classes are
// registered, and the fonts that controls create for themselves.
#pragma once

#include <windows.h>

// Registers a window class with the program's class styles (CS_DBLCLKS,
// CS_HREDRAW, CS_VREDRAW), the arrow cursor, no icon and the stock NULL_BRUSH,
// so that only the window's own painting colours its background.
bool RegisterProgramClass(HINSTANCE instance, const char* name, WNDPROC procedure);

// A font of the given pixel height and weight in the face the system picks for
// the default character set, at proof quality. The caller deletes it.
HFONT CreateControlFont(LONG height, LONG weight);
