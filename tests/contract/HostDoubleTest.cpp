// The host double: the query evaluates the two paths the layer selects the
// way the host would (and a test can replace any answer), the tree is linked
// as the builders promise, and the error-database service classifies.
#include <wrl/client.h>
#include "support/DoublesTest.h"

using Microsoft::WRL::ComPtr;

class HostDouble : public DoublesTest
{
protected:
    void SetUp() override
    {
        DoublesTest::SetUp();
        ASSERT_EQ(CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&m_spQuery)), S_OK);
        ASSERT_EQ(m_spQuery->Attach(Host().Topology()), S_OK);
    }
    void TearDown() override
    {
        m_spQuery.Reset();
        DoublesTest::TearDown();
    }

    // The nodes a select gives, walked to the end; the HRESULT of Select.
    HRESULT Select(CNodeDouble& context, const wchar_t* path, std::vector<CNodeDouble*>& items)
    {
        ComPtr<NewZUR::IDataQueryResult> spResult;
        HRESULT hr = m_spQuery->Select(context.AsPropertyData(), CBstr(path), &spResult);
        items.clear();
        for (long lFound = 1; spResult && lFound;) {
            ComPtr<IDispatch> spItem;
            HRESULT hrNext = spResult->Next(&spItem, &lFound);
            EXPECT_EQ(hrNext, lFound ? S_OK : S_FALSE);
            EXPECT_EQ(spItem != nullptr, lFound != 0);
            if (spItem)
                items.push_back(Host().FindNode(spItem.Get()));
        }
        return hr;
    }

    ComPtr<NewZUR::IDataQuery> m_spQuery;
};

TEST_F(HostDouble, ProtocolPathGivesOwnAttributesInInsertionOrder)
{
    CNodeDouble& device = Host().AddComponent(L"Dev1");
    CNodeDouble& other = Host().AddComponent(L"Dev2");
    CNodeDouble& first = device.AddCommunicationEntity(L"BusA");
    other.AddCommunicationEntity(L"BusB");
    CNodeDouble& second = device.AddCommunicationEntity(std::wstring(L"Bus\0C", 5));

    std::vector<CNodeDouble*> items;
    EXPECT_EQ(Select(device.Root(), kProtocolPath, items), S_OK);
    EXPECT_EQ(items, (std::vector<CNodeDouble*>{&first.Protocol(), &second.Protocol()}));
    CVariant v;
    ASSERT_EQ(second.Protocol().AsPropertyData()->GetValue(v.Out()), S_OK);
    EXPECT_EQ(BstrView(v.bstrVal), std::wstring_view(L"Bus\0C", 5));

    // Only below a root item: from the entity itself nothing comes back.
    EXPECT_EQ(Select(first, kProtocolPath, items), S_OK);
    EXPECT_TRUE(items.empty());
    ASSERT_EQ(Host().query.vecSelects.size(), 2u);
    EXPECT_EQ(Host().query.vecSelects[0].pContextNode, &device.Root());
    EXPECT_EQ(Host().query.vecSelects[0].strPath, kProtocolPath);
    EXPECT_EQ(Host().query.vecAttached, (std::vector<const void*>{Host().Topology()}));
}

TEST_F(HostDouble, OwnerPathLeadsBackToTheComponent)
{
    CNodeDouble& device = Host().AddComponent(L"Dev1");
    CNodeDouble& attribute = device.AddCommunicationEntity(L"BusA").Protocol();
    std::vector<CNodeDouble*> items;
    EXPECT_EQ(Select(attribute, kOwnerPath, items), S_OK);
    ASSERT_EQ(items, (std::vector<CNodeDouble*>{&device.Root()}));
    ComPtr<NewZUR::IComponent> spOwner;
    EXPECT_EQ(items[0]->AsDataElement()->GetOwningComponent(&spOwner), S_OK);
    EXPECT_EQ(spOwner.Get(), device.AsComponent());

    Host().query.bOwnerQueryEmpty = true;
    EXPECT_EQ(Select(attribute, kOwnerPath, items), S_OK);
    EXPECT_TRUE(items.empty());
}

