#include "com/ModuleLock.h"

namespace {
volatile LONG g_lLockCount = 0;
}

void ModuleLock() noexcept
{
    InterlockedIncrement(&g_lLockCount);
}

void ModuleUnlock() noexcept
{
    InterlockedDecrement(&g_lLockCount);
}

LONG ModuleLockCount() noexcept
{
    return g_lLockCount;
}
