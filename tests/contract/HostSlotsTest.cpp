// The host's operations in the slots the layer calls them through: the host
// implements NewZUR.idl, the layer is compiled against NewZUR.h, and the two
// must not drift apart. One text line per operation, so a difference reads plainly.
#include <windows.h>
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <string>
#include <vector>
#include "NewZUR.h"
#include "com/Owners.h"
#include "support/TestEnvironment.h"

using Microsoft::WRL::ComPtr;
using Lines = std::vector<std::wstring>;

namespace {

std::wstring NameOf(ITypeInfo* pInfo, MEMBERID memid = MEMBERID_NIL)
{
    CBstr bstr;
    pInfo->GetDocumentation(memid, bstr.Out(), nullptr, nullptr, nullptr);
    return std::wstring(bstr.View());
}

// "BSTR*", "long", "IDispatch*"; a type of the library by its name: "IComponent*".
std::wstring TypeText(ITypeInfo* pInfo, const TYPEDESC& td)
{
    ComPtr<ITypeInfo> spRef;
    if (td.vt == VT_PTR)
        return TypeText(pInfo, *td.lptdesc) + L"*";
    if (td.vt == VT_USERDEFINED && SUCCEEDED(pInfo->GetRefTypeInfo(td.hreftype, &spRef)))
        return NameOf(spRef.Get());
    const std::pair<VARTYPE, const wchar_t*> names[] = {{VT_BSTR, L"BSTR"},         {VT_I4, L"long"},
                                                        {VT_VARIANT, L"VARIANT"},   {VT_DISPATCH, L"IDispatch*"},
                                                        {VT_UNKNOWN, L"IUnknown*"}, {VT_HRESULT, L"HRESULT"}};
    for (const auto& [vt, name] : names)
        if (vt == td.vt)
            return name;
    return L"vt" + std::to_wstring(td.vt);
}

// The methods of an interface by slot: "slot Name([in] type, ...)", "-" for none.
Lines MethodLines(ITypeInfo* pItf)
{
    TYPEATTR* pAttr = nullptr;
    if (FAILED(pItf->GetTypeAttr(&pAttr)))
        return {};
    Lines lines(pAttr->cbSizeVft / sizeof(void*), L"-");
    for (UINT i = 0; i < pAttr->cFuncs; ++i) {
        FUNCDESC* pfd = nullptr;
        if (FAILED(pItf->GetFuncDesc(i, &pfd)))
            continue;
        std::wstring text = std::to_wstring(pfd->oVft / sizeof(void*)) + L" " + NameOf(pItf, pfd->memid) + L"(";
        for (SHORT p = 0; p < pfd->cParams; ++p) {
            const USHORT f = pfd->lprgelemdescParam[p].paramdesc.wParamFlags;
            text += (p ? L", [" : L"[") + std::wstring(f == PARAMFLAG_FIN    ? L"in"
                                                       : f == PARAMFLAG_FOUT ? L"out"
                                                                             : L"?");
            text += L"] " + TypeText(pItf, pfd->lprgelemdescParam[p].tdesc);
        }
        text += TypeText(pItf, pfd->elemdescFunc.tdesc) == L"HRESULT" ? L")" : L") not HRESULT";
        lines.at(pfd->oVft / sizeof(void*)) = text;
        pItf->ReleaseFuncDesc(pfd);
    }
    pItf->ReleaseTypeAttr(pAttr);
    return lines;
}

// The operations the layer calls, "slot Name([in] type, ...)".
const std::pair<IID, Lines> kHostInterfaces[] = {
    {__uuidof(NewZUR::ITopology),
     {L"9 GetSchema([out] IDataSchema**)", L"20 GetErrorDatabaseService([out] IErrorDatabaseService**)",
      L"21 FireControlEvent([in] long, [in] long, [in] long, [in] VARIANT, [in] VARIANT, [in] long)"}},
    {__uuidof(NewZUR::IDataSchema), {L"32 GetTypeId([in] BSTR, [out] long*)"}},
    {__uuidof(NewZUR::IDataQuery),
     {L"7 Attach([in] ITopology*)", L"8 Select([in] IPropertyData*, [in] BSTR, [out] IDataQueryResult**)"}},
    {__uuidof(NewZUR::IDataQueryResult), {L"8 Next([out] IDispatch**, [out] long*)"}},
    {__uuidof(NewZUR::IPropertyData), {L"7 GetValue([out] VARIANT*)", L"13 GetParent([out] IDataElement**)"}},
    {__uuidof(NewZUR::ICharacteristic), {L"10 GetSubItem([in] BSTR, [out] IUnknown**)"}},
    {__uuidof(NewZUR::IDataElement),
     {L"11 GetPathText([out] BSTR*)", L"12 GetOwningComponent([out] IComponent**)", L"13 GetTypeId([out] long*)"}},
    {__uuidof(NewZUR::IContext), {L"18 OpenKey([in] long, [in] BSTR, [out] IRegistryKey**)"}},
    {__uuidof(NewZUR::IRegistryKey), {L"7 GetCount([out] long*)", L"8 GetItem([in] VARIANT, [out] IRegistryValue**)"}},
    {__uuidof(NewZUR::IRegistryValue), {L"7 GetData([out] VARIANT*)", L"9 GetName([out] BSTR*)"}},
    {__uuidof(NewZUR::IErrorDatabaseService),
     {L"7 Classify([in] long, [out] long*, [in] BSTR, [in] BSTR, [out] BSTR*)"}},
};

TEST(HostInterfaces, OperationsInTheSlotsTheLayerCalls)
{
    ComPtr<ITypeLib> spLib;
    ASSERT_EQ(LoadTypeLibEx((BinaryDirectory() + L"NewZUR.tlb").c_str(), REGKIND_NONE, &spLib), S_OK);
    for (const auto& [iid, operations] : kHostInterfaces) {
        ComPtr<ITypeInfo> spDispatch, spItf;
        HREFTYPE href = 0;
        ASSERT_EQ(spLib->GetTypeInfoOfGuid(iid, &spDispatch), S_OK);
        ASSERT_EQ(spDispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), S_OK); // the dual's interface half
        ASSERT_EQ(spDispatch->GetRefTypeInfo(href, &spItf), S_OK);
        const Lines methods = MethodLines(spItf.Get());
        for (const std::wstring& operation : operations) {
            const size_t nSlot = static_cast<size_t>(std::stoi(operation));
            ASSERT_LT(nSlot, methods.size());
            EXPECT_EQ(methods[nSlot], operation);
        }
    }
}

} // namespace
