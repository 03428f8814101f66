// The host framework's library: the operations the layer calls sit in the
// vtable slots the host gives them, with the types the layer passes, and the
// C++ declarations carry the library's identities.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "NewZUR.h"
#include "TypeInfoText.h"
#include "support/TestEnvironment.h"

namespace {

struct HostInterface
{
    IID iid;
    const wchar_t* name;
    std::vector<std::wstring> operations; // "slot HRESULT Name([flags] type, ...)"
};

const std::vector<HostInterface>& HostInterfaces()
{
    static const std::vector<HostInterface> interfaces = {
        {NewZUR::IID_ITopology, L"ITopology",
         {L"9 HRESULT GetSchema([out] NewZUR.IDataSchema**)",
          L"20 HRESULT GetErrorDatabaseService([out] NewZUR.IErrorDatabaseService**)",
          L"21 HRESULT FireControlEvent([in] long, [in] long, [in] long, [in] VARIANT, [in] VARIANT, [in] long)"}},
        {NewZUR::IID_IDataSchema, L"IDataSchema", {L"32 HRESULT GetTypeId([in] BSTR, [out] long*)"}},
        {NewZUR::IID_IDataQuery, L"IDataQuery",
         {L"7 HRESULT Attach([in] NewZUR.ITopology*)",
          L"8 HRESULT Select([in] NewZUR.IPropertyData*, [in] BSTR, [out] NewZUR.IDataQueryResult**)"}},
        {NewZUR::IID_IDataQueryResult, L"IDataQueryResult", {L"8 HRESULT Next([out] IDispatch**, [out] long*)"}},
        {NewZUR::IID_IPropertyData, L"IPropertyData",
         {L"7 HRESULT GetValue([out] VARIANT*)", L"13 HRESULT GetParent([out] NewZUR.IDataElement**)"}},
        {NewZUR::IID_ICharacteristic, L"ICharacteristic", {L"10 HRESULT GetSubItem([in] BSTR, [out] IUnknown**)"}},
        {NewZUR::IID_IDataElement, L"IDataElement",
         {L"11 HRESULT GetPathText([out] BSTR*)", L"12 HRESULT GetOwningComponent([out] NewZUR.IComponent**)",
          L"13 HRESULT GetTypeId([out] long*)"}},
        {NewZUR::IID_IComponent, L"IComponent", {}},
        {NewZUR::IID_IContext, L"IContext",
         {L"18 HRESULT OpenKey([in] long, [in] BSTR, [out] NewZUR.IRegistryKey**)"}},
        {NewZUR::IID_IRegistryKey, L"IRegistryKey",
         {L"7 HRESULT GetCount([out] long*)", L"8 HRESULT GetItem([in] VARIANT, [out] NewZUR.IRegistryValue**)"}},
        {NewZUR::IID_IRegistryValue, L"IRegistryValue",
         {L"7 HRESULT GetData([out] VARIANT*)", L"9 HRESULT GetName([out] BSTR*)"}},
        {NewZUR::IID_IErrorDatabaseService, L"IErrorDatabaseService",
         {L"7 HRESULT Classify([in] long, [out] long*, [in] BSTR, [in] BSTR, [out] BSTR*)"}},
    };
    return interfaces;
}

class HostTypeLib : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(LoadTypeLibEx((BinaryDirectory() + L"NewZUR.tlb").c_str(), REGKIND_NONE, &m_spLib), S_OK);
    }

    ComPtr<ITypeLib> m_spLib;
};

TEST_F(HostTypeLib, LibraryAttributes)
{
    TLIBATTR attr = LibAttrOf(m_spLib.Get());
    EXPECT_TRUE(IsEqualGUID(attr.guid, NewZUR::LIBID_NewZUR));
    EXPECT_EQ(attr.wMajorVerNum, 7);
    EXPECT_EQ(attr.wMinorVerNum, 0);
    BSTR bstrName = nullptr;
    ASSERT_EQ(m_spLib->GetDocumentation(-1, &bstrName, nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(bstrName, L"NewZUR");
    SysFreeString(bstrName);
}

TEST_F(HostTypeLib, OperationsInTheirSlots)
{
    for (const HostInterface& itf : HostInterfaces()) {
        SCOPED_TRACE(itf.name);
        ComPtr<ITypeInfo> spDispatch;
        ASSERT_EQ(m_spLib->GetTypeInfoOfGuid(itf.iid, &spDispatch), S_OK);
        EXPECT_EQ(NameOf(spDispatch.Get()), itf.name);
        ComPtr<ITypeInfo> spInterface = RefTypeOf(spDispatch.Get(), static_cast<UINT>(-1));
        ASSERT_TRUE(spInterface);
        EXPECT_EQ(NameOf(RefTypeOf(spInterface.Get(), 0).Get()), L"IDispatch");

        // Slots 7 up to the last operation, none missing, none twice.
        std::vector<std::wstring> methods = MethodTexts(spInterface.Get(), MethodStyle::Slot);
        for (size_t i = 0; i < methods.size(); ++i)
            EXPECT_EQ(std::stoi(methods[i]), static_cast<int>(7 + i)) << methods[i];
        EXPECT_EQ(AttrOf(spInterface.Get()).cbSizeVft, (7 + methods.size()) * sizeof(void*));
        for (const std::wstring& operation : itf.operations) {
            size_t index = static_cast<size_t>(std::stoi(operation) - 7);
            ASSERT_LT(index, methods.size()) << operation;
            EXPECT_EQ(methods[index], operation);
        }
    }
}

TEST_F(HostTypeLib, ClassIdentities)
{
    const struct
    {
        CLSID clsid;
        const wchar_t *name, *defaultItf;
    } classes[] = {{NewZUR::CLSID_DataQuery, L"DataQuery", L"IDataQuery"},
                   {NewZUR::CLSID_Context, L"Context", L"IContext"}};
    for (const auto& c : classes) {
        ComPtr<ITypeInfo> spClass;
        ASSERT_EQ(m_spLib->GetTypeInfoOfGuid(c.clsid, &spClass), S_OK) << c.name;
        EXPECT_EQ(AttrOf(spClass.Get()).typekind, TKIND_COCLASS);
        EXPECT_EQ(NameOf(spClass.Get()), c.name);
        EXPECT_EQ(NameOf(RefTypeOf(spClass.Get(), 0).Get()), c.defaultItf);
    }
}

} // namespace
