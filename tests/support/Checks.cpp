#include "support/Checks.h"
#include <stdexcept>
#include <string>

const CheckKind kChecks[12] = {
    {L"CheckNewDevice", 10, true, false, false},       {L"CheckAll", 11, false, false, false},
    {L"CheckPropertyChange", 12, false, false, false}, {L"CheckInsertDrag", 13, true, true, false},
    {L"CheckInsertDrop", 14, true, true, false},       {L"CheckMoveDrag", 15, true, true, false},
    {L"CheckMoveDrop", 16, true, true, false},         {L"CheckReplaceDrag", 17, false, true, false},
    {L"CheckReplaceDrop", 18, false, true, false},     {L"CheckConnect", 19, false, false, false},
    {L"CheckDisconnect", 20, false, false, false},     {L"CheckDelete", 21, true, true, true},
};

const CheckKind& Check(const wchar_t* name)
{
    for (const CheckKind& kind : kChecks)
        if (std::wstring(kind.name) == name)
            return kind;
    throw std::invalid_argument("no such check");
}

std::string NarrowName(const CheckKind& kind)
{
    return std::string(kind.name, kind.name + wcslen(kind.name));
}

std::vector<const void*> PassedIn(int nSlot, const CheckArgs& a)
{
    switch (nSlot) {
    case 10:
        return {a.piComp};
    case 11:
        return {a.piRoot};
    case 12:
        return {a.piRoot, a.pData};
    case 19:
    case 20:
        return {a.piRoot, a.piChar1, a.piChar2};
    case 21:
        return {a.piRoot, a.piComp};
    default:
        return {a.piRoot, a.piComp, a.piOther};
    }
}
