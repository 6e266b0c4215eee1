// The registry calls RegistryAccess makes. In the Windows builds they are the
// system's (advapi32); in the native build the in-memory registry provides the
// same functions under the same names.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "registry/native_windows.h"
#endif
