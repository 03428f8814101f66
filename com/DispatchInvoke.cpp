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

// A typed temporary standing in for a caller's VARIANT at an [out] string or
// interface parameter. The method gets the caller's value as that type and
// the caller gets back only what the method wrote over it.
struct OutSlot
{
    VARIANT* pvarTarget; // null: the caller passed a value and receives nothing
    VARIANT varIn;       // what the method was given; ours until it writes
    VARIANT varTemp;     // what the method left
};

// An [out] parameter's temporary type, and the interface it holds.
struct SlotType
{
    VARTYPE vt = VT_EMPTY;
    IID iid = IID_IUnknown;
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

VARTYPE InterfaceVarType(ITypeInfo* pOwner, HREFTYPE hRef, IID* piid = nullptr)
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
    if (piid)
        *piid = pAttr->guid;
    spRef->ReleaseTypeAttr(pAttr);
    return vt;
}

// The temporary's type for an [out] string or interface parameter; VT_EMPTY
// for every other parameter.
SlotType OutSlotType(ITypeInfo* pOwner, const ELEMDESC& elem)
{
    SlotType type;
    USHORT flags = elem.paramdesc.wParamFlags;
    if (!(flags & PARAMFLAG_FOUT) || (flags & (PARAMFLAG_FIN | PARAMFLAG_FRETVAL)) || elem.tdesc.vt != VT_PTR)
        return type;
    const TYPEDESC* pInner = elem.tdesc.lptdesc;
    switch (pInner->vt) {
    case VT_DISPATCH:
        type.iid = IID_IDispatch;
        [[fallthrough]];
    case VT_BSTR:
    case VT_UNKNOWN:
        type.vt = pInner->vt;
        break;
    case VT_PTR:
        if (pInner->lptdesc->vt == VT_USERDEFINED)
            type.vt = InterfaceVarType(pOwner, pInner->lptdesc->hreftype, &type.iid);
        break;
    default:
        break;
    }
    return type;
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

// The caller's variable behind a by-reference VARIANT.
VARIANT* Referent(VARIANT* pvar) noexcept
{
    for (int i = 0; i < kMaxBaseDepth && IsByRefVariant(*pvar); ++i)
        pvar = V_VARIANTREF(pvar);
    return pvar;
}

// Scripts pass their variables by reference and their values as they are:
// the type library's Invoke takes no reference for an [out] parameter and no
// null for an interface.
bool NeedsRewrite(const DISPPARAMS* pDispParams, WORD wFlags) noexcept
{
    return pDispParams && (wFlags & DISPATCH_METHOD) && pDispParams->cNamedArgs == 0 && pDispParams->rgvarg &&
           pDispParams->cArgs != 0;
}

// The caller's value as the parameter's type: a string converted to text, an
// object as the interface the method expects; null where nothing converts.
void ConvertIn(VARIANT& source, const SlotType& type, VARIANT& varIn) noexcept
{
    VariantInit(&varIn);
    if (type.vt == VT_BSTR && !IsNothing(source) && SUCCEEDED(VariantChangeType(&varIn, &source, 0, VT_BSTR)))
        return;
    V_VT(&varIn) = type.vt;
    V_UNKNOWN(&varIn) = nullptr;
    VARTYPE vtSource = V_VT(&source) & ~VT_BYREF;
    if (type.vt == VT_BSTR || (vtSource != VT_DISPATCH && vtSource != VT_UNKNOWN))
        return;
    IUnknown* punk = (V_VT(&source) & VT_BYREF) ? *V_UNKNOWNREF(&source) : V_UNKNOWN(&source);
    if (punk && FAILED(punk->QueryInterface(type.iid, reinterpret_cast<void**>(&V_UNKNOWN(&varIn)))))
        V_UNKNOWN(&varIn) = nullptr;
}

// Hands the caller what each method wrote. A method that leaves a parameter
// leaves the value it was given, which is then given back to nobody. An
// interface it replaces it has released itself (the characteristics of
// CheckAll are read and replaced); a string it overwrites is never freed by
// it, so the one it was given is freed here.
void StoreOutSlots(std::vector<OutSlot>& slots) noexcept
{
    for (OutSlot& slot : slots) {
        bool bWritten = V_BYREF(&slot.varTemp) != V_BYREF(&slot.varIn);
        if (!bWritten || V_VT(&slot.varIn) == VT_BSTR)
            VariantClear(&slot.varIn);
        if (!bWritten)
            continue;
        if (slot.pvarTarget) {
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
        SlotType slotType = OutSlotType(func.Owner(), elem);
        bool bByRef = IsByRefVariant(arg);
        // An [in] parameter gets the caller's VARIANT itself (a shallow copy).
        if (bByRef && !(elem.paramdesc.wParamFlags & PARAMFLAG_FOUT))
            arg = *Referent(V_VARIANTREF(&arg));
        if (IsNothing(arg) && slotType.vt == VT_EMPTY) {
            // A script's null or missing object is a null interface pointer.
            VARTYPE vtIn = InInterfaceType(func.Owner(), elem);
            if (vtIn != VT_EMPTY) {
                V_VT(&arg) = vtIn;
                V_UNKNOWN(&arg) = nullptr;
            }
        } else if (slotType.vt != VT_EMPTY && (bByRef || !(V_VT(&arg) & VT_BYREF))) {
            VARIANT* pvarTarget = bByRef ? Referent(V_VARIANTREF(&arg)) : nullptr;
            slots.push_back({pvarTarget, {}, {}});
            OutSlot& slot = slots.back();
            ConvertIn(pvarTarget ? *pvarTarget : arg, slotType, slot.varIn);
            slot.varTemp = slot.varIn;
            V_VT(&arg) = VT_BYREF | slotType.vt;
            V_BYREF(&arg) = &V_BSTR(&slot.varTemp); // every member of the union shares this address
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
        // A method that failed (DISP_E_EXCEPTION) may still have written.
        StoreOutSlots(slots);
        return hr;
    });
}