TEST_F(HostDouble, OverridesWinPerContextAndCanWithholdTheEnumerator)
{
    CNodeDouble& device = Host().AddComponent(L"Dev1");
    CNodeDouble& other = Host().AddComponent(L"Dev2");
    device.AddCommunicationEntity(L"BusA");
    CNodeDouble& stray = Host().AddItem(L"stray");
    CQueryAnswer answer;
    answer.vecItems = {&stray, &stray};
    Host().query.Override(&device.Root(), kProtocolPath, answer);
    CQueryAnswer none;
    none.hrSelect = E_FAIL;
    none.bNoEnumerator = true;
    Host().query.Override(nullptr, kProtocolPath, none);

    std::vector<CNodeDouble*> items;
    EXPECT_EQ(Select(device.Root(), kProtocolPath, items), S_OK);
    EXPECT_EQ(items, (std::vector<CNodeDouble*>{&stray, &stray}));
    ComPtr<NewZUR::IDataQueryResult> spResult;
    EXPECT_EQ(m_spQuery->Select(other.Root().AsPropertyData(), CBstr(kProtocolPath), &spResult), E_FAIL);
    EXPECT_EQ(spResult.Get(), nullptr);
    // A path the host does not know is refused.
    EXPECT_EQ(m_spQuery->Select(other.Root().AsPropertyData(), CBstr(L"deviceInfo"), &spResult), E_INVALIDARG);
}

TEST_F(HostDouble, TreeLinksAndSwitchedOffInterfaces)
{
    CNodeDouble& device = Host().AddComponent(L"Dev1");
    CNodeDouble& entity = device.AddCommunicationEntity(L"BusA");
    CNodeDouble& port = entity.AddCharacteristic(L"Port");
    CNodeDouble& direct = device.AddCharacteristic(L"Slot");
    EXPECT_EQ(port.Parent(), &entity);
    EXPECT_EQ(entity.Parent(), &device.Root());
    EXPECT_EQ(direct.Parent(), &device.Root());
    EXPECT_EQ(port.Owner(), &device);
    EXPECT_NE(port.optPathText->find(L"communicationEntity"), std::wstring::npos);
    EXPECT_EQ(direct.optPathText->find(L"communicationEntity"), std::wstring::npos);

    ComPtr<IUnknown> spRoot;
    EXPECT_EQ(device.AsCharacteristic()->GetSubItem(CBstr(L"root"), &spRoot), S_OK);
    EXPECT_EQ(spRoot.Get(), device.Root().Identity());
    device.RemoveSubItem(L"root");
    EXPECT_EQ(device.AsCharacteristic()->GetSubItem(CBstr(L"root"), &spRoot), S_FALSE);
    EXPECT_EQ(spRoot.Get(), nullptr);

    long lTypeId = 0;
    ComPtr<NewZUR::IDataSchema> spSchema;
    ASSERT_EQ(Host().Topology()->GetSchema(&spSchema), S_OK);
    ASSERT_EQ(spSchema->GetTypeId(CBstr(L"communicationEntity"), &lTypeId), S_OK);
    EXPECT_EQ(lTypeId, entity.lTypeId);

    port.bDataElement = false;
    ComPtr<NewZUR::IDataElement> spElement;
    EXPECT_EQ(port.Identity()->QueryInterface(IID_PPV_ARGS(&spElement)), E_NOINTERFACE);
    ComPtr<NewZUR::ICharacteristic> spCharacteristic;
    EXPECT_EQ(port.Identity()->QueryInterface(IID_PPV_ARGS(&spCharacteristic)), S_OK);
}

TEST_F(HostDouble, ErrorDatabaseClassesAndText)
{
    Host().errorDb.mapClassByCode[E_FAIL] = 1;
    Host().errorDb.mapClassByMessage[L"minor"] = 2;
    ComPtr<NewZUR::IErrorDatabaseService> spService;
    ASSERT_EQ(Host().Topology()->GetErrorDatabaseService(&spService), S_OK);
    struct
    {
        HRESULT hr;
        const wchar_t* message;
        long lClass;
    } cases[] = {{S_OK, nullptr, 0}, {S_FALSE, nullptr, 2}, {E_POINTER, L"x", 3}, {E_FAIL, nullptr, 1},
                 {E_FAIL, L"minor", 2}};
    for (const auto& c : cases) {
        long lClass = -1;
        CBstr text;
        CBstr message = c.message ? CBstr(c.message) : CBstr();
        EXPECT_EQ(spService->Classify(c.hr, &lClass, message, nullptr, text.Out()), S_OK);
        EXPECT_EQ(lClass, c.lClass) << std::hex << c.hr;
        EXPECT_FALSE(text.IsNull());
    }
    Host().errorDb.bLeaveClass = true;
    Host().errorDb.hrClassify = E_UNEXPECTED;
    long lClass = 42;
    CBstr text;
    EXPECT_EQ(spService->Classify(E_FAIL, &lClass, nullptr, nullptr, text.Out()), E_UNEXPECTED);
    EXPECT_EQ(lClass, 42);
    EXPECT_FALSE(text.IsNull());
    ASSERT_EQ(Host().errorDb.vecCalls.size(), 6u);
    EXPECT_EQ(Host().errorDb.vecCalls[4].optMessage, std::optional<std::wstring>(L"minor"));
    EXPECT_EQ(Host().errorDb.vecCalls[5].lClassIn, 42);
}
