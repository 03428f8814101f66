#include "com/DispatchInvoke.h"
#include <vector>
#include <wrl/client.h>
#include "com/ComError.h"

using Microsoft::WRL::ComPtr;

namespace {

const int kMaxBaseDepth = 8;

// One function's description, released with the type information it came from.
class CFuncDescHolder
{
public:
    CFuncDescHolder() = default;
    CFuncDescHolder(const CFuncDescHolder&) = delete;
    CFuncDescHolder& operator=(const CFuncDescHolder&) = delete;
    ~CFuncDescHolder() { Reset(nullptr, nullptr); }

    void Reset(ITypeInfo* pOwner, FUNCDESC* pFuncDesc) noexcept
    {
        if (m_pFuncDesc)
            m_spOwner->ReleaseFuncDesc(m_pFuncDesc);
        m_spOwner = pOwner;
        m_pFuncDesc = pFuncDesc;
    }
    ITypeInfo* Owner() const noexcept { return m_spOwner.Get(); }
    const FUNCDESC* Get() const noexcept { return m_pFuncDesc; }

private:
    ComPtr<ITypeInfo> m_spOwner;
    FUNCDESC* m_pFuncDesc = nullptr;
};

// A typed temporary standing in for a caller's by-reference VARIANT.
struct OutSlot
{
    VARIANT* pvarTarget; // null: the caller cannot receive the value
    VARIANT varTemp;
};

bool FindInOwnFuncs(ITypeInfo* pTypeInfo, UINT cFuncs, DISPID dispId, CFuncDescHolder& holder)
{
    for (UINT i = 0; i < cFuncs; ++i) {
        FUNCDESC* pFuncDesc = nullptr;
        if (FAILED(pTypeInfo->GetFuncDesc(i, &pFuncDesc)))
            continue;
        if (pFuncDesc->memid == dispId && pFuncDesc->invkind == INVOKE_FUNC) {
            holder.Reset(pTypeInfo, pFuncDesc);
            return true;
        }
        pTypeInfo->ReleaseFuncDesc(pFuncDesc);
    }
    return false;
}

bool FindInRefType(ITypeInfo* pTypeInfo, UINT index, DISPID dispId, CFuncDescHolder& holder, int depth);

// Searches the type, then its base interfaces (and the interface half of a dual).
bool FindFunc(ITypeInfo* pTypeInfo, DISPID dispId, CFuncDescHolder& holder, int depth)
{
    TYPEATTR* pAttr = nullptr;
    if (depth > kMaxBaseDepth || FAILED(pTypeInfo->GetTypeAttr(&pAttr)))
        return false;
    UINT cFuncs = pAttr->cFuncs, cImplTypes = pAttr->cImplTypes;
    bool bDual = pAttr->typekind == TKIND_DISPATCH && (pAttr->wTypeFlags & TYPEFLAG_FDUAL);
    pTypeInfo->ReleaseTypeAttr(pAttr);
    if (FindInOwnFuncs(pTypeInfo, cFuncs, dispId, holder))
        return true;
    if (bDual && FindInRefType(pTypeInfo, static_cast<UINT>(-1), dispId, holder, depth))
        return true;
    for (UINT i = 0; i < cImplTypes; ++i) {
        if (FindInRefType(pTypeInfo, i, dispId, holder, depth))
            return true;
    }
    return false;
}

bool FindInRefType(ITypeInfo* pTypeInfo, UINT index, DISPID dispId, CFuncDescHolder& holder, int depth)
{
    HREFTYPE hRef = 0;
    ComPtr<ITypeInfo> spBase;
    if (FAILED(pTypeInfo->GetRefTypeOfImplType(index, &hRef)) || FAILED(pTypeInfo->GetRefTypeInfo(hRef, &spBase)))
        return false;
    return FindFunc(spBase.Get(), dispId, holder, depth + 1);
}

VARTYPE InterfaceVarType(ITypeInfo* pOwner, HREFTYPE hRef)
{
    ComPtr<ITypeInfo> spRef;
    TYPEATTR* pAttr = nullptr;
    if (FAILED(pOwner->GetRefTypeInfo(hRef, &spRef)) || FAILED(spRef->GetTypeAttr(&pAttr)))
        return VT_EMPTY;
    VARTYPE vt = VT_EMPTY;
    if (pAttr->typekind == TKIND_DISPATCH ||
        (pAttr->typekind == TKIND_INTERFACE && (pAttr->wTypeFlags & TYPEFLAG_FDISPATCHABLE)))
        vt = VT_DISPATCH;
    else if (pAttr->typekind == TKIND_INTERFACE)
        vt = VT_UNKNOWN;
    spRef->ReleaseTypeAttr(pAttr);
    return vt;
}

// The type of the temporary for an [out] string or interface parameter;
// VT_EMPTY for every other parameter.
VARTYPE OutSlotType(ITypeInfo* pOwner, const ELEMDESC& elem)
{
    USHORT flags = elem.paramdesc.wParamFlags;
    if (!(flags & PARAMFLAG_FOUT) || (flags & (PARAMFLAG_FIN | PARAMFLAG_FRETVAL)) || elem.tdesc.vt != VT_PTR)
        return VT_EMPTY;
    const TYPEDESC* pInner = elem.tdesc.lptdesc;
    switch (pInner->vt) {
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return pInner->vt;
    case VT_PTR:
        if (pInner->lptdesc->vt == VT_USERDEFINED)
            return InterfaceVarType(pOwner, pInner->lptdesc->hreftype);
        return VT_EMPTY;
    default:
        return VT_EMPTY;
    }
}

// The type of an [in] interface parameter; VT_EMPTY for every other one.
VARTYPE InInterfaceType(ITypeInfo* pOwner, const ELEMDESC& elem)
{
    if (elem.paramdesc.wParamFlags & PARAMFLAG_FOUT)
        return VT_EMPTY;
    if (elem.tdesc.vt == VT_DISPATCH || elem.tdesc.vt == VT_UNKNOWN)
        return elem.tdesc.vt;
    if (elem.tdesc.vt == VT_PTR && elem.tdesc.lptdesc->vt == VT_USERDEFINED)
        return InterfaceVarType(pOwner, elem.tdesc.lptdesc->hreftype);
    return VT_EMPTY;
}

bool IsNothing(const VARIANTARG& arg) noexcept
{
    return V_VT(&arg) == VT_EMPTY || V_VT(&arg) == VT_NULL;
}

bool IsByRefVariant(const VARIANTARG& arg) noexcept
{
    return V_VT(&arg) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&arg);
}

