// The program's frame: the one RegistryAccess object, the shutdown steps and
// EndProgram. Everything runs on the one window thread.
#pragma once

#include "registry/registry_access.h"

// Initialises OLE on the window thread; the shutdown steps uninitialise it once.
void InitialiseOle();

// The program's one RegistryAccess object, from start-up until shutdown.
RegistryAccess& Registry();

// Creates the RegistryAccess object and registers the shutdown step that destroys
// it. False when its storage cannot be allocated (the caller reports it).
bool CreateRegistryAccess();

// Destroys every program window that still exists, runs the registered shutdown
// step (at most once in the life of the process) and uninitialises OLE once.
void RunShutdownSteps();

// Runs the shutdown steps at once and ends the process with exit_code.
[[noreturn]] void EndProgram(int exit_code);

// Reports a start-up failure (no owner window, error icon, OK) and ends the
// process with exit code -1, without destroying the RegistryAccess object.
[[noreturn]] void FailStartUp(const char* text);
