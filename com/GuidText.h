#pragma once
// The text of a GUID, as registry keys and messages name it.
#include <windows.h>
#include <objbase.h>
#include <string>

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
inline std::wstring GuidText(REFGUID guid)
{
    wchar_t szGuid[39]; // 38 characters and the terminator: never too short
    StringFromGUID2(guid, szGuid, 39);
    return szGuid;
}