// A by-reference VARIANT for an [in] parameter is passed as the VARIANT it
// refers to (a shallow copy; [in] arguments stay the caller's).
VARIANTARG Dereferenced(VARIANTARG arg) noexcept
{
    for (int i = 0; i < kMaxBaseDepth && IsByRefVariant(arg); ++i)
        arg = *V_VARIANTREF(&arg);
    return arg;
}

bool NeedsRewrite(const DISPPARAMS* pDispParams, WORD wFlags) noexcept
{
    if (!pDispParams || !(wFlags & DISPATCH_METHOD) || pDispParams->cNamedArgs != 0 || !pDispParams->rgvarg)
        return false;
    for (UINT i = 0; i < pDispParams->cArgs; ++i) {
        VARTYPE vt = V_VT(&pDispParams->rgvarg[i]);
        if (vt == (VT_BYREF | VT_VARIANT) || vt == VT_EMPTY || vt == VT_NULL)
            return true;
    }
    return false;
}

// Stores each temporary into the caller's VARIANT; [out] replaces what was there.
void StoreOutSlots(std::vector<OutSlot>& slots, bool bCalled) noexcept
{
    for (OutSlot& slot : slots) {
        if (bCalled && slot.pvarTarget) {
            VariantClear(slot.pvarTarget);
            *slot.pvarTarget = slot.varTemp;
        } else {
            VariantClear(&slot.varTemp);
        }
    }
}

// Fills args (rgvarg order, last parameter first) and slots for the function.
void RewriteArguments(const CFuncDescHolder& func, const DISPPARAMS& dp, std::vector<VARIANTARG>& args,
                      std::vector<OutSlot>& slots)
{
    const FUNCDESC* pFuncDesc = func.Get();
    UINT cArgs = dp.cArgs;
    args.assign(dp.rgvarg, dp.rgvarg + cArgs);
    slots.reserve(cArgs); // the temporaries' addresses must not move
    for (UINT iParam = 0; iParam < cArgs && iParam < static_cast<UINT>(pFuncDesc->cParams); ++iParam) {
        VARIANTARG& arg = args[cArgs - 1 - iParam];
        const ELEMDESC& elem = pFuncDesc->lprgelemdescParam[iParam];
        VARTYPE vtSlot = OutSlotType(func.Owner(), elem);
        bool bByRef = IsByRefVariant(arg);
        if (bByRef && !(elem.paramdesc.wParamFlags & PARAMFLAG_FOUT))
            arg = Dereferenced(arg);
        if (IsNothing(arg) && vtSlot == VT_EMPTY) {
            // A script's null or missing object is a null interface pointer.
            VARTYPE vtIn = InInterfaceType(func.Owner(), elem);
            if (vtIn != VT_EMPTY) {
                V_VT(&arg) = vtIn;
                V_UNKNOWN(&arg) = nullptr;
            }
        } else if (vtSlot != VT_EMPTY && (bByRef || IsNothing(arg))) {
            slots.push_back({bByRef ? V_VARIANTREF(&arg) : nullptr, {}});
            VARIANT& temp = slots.back().varTemp;
            VariantInit(&temp);
            V_VT(&temp) = vtSlot;
            V_VT(&arg) = VT_BYREF | vtSlot;
            V_BYREF(&arg) = &V_BSTR(&temp); // every member of the union shares this address
        }
    }
}

} // namespace

HRESULT InvokeFromTypeInfo(ITypeInfo* pTypeInfo, void* pvInstance, DISPID dispIdMember, WORD wFlags,
                           DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    CFuncDescHolder func;
    if (!NeedsRewrite(pDispParams, wFlags) || !FindFunc(pTypeInfo, dispIdMember, func, 0))
        return pTypeInfo->Invoke(pvInstance, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    return ComBoundary([&] {
        std::vector<VARIANTARG> args;
        std::vector<OutSlot> slots;
        RewriteArguments(func, *pDispParams, args, slots);
        DISPPARAMS dp = {args.data(), nullptr, pDispParams->cArgs, 0};
        HRESULT hr = pTypeInfo->Invoke(pvInstance, dispIdMember, wFlags, &dp, pVarResult, pExcepInfo, puArgErr);
        // DISP_E_EXCEPTION: the method ran and failed; its [out] values still count.
        StoreOutSlots(slots, SUCCEEDED(hr) || hr == DISP_E_EXCEPTION);
        return hr;
    });
}
