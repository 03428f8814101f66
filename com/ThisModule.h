#pragma once
// The module whose code calls this: the DLL that linked the kit, or the
// program. Found from an address inside it, so no DllMain has to keep it.
#include <windows.h>

inline HMODULE ThisModule() noexcept
{
    HMODULE hModule = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &hModule);
    return hModule;
}
