#pragma once
// The module's own state: its instance handle and the lock count that
// DllCanUnloadNow compares with zero.
#include <windows.h>

HINSTANCE ModuleInstance() noexcept;

// Live objects, externally held class objects and LockServer locks.
void ModuleLock() noexcept;
void ModuleUnlock() noexcept;
LONG ModuleLockCount() noexcept;
