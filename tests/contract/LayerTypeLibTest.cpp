// The type library as the built module carries it: every interface, method,
// slot, DISPID, parameter and class that hosts and assistants code against.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "LayerLib2.h"
#include "TypeInfoText.h"
#include "support/TestEnvironment.h"

namespace {

const WORD c_wDual = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;

struct Method
{
    int slot;
    DISPID dispid;
    std::wstring name, params;

    std::wstring Text() const
    {
        return std::to_wstring(slot) + L" " + std::to_wstring(dispid) + L" HRESULT " + name + L"(" + params +
               L") \"method " + name + L"\"";
    }
};

struct Interface
{
    IID iid;
    const wchar_t *name, *doc, *base;
    WORD wTypeFlags;
    std::vector<Method> methods;
};

// The checks shared by IAssist2 and IAssistLayer2, slots 8 to 21.
std::vector<Method> CheckMethods()
{
    const std::wstring err = L"[out] BSTR* pbstrErrMsg, [in] NewZUR.IComponent* piCompRoot, ";
    const std::wstring db = L"[out] BSTR* UUIDOfErrorDB";
    const std::wstring comp = L"[in] NewZUR.IComponent* ";
    const std::wstring chr = L"[in] NewZUR.ICharacteristic* ";
    const std::wstring drag = L", " + comp + L"piCompDest, [in] long bAsChild, " + db;
    const std::wstring insert = err + comp + L"piCompIns" + drag, move = err + comp + L"piCompMove" + drag;
    const std::wstring replace = err + comp + L"piCompPalett, " + comp + L"piCompReplace, " + db;
    const std::wstring connect = err + chr + L"piCharConn1, " + chr + L"piCharConn2, " + db;
    return {
        {8, 2, L"Term", L""},
        {9, 3, L"NewProjectCreated", L""},
        {10, 4, L"CheckNewDevice", L"[out] BSTR* pbstrErrMsg, " + comp + L"piComponent3, " + db},
        {11, 5, L"CheckAll",
         err + L"[out] NewZUR.ICharacteristic** piCharErr1, [out] NewZUR.ICharacteristic** piCharErr2, " + db},
        {12, 6, L"CheckPropertyChange", err + L"[in] NewZUR.IPropertyData* pData, [in] VARIANT vValue, " + db},
        {13, 7, L"CheckInsertDrag", insert},
        {14, 8, L"CheckInsertDrop", insert},
        {15, 9, L"CheckMoveDrag", move},
        {16, 10, L"CheckMoveDrop", move},
        {17, 11, L"CheckReplaceDrag", replace},
        {18, 12, L"CheckReplaceDrop", replace},
        {19, 13, L"CheckConnect", connect},
        {20, 14, L"CheckDisconnect", connect},
        {21, 15, L"CheckDelete", err + comp + L"piComp, " + db},
    };
}

std::vector<Interface> Interfaces()
{
    std::vector<Method> assist2 = {{7, 1, L"Init", L"[in] IDispatch* pdispTopology, [in] IDispatch* pdispLayer"}};
    std::vector<Method> layer = {{7, 1, L"Init", L"[in] IDispatch* pdispTopology"}};
    for (const Method& m : CheckMethods()) {
        assist2.push_back(m);
        layer.push_back(m);
    }
    layer.push_back({22, 16, L"GetProcessedBusName", L"[out] BSTR* pbstrBusname"});
    return {
        {IID_IAssist2, L"IAssist2", L"IAssist2 Interface", L"IDispatch", c_wDual, assist2},
        {IID_IAssist3, L"IAssist3", L"Assist3 Interface", L"IAssist2", c_wDual,
         {{22, 101, L"InitEx", L"[in] IDispatch* pdispTopology, [in] IDispatch* pdispLayer, [in] BSTR bstrProtocol"}}},
        {IID_IAssistLayer2, L"IAssistLayer2", L"IAssistLayer Interface", L"IDispatch", c_wDual, layer},
        {IID_IAssistLayerTest, L"IAssistLayerTest", L"AssistLayer Test Interface", L"IDispatch",
         c_wDual | TYPEFLAG_FHIDDEN,
         {{7, 1, L"Add",
           L"[in] BSTR bstrProtocol, [in] BSTR bstrProgId, [in] IUnknown* punkAssistant, [in] BSTR bstrErrDB"}}},
    };
}

class LayerTypeLib : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(LoadTypeLibEx((BinaryDirectory() + L"Layer.dll").c_str(), REGKIND_NONE, &m_spLib), S_OK);
    }
    ComPtr<ITypeInfo> TypeOf(REFGUID guid)
    {
        ComPtr<ITypeInfo> spInfo;
        EXPECT_EQ(m_spLib->GetTypeInfoOfGuid(guid, &spInfo), S_OK);
        return spInfo;
    }

    ComPtr<ITypeLib> m_spLib;
};

