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

// Its path; the error when there is none or it does not fit the buffer.
inline HRESULT ThisModulePath(wchar_t (&szPath)[MAX_PATH]) noexcept
{
    const DWORD cch = GetModuleFileNameW(ThisModule(), szPath, MAX_PATH);
    if (cch == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    return cch < MAX_PATH ? S_OK : HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
}
