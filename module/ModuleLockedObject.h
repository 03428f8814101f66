#pragma once
// An object that keeps the module loaded for as long as it lives: the lock
// is taken once it is constructed and given back when it is destroyed.
#include "module/Module.h"

template <class T>
class CModuleLocked : public T
{
public:
    CModuleLocked() { ModuleLock(); }
    ~CModuleLocked() override { ModuleUnlock(); }
};
