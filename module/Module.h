#pragma once
// The module's instance handle; its lock count is the kit's (com/ModuleLock.h).
#include <windows.h>

HINSTANCE ModuleInstance() noexcept;
