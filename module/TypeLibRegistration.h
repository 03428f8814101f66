#pragma once
// The module's type library: loaded from its own TYPELIB resource, else from
// the ".tlb" file of the same name beside it.
#include <windows.h>

HRESULT RegisterModuleTypeLib();
HRESULT UnregisterModuleTypeLib();
