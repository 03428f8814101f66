// The type libraries as built: every interface, slot, DISPID, parameter and
// class that hosts and assistants code against, and the host's operations in
// the slots the layer calls them through. One text line per method, so that
// a difference reads plainly.
#include <windows.h>
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <sstream>
#include <string>
#include <vector>
#include "LayerLib2.h"
#include "NewZUR.h"
#include "support/TestEnvironment.h"

using Microsoft::WRL::ComPtr;
using Lines = std::vector<std::wstring>;

namespace {

std::wstring Take(BSTR bstr)
{
    std::wstring text = bstr ? bstr : L"";
    SysFreeString(bstr);
    return text;
}

std::wstring NameOf(ITypeInfo* pInfo, MEMBERID memid = MEMBERID_NIL, bool bDoc = false)
{
    BSTR bstr = nullptr;
    if (pInfo)
        pInfo->GetDocumentation(memid, bDoc ? nullptr : &bstr, bDoc ? &bstr : nullptr, nullptr, nullptr);
    return Take(bstr);
}

// The type an implementation slot refers to (-1: the interface half of a dual).
ComPtr<ITypeInfo> RefTypeOf(ITypeInfo* pInfo, UINT index)
{
    HREFTYPE href = 0;
    ComPtr<ITypeInfo> spRef;
    if (pInfo && SUCCEEDED(pInfo->GetRefTypeOfImplType(index, &href)))
        pInfo->GetRefTypeInfo(href, &spRef);
    return spRef;
}

TYPEATTR AttrOf(ITypeInfo* pInfo)
{
    TYPEATTR attr{}, *pAttr = nullptr;
    if (pInfo && SUCCEEDED(pInfo->GetTypeAttr(&pAttr))) {
        attr = *pAttr;
        pInfo->ReleaseTypeAttr(pAttr);
    }
    return attr;
}

// "BSTR*", "long", "IDispatch*"; a type of a library carries its name: "NewZUR.IComponent*".
std::wstring TypeText(ITypeInfo* pInfo, const TYPEDESC& td)
{
    switch (td.vt) {
    case VT_PTR:
        return TypeText(pInfo, *td.lptdesc) + L"*";
    case VT_USERDEFINED: {
        ComPtr<ITypeInfo> spRef;
        ComPtr<ITypeLib> spLib;
        UINT index = 0;
        BSTR bstrLib = nullptr;
        if (SUCCEEDED(pInfo->GetRefTypeInfo(td.hreftype, &spRef)) &&
            SUCCEEDED(spRef->GetContainingTypeLib(&spLib, &index)))
            spLib->GetDocumentation(-1, &bstrLib, nullptr, nullptr, nullptr);
        return Take(bstrLib) + L"." + NameOf(spRef.Get());
    }
    }
    const struct
    {
        VARTYPE vt;
        const wchar_t* name;
    } names[] = {{VT_BSTR, L"BSTR"},           {VT_I4, L"long"},           {VT_VARIANT, L"VARIANT"},
                 {VT_DISPATCH, L"IDispatch*"}, {VT_UNKNOWN, L"IUnknown*"}, {VT_HRESULT, L"HRESULT"}};
    for (const auto& n : names)
        if (n.vt == td.vt)
            return n.name;
    return L"vt" + std::to_wstring(td.vt);
}

// The methods of an interface half in slot order: "slot [dispid] Name([in] type [name], ...)".
// A return type other than HRESULT, a doc string other than "method Name" and
// anything but a plain virtual method are appended.
Lines MethodLines(ITypeInfo* pItf, bool bFull)
{
    std::vector<std::pair<SHORT, std::wstring>> methods;
    for (UINT i = 0; i < AttrOf(pItf).cFuncs; ++i) {
        FUNCDESC* pfd = nullptr;
        if (FAILED(pItf->GetFuncDesc(i, &pfd)))
            continue;
        BSTR rgNames[16] = {};
        UINT cNames = 0;
        pItf->GetNames(pfd->memid, rgNames, 16, &cNames);
        Lines names;
        for (UINT n = 0; n < 16; ++n)
            names.push_back(Take(rgNames[n]));
        std::wstring text = std::to_wstring(pfd->oVft / static_cast<SHORT>(sizeof(void*))) + L" ";
        text += (bFull ? std::to_wstring(pfd->memid) + L" " : L"") + names[0] + L"(";
        for (SHORT p = 0; p < pfd->cParams; ++p) {
            const ELEMDESC& param = pfd->lprgelemdescParam[p];
            USHORT f = param.paramdesc.wParamFlags;
            text += (p ? L", [" : L"[") + (f == PARAMFLAG_FIN    ? L"in"
                                           : f == PARAMFLAG_FOUT ? L"out"
                                                                 : L"flags " + std::to_wstring(f));
            text += L"] " + TypeText(pItf, param.tdesc) + (bFull ? L" " + names[p + 1] : L"");
        }
        text += L")";
        if (TypeText(pItf, pfd->elemdescFunc.tdesc) != L"HRESULT")
            text += L" returns " + TypeText(pItf, pfd->elemdescFunc.tdesc);
        if (bFull && NameOf(pItf, pfd->memid, true) != L"method " + names[0])
            text += L" \"" + NameOf(pItf, pfd->memid, true) + L"\"";
        if (pfd->funckind != FUNC_PUREVIRTUAL || pfd->invkind != INVOKE_FUNC || pfd->callconv != CC_STDCALL)
            text += L" (not a plain virtual method)";
        methods.emplace_back(pfd->oVft, text);
        pItf->ReleaseFuncDesc(pfd);
    }
    std::stable_sort(methods.begin(), methods.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    Lines lines;
    for (auto& m : methods)
        lines.push_back(m.second);
    return lines;
}

// The checks IAssist2 and IAssistLayer2 share, slots 8 to 21.
Lines CheckLines()
{
    const std::wstring err = L"[out] BSTR* pbstrErrMsg, [in] NewZUR.IComponent* piCompRoot, ",
                       db = L"[out] BSTR* UUIDOfErrorDB)";
    const std::wstring comp = L"[in] NewZUR.IComponent* ", chr = L"[in] NewZUR.ICharacteristic* ";
    const std::wstring dest = comp + L"piCompDest, [in] long bAsChild, " + db;
    const std::wstring replace = err + comp + L"piCompPalett, " + comp + L"piCompReplace, " + db;
    const std::wstring connect = err + chr + L"piCharConn1, " + chr + L"piCharConn2, " + db;
    return {L"8 2 Term()",
            L"9 3 NewProjectCreated()",
            L"10 4 CheckNewDevice([out] BSTR* pbstrErrMsg, " + comp + L"piComponent3, " + db,
            L"11 5 CheckAll(" + err +
                L"[out] NewZUR.ICharacteristic** piCharErr1, [out] NewZUR.ICharacteristic** piCharErr2, " + db,
            L"12 6 CheckPropertyChange(" + err + L"[in] NewZUR.IPropertyData* pData, [in] VARIANT vValue, " + db,
            L"13 7 CheckInsertDrag(" + err + comp + L"piCompIns, " + dest,
            L"14 8 CheckInsertDrop(" + err + comp + L"piCompIns, " + dest,
            L"15 9 CheckMoveDrag(" + err + comp + L"piCompMove, " + dest,
            L"16 10 CheckMoveDrop(" + err + comp + L"piCompMove, " + dest,
            L"17 11 CheckReplaceDrag(" + replace,
            L"18 12 CheckReplaceDrop(" + replace,
            L"19 13 CheckConnect(" + connect,
            L"20 14 CheckDisconnect(" + connect,
            L"21 15 CheckDelete(" + err + comp + L"piComp, " + db};
}

struct Interface
{
    IID iid;
    const wchar_t *name, *doc, *base;
    WORD wTypeFlags;
    Lines methods;
};

std::vector<Interface> LayerInterfaces()
{
    const WORD dual = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
    Lines assist2 = {L"7 1 Init([in] IDispatch* pdispTopology, [in] IDispatch* pdispLayer)"};
    Lines layer = {L"7 1 Init([in] IDispatch* pdispTopology)"};
    for (const std::wstring& line : CheckLines()) {
        assist2.push_back(line);
        layer.push_back(line);
    }
    layer.push_back(L"22 16 GetProcessedBusName([out] BSTR* pbstrBusname)");
    return {
        {IID_IAssist2, L"IAssist2", L"IAssist2 Interface", L"IDispatch", dual, assist2},
        {IID_IAssist3,
         L"IAssist3",
         L"Assist3 Interface",
         L"IAssist2",
         dual,
         {L"22 101 InitEx([in] IDispatch* pdispTopology, [in] IDispatch* pdispLayer, [in] BSTR bstrProtocol)"}},
        {IID_IAssistLayer2, L"IAssistLayer2", L"IAssistLayer Interface", L"IDispatch", dual, layer},
        {IID_IAssistLayerTest,
         L"IAssistLayerTest",
         L"AssistLayer Test Interface",
         L"IDispatch",
         dual | TYPEFLAG_FHIDDEN,
         {L"7 1 Add([in] BSTR bstrProtocol, [in] BSTR bstrProgId, [in] IUnknown* punkAssistant, [in] BSTR bstrErrDB)"}},
    };
}

// The host operations the layer calls, "slot Name([in] type, ...)".
const struct
{
    IID iid;
    const wchar_t* name;
    Lines operations;
} c_hostInterfaces[] = {
    {NewZUR::IID_ITopology,
     L"ITopology",
     {L"9 GetSchema([out] NewZUR.IDataSchema**)", L"20 GetErrorDatabaseService([out] NewZUR.IErrorDatabaseService**)",
      L"21 FireControlEvent([in] long, [in] long, [in] long, [in] VARIANT, [in] VARIANT, [in] long)"}},
    {NewZUR::IID_IDataSchema, L"IDataSchema", {L"32 GetTypeId([in] BSTR, [out] long*)"}},
    {NewZUR::IID_IDataQuery,
     L"IDataQuery",
     {L"7 Attach([in] NewZUR.ITopology*)",
      L"8 Select([in] NewZUR.IPropertyData*, [in] BSTR, [out] NewZUR.IDataQueryResult**)"}},
    {NewZUR::IID_IDataQueryResult, L"IDataQueryResult", {L"8 Next([out] IDispatch**, [out] long*)"}},
    {NewZUR::IID_IPropertyData,
     L"IPropertyData",
     {L"7 GetValue([out] VARIANT*)", L"13 GetParent([out] NewZUR.IDataElement**)"}},
    {NewZUR::IID_ICharacteristic, L"ICharacteristic", {L"10 GetSubItem([in] BSTR, [out] IUnknown**)"}},
    {NewZUR::IID_IDataElement,
     L"IDataElement",
     {L"11 GetPathText([out] BSTR*)", L"12 GetOwningComponent([out] NewZUR.IComponent**)",
      L"13 GetTypeId([out] long*)"}},
    {NewZUR::IID_IComponent, L"IComponent", {}},
    {NewZUR::IID_IContext, L"IContext", {L"18 OpenKey([in] long, [in] BSTR, [out] NewZUR.IRegistryKey**)"}},
    {NewZUR::IID_IRegistryKey,
     L"IRegistryKey",
     {L"7 GetCount([out] long*)", L"8 GetItem([in] VARIANT, [out] NewZUR.IRegistryValue**)"}},
    {NewZUR::IID_IRegistryValue, L"IRegistryValue", {L"7 GetData([out] VARIANT*)", L"9 GetName([out] BSTR*)"}},
    {NewZUR::IID_IErrorDatabaseService,
     L"IErrorDatabaseService",
     {L"7 Classify([in] long, [out] long*, [in] BSTR, [in] BSTR, [out] BSTR*)"}},
};

class TypeLib : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(LoadTypeLibEx((BinaryDirectory() + L"Layer.dll").c_str(), REGKIND_NONE, &m_spLayer), S_OK);
        ASSERT_EQ(LoadTypeLibEx((BinaryDirectory() + L"NewZUR.tlb").c_str(), REGKIND_NONE, &m_spHost), S_OK);
    }
    static ComPtr<ITypeInfo> TypeOf(ITypeLib* pLib, REFGUID guid)
    {
        ComPtr<ITypeInfo> spInfo;
        EXPECT_EQ(pLib->GetTypeInfoOfGuid(guid, &spInfo), S_OK);
        return spInfo;
    }

