#pragma once
// The folder of the module that holds the calling code, with the trailing
// backslash: where the files shipped beside it are. The one way the kit's
// programs and servers find it.
#include <windows.h>
#include <cwchar>
#include "com/ThisModule.h"

inline HRESULT ThisModuleFolder(wchar_t (&szFolder)[MAX_PATH]) noexcept
{
    const HRESULT hr = ThisModulePath(szFolder);
    if (wchar_t* pszSlash = SUCCEEDED(hr) ? wcsrchr(szFolder, L'\\') : nullptr)
        pszSlash[1] = L'\0';
    return hr;
}
