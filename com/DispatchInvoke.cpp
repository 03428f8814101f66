#include "com/DispatchInvoke.h"
#include <memory>
#include <vector>
#include <wrl/client.h>
#include "com/ComError.h"

using Microsoft::WRL::ComPtr;

namespace {

const int kMaxBaseDepth = 8;

// One function's description, released by the type information it came from.
struct FuncDescRelease
{
    ComPtr<ITypeInfo> spOwner;
    void operator()(FUNCDESC* pFuncDesc) const noexcept { spOwner->ReleaseFuncDesc(pFuncDesc); }
};
using FuncDescPtr = std::unique_ptr<FUNCDESC, FuncDescRelease>;

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

// Searches the type's own functions, then the interface half of a dual
// (implemented type -1), then its base interfaces; true when func holds it.
bool FindFunc(ITypeInfo* pTypeInfo, DISPID dispId, FuncDescPtr& func, int depth)
{
    TYPEATTR* pAttr = nullptr;
    if (depth > kMaxBaseDepth || FAILED(pTypeInfo->GetTypeAttr(&pAttr)))
        return false;
    const TYPEATTR attr = *pAttr;
    pTypeInfo->ReleaseTypeAttr(pAttr);
    for (UINT i = 0; i < attr.cFuncs; ++i) {
        FUNCDESC* pFuncDesc = nullptr;
        if (FAILED(pTypeInfo->GetFuncDesc(i, &pFuncDesc)))
            continue;
        func = FuncDescPtr(pFuncDesc, FuncDescRelease{pTypeInfo});
        if (func->memid == dispId && func->invkind == INVOKE_FUNC)
            return true;
    }
    const bool bDual = attr.typekind == TKIND_DISPATCH && (attr.wTypeFlags & TYPEFLAG_FDUAL);
    for (int i = bDual ? -1 : 0; i < attr.cImplTypes; ++i) {
        HREFTYPE hRef = 0;
        ComPtr<ITypeInfo> spBase;
        if (SUCCEEDED(pTypeInfo->GetRefTypeOfImplType(static_cast<UINT>(i), &hRef)) &&
            SUCCEEDED(pTypeInfo->GetRefTypeInfo(hRef, &spBase)) && FindFunc(spBase.Get(), dispId, func, depth + 1))
            return true;
    }
    return false;
}

// A user-defined interface: VT_DISPATCH when it can be called late-bound.
SlotType InterfaceType(ITypeInfo* pOwner, HREFTYPE hRef)
{
    SlotType type;
    ComPtr<ITypeInfo> spRef;
    TYPEATTR* pAttr = nullptr;
    if (FAILED(pOwner->GetRefTypeInfo(hRef, &spRef)) || FAILED(spRef->GetTypeAttr(&pAttr)))
        return type;
    if (pAttr->typekind == TKIND_DISPATCH ||
        (pAttr->typekind == TKIND_INTERFACE && (pAttr->wTypeFlags & TYPEFLAG_FDISPATCHABLE)))
        type.vt = VT_DISPATCH;
    else if (pAttr->typekind == TKIND_INTERFACE)
        type.vt = VT_UNKNOWN;
    type.iid = pAttr->guid;
    spRef->ReleaseTypeAttr(pAttr);
    return type;
}

// A string or interface type as a VARIANT holds it; VT_EMPTY for any other.
SlotType TypeOf(ITypeInfo* pOwner, const TYPEDESC& tdesc)
{
    SlotType type;
    switch (tdesc.vt) {
    case VT_DISPATCH:
        type.iid = IID_IDispatch;
        [[fallthrough]];
    case VT_BSTR:
    case VT_UNKNOWN:
        type.vt = tdesc.vt;
        break;
    case VT_PTR:
        if (tdesc.lptdesc->vt == VT_USERDEFINED)
            type = InterfaceType(pOwner, tdesc.lptdesc->hreftype);
        break;
    default:
        break;
    }
    return type;
}

// The temporary's type for an [out] string or interface parameter; VT_EMPTY
// for every other parameter.
SlotType OutSlotType(ITypeInfo* pOwner, const ELEMDESC& elem)
{
    USHORT flags = elem.paramdesc.wParamFlags;
    if (!(flags & PARAMFLAG_FOUT) || (flags & (PARAMFLAG_FIN | PARAMFLAG_FRETVAL)) || elem.tdesc.vt != VT_PTR)
        return {};
    return TypeOf(pOwner, *elem.tdesc.lptdesc);
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
void RewriteArguments(const FuncDescPtr& func, const DISPPARAMS& dp, std::vector<VARIANTARG>& args,
                      std::vector<OutSlot>& slots)
{
    const FUNCDESC* pFuncDesc = func.get();
    ITypeInfo* pOwner = func.get_deleter().spOwner.Get();
    UINT cArgs = dp.cArgs;
    args.assign(dp.rgvarg, dp.rgvarg + cArgs);
    slots.reserve(cArgs); // the temporaries' addresses must not move
    for (UINT iParam = 0; iParam < cArgs && iParam < static_cast<UINT>(pFuncDesc->cParams); ++iParam) {
        VARIANTARG& arg = args[cArgs - 1 - iParam];
        const ELEMDESC& elem = pFuncDesc->lprgelemdescParam[iParam];
        SlotType slotType = OutSlotType(pOwner, elem);
        bool bByRef = IsByRefVariant(arg), bIn = !(elem.paramdesc.wParamFlags & PARAMFLAG_FOUT);
        // An [in] parameter gets the caller's VARIANT itself (a shallow copy).
        if (bByRef && bIn)
            arg = *Referent(V_VARIANTREF(&arg));
        if (IsNothing(arg) && slotType.vt == VT_EMPTY) {
            // A script's null or missing object is a null interface pointer.
            VARTYPE vtIn = TypeOf(pOwner, elem.tdesc).vt;
            if (bIn && (vtIn == VT_DISPATCH || vtIn == VT_UNKNOWN)) {
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
    FuncDescPtr func;
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