TEST_F(LayerTypeLib, LibraryAttributes)
{
    TLIBATTR attr = LibAttrOf(m_spLib.Get());
    EXPECT_TRUE(IsEqualGUID(attr.guid, LIBID_LAYERLib2));
    EXPECT_EQ(attr.lcid, 1033u);
    EXPECT_EQ(attr.wMajorVerNum, 7);
    EXPECT_EQ(attr.wMinorVerNum, 0);
    EXPECT_EQ(attr.syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    BSTR bstrName = nullptr, bstrDoc = nullptr;
    ASSERT_EQ(m_spLib->GetDocumentation(-1, &bstrName, &bstrDoc, nullptr, nullptr), S_OK);
    EXPECT_STREQ(bstrName, L"LAYERLib2");
    EXPECT_STREQ(bstrDoc, L"Layer Type Library");
    SysFreeString(bstrName);
    SysFreeString(bstrDoc);
    EXPECT_EQ(m_spLib->GetTypeInfoCount(), 6u) << "four interfaces and two classes, nothing of the host's";
}

TEST_F(LayerTypeLib, InterfacesMethodBySlot)
{
    for (const Interface& itf : Interfaces()) {
        SCOPED_TRACE(itf.name);
        ComPtr<ITypeInfo> spDispatch = TypeOf(itf.iid);
        ASSERT_TRUE(spDispatch);
        EXPECT_EQ(AttrOf(spDispatch.Get()).typekind, TKIND_DISPATCH);
        // The dispatch half of a dual interface goes without the automation flag.
        EXPECT_EQ(AttrOf(spDispatch.Get()).wTypeFlags, itf.wTypeFlags & ~TYPEFLAG_FOLEAUTOMATION);
        EXPECT_EQ(NameOf(spDispatch.Get()), itf.name);
        EXPECT_EQ(DocOf(spDispatch.Get()), itf.doc);

        ComPtr<ITypeInfo> spInterface = RefTypeOf(spDispatch.Get(), static_cast<UINT>(-1));
        ASSERT_TRUE(spInterface);
        TYPEATTR attr = AttrOf(spInterface.Get());
        EXPECT_EQ(attr.typekind, TKIND_INTERFACE);
        EXPECT_EQ(attr.wTypeFlags, itf.wTypeFlags);
        EXPECT_TRUE(IsEqualIID(attr.guid, itf.iid));
        EXPECT_EQ(attr.cImplTypes, 1);
        EXPECT_EQ(NameOf(RefTypeOf(spInterface.Get(), 0).Get()), itf.base);
        EXPECT_EQ(attr.cbSizeVft, (itf.methods.back().slot + 1) * sizeof(void*));

        std::vector<std::wstring> methods = MethodTexts(spInterface.Get(), MethodStyle::Full);
        EXPECT_EQ(methods.size(), itf.methods.size());
        for (size_t i = 0; i < methods.size() && i < itf.methods.size(); ++i)
            EXPECT_EQ(methods[i], itf.methods[i].Text());

        // Late binding resolves names through the dispatch half.
        for (const Method& m : itf.methods) {
            LPOLESTR pszName = const_cast<LPOLESTR>(m.name.c_str());
            DISPID dispid = DISPID_UNKNOWN;
            EXPECT_EQ(spDispatch->GetIDsOfNames(&pszName, 1, &dispid), S_OK) << m.name;
            EXPECT_EQ(dispid, m.dispid) << m.name;
        }
    }
}

TEST_F(LayerTypeLib, ClassesWithTheirDefaultInterface)
{
    const struct
    {
        CLSID clsid;
        const wchar_t *name, *doc, *defaultItf, *otherItf;
    } classes[] = {
        {CLSID_AssistLayer2, L"AssistLayer2", L"AssistLayer2 Class", L"IAssistLayer2", L"IAssistLayerTest"},
        {CLSID_ProxyAssistant, L"ProxyAssistant", L"ProxyAssistant Class", L"IAssist3", L"IAssist2"},
    };
    for (const auto& c : classes) {
        SCOPED_TRACE(c.name);
        ComPtr<ITypeInfo> spClass = TypeOf(c.clsid);
        ASSERT_TRUE(spClass);
        TYPEATTR attr = AttrOf(spClass.Get());
        EXPECT_EQ(attr.typekind, TKIND_COCLASS);
        EXPECT_EQ(attr.wTypeFlags, TYPEFLAG_FCANCREATE);
        EXPECT_EQ(NameOf(spClass.Get()), c.name);
        EXPECT_EQ(DocOf(spClass.Get()), c.doc);
        ASSERT_EQ(attr.cImplTypes, 2);
        const wchar_t* names[] = {c.defaultItf, c.otherItf};
        const INT flags[] = {IMPLTYPEFLAG_FDEFAULT, 0};
        for (UINT i = 0; i < 2; ++i) {
            INT implFlags = -1;
            EXPECT_EQ(spClass->GetImplTypeFlags(i, &implFlags), S_OK);
            EXPECT_EQ(implFlags, flags[i]) << i;
            EXPECT_EQ(NameOf(RefTypeOf(spClass.Get(), i).Get()), names[i]);
        }
    }
}

TEST(LayerResources, TypeLibraryAndStringTable)
{
    HMODULE hModule = LoadLibraryExW((BinaryDirectory() + L"Layer.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(hModule, nullptr);
    EXPECT_NE(FindResourceExW(hModule, L"TYPELIB", MAKEINTRESOURCEW(1), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
              nullptr);
    const struct
    {
        UINT id;
        const wchar_t* text;
    } strings[] = {{100, L"Layer"}, {101, L"AssistLayer2 Class"}, {102, L"ProxyAssistant Class"}};
    for (const auto& s : strings) {
        wchar_t szText[256] = L"";
        LoadStringW(hModule, s.id, szText, 256);
        EXPECT_STREQ(szText, s.text) << s.id;
    }
    FreeLibrary(hModule);
}

} // namespace
