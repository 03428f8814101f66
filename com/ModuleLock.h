#pragma once
// The lock count of the module that holds this code: live objects, class
// objects held by clients and LockServer locks. DllCanUnloadNow compares it
// with zero.
#include <windows.h>

void ModuleLock() noexcept;
void ModuleUnlock() noexcept;
LONG ModuleLockCount() noexcept;