    ComPtr<ITypeLib> m_spLayer, m_spHost;
};

TEST_F(TypeLib, LibraryAttributes)
{
    const struct
    {
        ITypeLib* pLib;
        GUID guid;
    } libs[] = {{m_spLayer.Get(), LIBID_LAYERLib2}, {m_spHost.Get(), NewZUR::LIBID_NewZUR}};
    for (const auto& lib : libs) {
        TLIBATTR* pAttr = nullptr;
        ASSERT_EQ(lib.pLib->GetLibAttr(&pAttr), S_OK);
        EXPECT_TRUE(IsEqualGUID(pAttr->guid, lib.guid));
        EXPECT_EQ(pAttr->wMajorVerNum * 100 + pAttr->wMinorVerNum, 700);
        if (lib.pLib == m_spLayer.Get()) {
            EXPECT_EQ(pAttr->lcid, 1033u);
            EXPECT_EQ(pAttr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
        }
        lib.pLib->ReleaseTLibAttr(pAttr);
    }
    BSTR bstrName = nullptr, bstrDoc = nullptr, bstrHost = nullptr;
    ASSERT_EQ(m_spLayer->GetDocumentation(-1, &bstrName, &bstrDoc, nullptr, nullptr), S_OK);
    ASSERT_EQ(m_spHost->GetDocumentation(-1, &bstrHost, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(bstrName) + L"|" + Take(bstrDoc) + L"|" + Take(bstrHost), L"LAYERLib2|Layer Type Library|NewZUR");
    EXPECT_EQ(m_spLayer->GetTypeInfoCount(), 6u) << "four interfaces and two classes, nothing of the host's";
}

TEST_F(TypeLib, LayerInterfacesMethodBySlot)
{
    for (const Interface& itf : LayerInterfaces()) {
        SCOPED_TRACE(itf.name);
        ComPtr<ITypeInfo> spDispatch = TypeOf(m_spLayer.Get(), itf.iid);
        ComPtr<ITypeInfo> spItf = RefTypeOf(spDispatch.Get(), static_cast<UINT>(-1));
        ASSERT_TRUE(spItf);
        TYPEATTR dispAttr = AttrOf(spDispatch.Get()), attr = AttrOf(spItf.Get());
        EXPECT_EQ(dispAttr.typekind, TKIND_DISPATCH);
        // The dispatch half of a dual interface goes without the automation flag.
        EXPECT_EQ(dispAttr.wTypeFlags, itf.wTypeFlags & ~TYPEFLAG_FOLEAUTOMATION);
        EXPECT_EQ(NameOf(spDispatch.Get()), itf.name);
        EXPECT_EQ(NameOf(spDispatch.Get(), MEMBERID_NIL, true), itf.doc);
        EXPECT_EQ(attr.typekind, TKIND_INTERFACE);
        EXPECT_EQ(attr.wTypeFlags, itf.wTypeFlags);
        EXPECT_TRUE(IsEqualIID(attr.guid, itf.iid));
        EXPECT_EQ(attr.cImplTypes, 1);
        EXPECT_EQ(NameOf(RefTypeOf(spItf.Get(), 0).Get()), itf.base);
        EXPECT_EQ(attr.cbSizeVft, (std::stoi(itf.methods.back()) + 1) * sizeof(void*));
        EXPECT_EQ(MethodLines(spItf.Get(), true), itf.methods);
        // Late binding resolves names through the dispatch half.
        for (const std::wstring& line : itf.methods) {
            std::wistringstream in(line);
            int slot = 0;
            DISPID expected = 0, dispid = DISPID_UNKNOWN;
            std::wstring name;
            in >> slot >> expected >> name;
            name.erase(name.find(L'('));
            LPOLESTR pszName = name.data();
            EXPECT_EQ(spDispatch->GetIDsOfNames(&pszName, 1, &dispid), S_OK) << name;
            EXPECT_EQ(dispid, expected) << name;
        }
    }
}

TEST_F(TypeLib, HostOperationsInTheirSlots)
{
    for (const auto& itf : c_hostInterfaces) {
        SCOPED_TRACE(itf.name);
        ComPtr<ITypeInfo> spDispatch = TypeOf(m_spHost.Get(), itf.iid);
        EXPECT_EQ(NameOf(spDispatch.Get()), itf.name);
        ComPtr<ITypeInfo> spItf = RefTypeOf(spDispatch.Get(), static_cast<UINT>(-1));
        ASSERT_TRUE(spItf);
        EXPECT_EQ(NameOf(RefTypeOf(spItf.Get(), 0).Get()), L"IDispatch");
        // Slots 7 up to the last operation, none missing, none twice.
        Lines methods = MethodLines(spItf.Get(), false);
        for (size_t i = 0; i < methods.size(); ++i)
            EXPECT_EQ(std::stoi(methods[i]), static_cast<int>(7 + i)) << methods[i];
        EXPECT_EQ(AttrOf(spItf.Get()).cbSizeVft, (7 + methods.size()) * sizeof(void*));
        for (const std::wstring& operation : itf.operations) {
            size_t index = static_cast<size_t>(std::stoi(operation) - 7);
            ASSERT_LT(index, methods.size()) << operation;
            EXPECT_EQ(methods[index], operation);
        }
    }
}

TEST_F(TypeLib, ClassesWithTheirDefaultInterface)
{
    const struct
    {
        bool bLayer;
        CLSID clsid;
        const wchar_t *name, *doc, *defaultItf, *otherItf; // the host's classes: name and default only
    } classes[] = {
        {true, CLSID_AssistLayer2, L"AssistLayer2", L"AssistLayer2 Class", L"IAssistLayer2", L"IAssistLayerTest"},
        {true, CLSID_ProxyAssistant, L"ProxyAssistant", L"ProxyAssistant Class", L"IAssist3", L"IAssist2"},
        {false, NewZUR::CLSID_DataQuery, L"DataQuery", nullptr, L"IDataQuery", nullptr},
        {false, NewZUR::CLSID_Context, L"Context", nullptr, L"IContext", nullptr},
    };
    for (const auto& c : classes) {
        SCOPED_TRACE(c.name);
        ComPtr<ITypeInfo> spClass = TypeOf(c.bLayer ? m_spLayer.Get() : m_spHost.Get(), c.clsid);
        TYPEATTR attr = AttrOf(spClass.Get());
        EXPECT_EQ(attr.typekind, TKIND_COCLASS);
        EXPECT_EQ(NameOf(spClass.Get()), c.name);
        EXPECT_EQ(NameOf(RefTypeOf(spClass.Get(), 0).Get()), c.defaultItf);
        if (!c.bLayer)
            continue;
        EXPECT_EQ(attr.wTypeFlags, TYPEFLAG_FCANCREATE);
        EXPECT_EQ(NameOf(spClass.Get(), MEMBERID_NIL, true), c.doc);
        ASSERT_EQ(attr.cImplTypes, 2);
        EXPECT_EQ(NameOf(RefTypeOf(spClass.Get(), 1).Get()), c.otherItf);
        INT flags[2] = {-1, -1};
        spClass->GetImplTypeFlags(0, &flags[0]);
        spClass->GetImplTypeFlags(1, &flags[1]);
        EXPECT_EQ(flags[0], IMPLTYPEFLAG_FDEFAULT);
        EXPECT_EQ(flags[1], 0);
    }
}

// The module carries its type library and string table, and exports the four
// entry points undecorated.
TEST(LayerModule, ResourcesAndExports)
{
    HMODULE hModule = LoadLibraryW((BinaryDirectory() + L"Layer.dll").c_str());
    ASSERT_NE(hModule, nullptr);
    EXPECT_NE(FindResourceExW(hModule, L"TYPELIB", MAKEINTRESOURCEW(1), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
              nullptr);
    const wchar_t* strings[] = {L"Layer", L"AssistLayer2 Class", L"ProxyAssistant Class"};
    for (UINT id = 100; id < 103; ++id) {
        wchar_t szText[256] = L"";
        LoadStringW(hModule, id, szText, 256);
        EXPECT_STREQ(szText, strings[id - 100]) << id;
    }
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_NE(GetProcAddress(hModule, name), nullptr) << name;
    FreeLibrary(hModule);
}

} // namespace
