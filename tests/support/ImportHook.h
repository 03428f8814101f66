#pragma once
// Points an import slot of the test program at a function of the test for
// the life of the object: the module's code linked into the program calls
// the system through the same slots. IMPORT_SLOT(Fn, cbArgs) declares
// g_imp<Fn>, the slot of Fn (cbArgs: the bytes of its arguments on i686).
#include <windows.h>

#ifdef _WIN64
#define IMPORT_SLOT(Fn, cbArgs) extern "C" decltype(&Fn) g_imp##Fn __asm__("__imp_" #Fn)
#else
#define IMPORT_SLOT(Fn, cbArgs) extern "C" decltype(&Fn) g_imp##Fn __asm__("__imp__" #Fn "@" #cbArgs)
#endif

template <class Fn>
class CImportHook
{
public:
    CImportHook(Fn& slot, Fn fn) : m_slot(slot), m_fnOld(slot) { Set(fn); }
    ~CImportHook() { Set(m_fnOld); }
    CImportHook(const CImportHook&) = delete;
    CImportHook& operator=(const CImportHook&) = delete;
    Fn Old() const { return m_fnOld; }

private:
    void Set(Fn fn)
    {
        DWORD dwOld = 0;
        VirtualProtect(&m_slot, sizeof fn, PAGE_READWRITE, &dwOld);
        m_slot = fn;
        VirtualProtect(&m_slot, sizeof fn, dwOld, &dwOld);
    }
    Fn& m_slot;
    Fn m_fnOld;
};
