#pragma once
// The twelve checks of the layer and of every assistant, one row each, and a
// call of any of them with one argument set (the layer and the assistants
// share their signatures).
#include <string>
#include <vector>
#include "LayerLib2.h"

// Every argument any check takes; each check passes on the ones it has.
struct CheckArgs
{
    IComponent* piRoot = nullptr;
    IComponent* piComp = nullptr;  // piComponent3, piCompIns, piCompMove, piCompPalett, piComp
    IComponent* piOther = nullptr; // piCompDest, piCompReplace
    LONG bAsChild = 0;
    ICharacteristic* piChar1 = nullptr;
    ICharacteristic* piChar2 = nullptr;
    IPropertyData* pData = nullptr;
    VARIANT vValue{};
    ICharacteristic** ppCharErr1 = nullptr;
    ICharacteristic** ppCharErr2 = nullptr;
};

struct CheckKind
{
    const wchar_t* name;
    int nSlot;
    bool bProtocolComponent; // hands on the component its protocol belongs to
    bool bFirstFalseRefused; // an S_FALSE of the first protocol counts as E_FAIL
    bool bFirstResult;       // answered by the first result, not the worst
};
// In slot order.
extern const CheckKind kChecks[12];
const CheckKind& Check(const wchar_t* name);
// The check's name for a test's name.
std::string NarrowName(const CheckKind& kind);

// The interface pointers the check passes on, in argument order.
std::vector<const void*> PassedIn(int nSlot, const CheckArgs& a);

template <class Itf>
HRESULT CallCheck(Itf* p, int nSlot, BSTR* m, const CheckArgs& a, BSTR* d)
{
    switch (nSlot) {
    case 10:
        return p->CheckNewDevice(m, a.piComp, d);
    case 11:
        return p->CheckAll(m, a.piRoot, a.ppCharErr1, a.ppCharErr2, d);
    case 12:
        return p->CheckPropertyChange(m, a.piRoot, a.pData, a.vValue, d);
    case 13:
        return p->CheckInsertDrag(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
    case 14:
        return p->CheckInsertDrop(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
    case 15:
        return p->CheckMoveDrag(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
    case 16:
        return p->CheckMoveDrop(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
    case 17:
        return p->CheckReplaceDrag(m, a.piRoot, a.piComp, a.piOther, d);
    case 18:
        return p->CheckReplaceDrop(m, a.piRoot, a.piComp, a.piOther, d);
    case 19:
        return p->CheckConnect(m, a.piRoot, a.piChar1, a.piChar2, d);
    case 20:
        return p->CheckDisconnect(m, a.piRoot, a.piChar1, a.piChar2, d);
    case 21:
        return p->CheckDelete(m, a.piRoot, a.piComp, d);
    }
    return E_UNEXPECTED;
}
