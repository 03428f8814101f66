#pragma once
// What the bench counts besides time: operator new calls of the whole
// program, and task-memory blocks (BSTRs included) once the spy is on.
#include <windows.h>

long OperatorNewCalls() noexcept;
// Registers a malloc spy that counts task-memory allocations; false when the
// runtime refused it.
bool StartTaskMemoryCount();
long TaskMemoryAllocations() noexcept;
