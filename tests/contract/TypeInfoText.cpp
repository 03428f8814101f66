#include "TypeInfoText.h"
#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::wstring Take(BSTR bstr)
{
    std::wstring text = bstr ? bstr : L"";
    SysFreeString(bstr);
    return text;
}

std::wstring FlagsText(USHORT wFlags)
{
    std::wstring text;
    const struct
    {
        USHORT flag;
        const wchar_t* name;
    } names[] = {{PARAMFLAG_FIN, L"in"},         {PARAMFLAG_FOUT, L"out"}, {PARAMFLAG_FLCID, L"lcid"},
                 {PARAMFLAG_FRETVAL, L"retval"}, {PARAMFLAG_FOPT, L"optional"}};
    for (const auto& n : names)
        if (wFlags & n.flag)
            text += (text.empty() ? L"[" : L", ") + std::wstring(n.name);
    return text.empty() ? L"[none]" : text + L"]";
}

std::wstring MethodText(ITypeInfo* pInterface, const FUNCDESC& fd, MethodStyle style)
{
    std::vector<BSTR> names(fd.cParams + 1u);
    UINT cNames = 0;
    EXPECT_EQ(pInterface->GetNames(fd.memid, names.data(), static_cast<UINT>(names.size()), &cNames), S_OK);
    std::wstring text = std::to_wstring(fd.oVft / static_cast<SHORT>(sizeof(void*))) + L" ";
    if (style == MethodStyle::Full)
        text += std::to_wstring(fd.memid) + L" ";
    text += TypeText(pInterface, fd.elemdescFunc.tdesc) + L" " + Take(names[0]) + L"(";
    for (SHORT i = 0; i < fd.cParams; ++i) {
        const ELEMDESC& param = fd.lprgelemdescParam[i];
        std::wstring name = i + 1u < cNames ? Take(names[i + 1]) : L"";
        text += (i ? L", " : L"") + FlagsText(param.paramdesc.wParamFlags) + L" " + TypeText(pInterface, param.tdesc);
        if (style == MethodStyle::Full)
            text += L" " + name;
    }
    text += L")";
    if (style == MethodStyle::Full)
        text += L" \"" + DocOf(pInterface, fd.memid) + L"\"";
    if (fd.funckind != FUNC_PUREVIRTUAL || fd.invkind != INVOKE_FUNC || fd.callconv != CC_STDCALL)
        text += L" (not a plain virtual method)";
    return text;
}

} // namespace

std::wstring TypeText(ITypeInfo* pTypeInfo, const TYPEDESC& tdesc)
{
    switch (tdesc.vt) {
    case VT_PTR:
        return TypeText(pTypeInfo, *tdesc.lptdesc) + L"*";
    case VT_BSTR:
        return L"BSTR";
    case VT_I4:
        return L"long";
    case VT_VARIANT:
        return L"VARIANT";
    case VT_DISPATCH:
        return L"IDispatch*";
    case VT_UNKNOWN:
        return L"IUnknown*";
    case VT_HRESULT:
        return L"HRESULT";
    case VT_USERDEFINED: {
        ComPtr<ITypeInfo> spRef;
        if (FAILED(pTypeInfo->GetRefTypeInfo(tdesc.hreftype, &spRef)))
            return L"<unresolved>";
        ComPtr<ITypeLib> spLib;
        UINT index = 0;
        BSTR bstrLib = nullptr;
        if (SUCCEEDED(spRef->GetContainingTypeLib(&spLib, &index)))
            spLib->GetDocumentation(-1, &bstrLib, nullptr, nullptr, nullptr);
        return Take(bstrLib) + L"." + NameOf(spRef.Get());
    }
    default:
        return L"vt" + std::to_wstring(tdesc.vt);
    }
}

std::vector<std::wstring> MethodTexts(ITypeInfo* pInterface, MethodStyle style)
{
    std::vector<std::pair<SHORT, std::wstring>> methods;
    TYPEATTR attr = AttrOf(pInterface);
    for (UINT i = 0; i < attr.cFuncs; ++i) {
        FUNCDESC* pfd = nullptr;
        if (FAILED(pInterface->GetFuncDesc(i, &pfd)))
            continue;
        methods.emplace_back(pfd->oVft, MethodText(pInterface, *pfd, style));
        pInterface->ReleaseFuncDesc(pfd);
    }
    std::stable_sort(methods.begin(), methods.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::wstring> texts;
    for (auto& m : methods)
        texts.push_back(std::move(m.second));
    return texts;
}

std::wstring NameOf(ITypeInfo* pTypeInfo, MEMBERID memid)
{
    BSTR bstrName = nullptr;
    pTypeInfo->GetDocumentation(memid, &bstrName, nullptr, nullptr, nullptr);
    return Take(bstrName);
}

std::wstring DocOf(ITypeInfo* pTypeInfo, MEMBERID memid)
{
    BSTR bstrDoc = nullptr;
    pTypeInfo->GetDocumentation(memid, nullptr, &bstrDoc, nullptr, nullptr);
    return Take(bstrDoc);
}

ComPtr<ITypeInfo> RefTypeOf(ITypeInfo* pTypeInfo, UINT index)
{
    HREFTYPE href = 0;
    ComPtr<ITypeInfo> spRef;
    if (SUCCEEDED(pTypeInfo->GetRefTypeOfImplType(index, &href)))
        pTypeInfo->GetRefTypeInfo(href, &spRef);
    return spRef;
}

TYPEATTR AttrOf(ITypeInfo* pTypeInfo)
{
    TYPEATTR attr{};
    TYPEATTR* pAttr = nullptr;
    if (SUCCEEDED(pTypeInfo->GetTypeAttr(&pAttr))) {
        attr = *pAttr;
        pTypeInfo->ReleaseTypeAttr(pAttr);
    }
    return attr;
}

TLIBATTR LibAttrOf(ITypeLib* pTypeLib)
{
    TLIBATTR attr{};
    TLIBATTR* pAttr = nullptr;
    if (SUCCEEDED(pTypeLib->GetLibAttr(&pAttr))) {
        attr = *pAttr;
        pTypeLib->ReleaseTLibAttr(pAttr);
    }
    return attr;
}
