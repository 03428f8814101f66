#pragma once
// The twelve checks of the layer and of every assistant, one row each, and a
// call of any of them with one argument set (the layer and the assistants
// share their signatures).
#include <string>
#include <vector>
#include "LayerLib2.h"
#include "com/Owners.h"
#include "interfaces/AssistChecks.h"
#include "doubles/NodeDouble.h"

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

// The text of a string a check handed out, or "<null>".
inline std::wstring Text(const CBstr& bstr)
{
    return bstr.IsNull() ? L"<null>" : std::wstring(bstr.View());
}

// Root, component and destination, the two characteristics (the first also
// the changed property) and CheckAll's two slots, as a child (7).
inline CheckArgs ArgsOn(CNodeDouble& root, CNodeDouble& comp, CNodeDouble& dest, CNodeDouble& char1, CNodeDouble& char2,
                        ICharacteristic** ppCharErr1, ICharacteristic** ppCharErr2)
{
    CheckArgs args{root.AsComponent(),       comp.AsComponent(),       dest.AsComponent(),    7,
                   char1.AsCharacteristic(), char2.AsCharacteristic(), char1.AsPropertyData()};
    args.ppCharErr1 = ppCharErr1;
    args.ppCharErr2 = ppCharErr2;
    return args;
}

// The interface pointers the check passes on, in argument order.
std::vector<const void*> PassedIn(int nSlot, const CheckArgs& a);

// The product's table of the twelve calls, by slot.
template <class Itf>
HRESULT CallCheck(Itf* p, int nSlot, BSTR* m, const CheckArgs& a, BSTR* d)
{
    return CallCheck(p, static_cast<CheckId>(nSlot - 10), m, a, d);
}
