// What the suites built on the doubles rely on: the end-of-test balance sees a
// reference or a BSTR that did not come back (a check that always passes would
// hide every leak in the product), and the query double answers the two paths
// the layer selects the way the host does.
#include <wrl/client.h>
#include "support/DoublesTest.h"
#include "support/MemoryBalance.h"

using Microsoft::WRL::ComPtr;

class Balance : public DoublesTest {};

TEST_F(Balance, CountsEveryBstrAndReportsWhatDidNotComeBack)
{
    ASSERT_TRUE(CMemoryBalance::SpyActive());
    const long lBefore = CMemoryBalance::Outstanding();
    SysFreeString(SysAllocStringLen(nullptr, 1 << 20));
    // Without the BSTR cache a freed string goes straight back.
    EXPECT_EQ(CMemoryBalance::Outstanding(), lBefore);
    {
        CVariant v = CVariant::String(L"in a variant");
        EXPECT_EQ(CMemoryBalance::Outstanding(), lBefore + 1);
    }
    IUnknown* pLeaked = Host().AddItem(L"leaky").Identity();
    pLeaked->AddRef();
    BSTR bstrLeaked = SysAllocString(L"leaked text");
    CAssistantHandle assistant = NewAssistant(L"A", AssistantKind::Assist3);
    ComPtr<IUnknown> spHeld = assistant.spUnknown;
    assistant.spUnknown.Reset();

    std::wstring report = ReleaseDoublesAndReport();
    for (const wchar_t* text : {L"node \"leaky\" with 1 reference(s)", L"assistant \"A\" with 1 reference(s)", L"\"leaked text\""})
        EXPECT_NE(report.find(text), std::wstring::npos) << text;
    EXPECT_EQ(CLiveDoubles::Count(), 2);
    EXPECT_EQ(CMemoryBalance::Outstanding(), 1);
    pLeaked->Release();
    spHeld.Reset();
    SysFreeString(bstrLeaked);
    EXPECT_EQ(BalanceReport(), L"");
}

// The product keeps its type information for the process; loading it inside a
// test must not count as that test's leak.
TEST_F(Balance, TypeLibraryLoadedInATestCostsNothing)
{
    ComPtr<ITypeLib> spTypeLib;
    ASSERT_EQ(LoadRegTypeLib(LIBID_LAYERLib2, 7, 0, 1033, &spTypeLib), S_OK);
    ComPtr<ITypeInfo> spTypeInfo;
    ASSERT_EQ(spTypeLib->GetTypeInfoOfGuid(IID_IAssist3, &spTypeInfo), S_OK);
    EXPECT_EQ(CMemoryBalance::Outstanding(), 0);
}

// Protocols only below a root item and in insertion order; the owner from an
// attribute; a path the host does not know is refused.
TEST_F(Balance, QueryDoubleAnswersThePathsAsTheHostDoes)
{
    ComPtr<NewZUR::IDataQuery> spQuery;
    ASSERT_EQ(CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spQuery)), S_OK);
    ASSERT_EQ(spQuery->Attach(Host().Topology()), S_OK);
    CNodeDouble& device = Host().AddComponent(L"Dev1");
    CNodeDouble& first = device.AddCommunicationEntity(L"BusA");
    Host().AddComponent(L"Dev2").AddCommunicationEntity(L"BusB");
    CNodeDouble& second = device.AddCommunicationEntity(L"BusC");
    const struct
    {
        CNodeDouble* pContext;
        const wchar_t* path;
        HRESULT hr;
        std::vector<CNodeDouble*> items;
    } cases[] = {
        {&device.Root(), kProtocolPath, S_OK, {&first.Protocol(), &second.Protocol()}},
        {&first, kProtocolPath, S_OK, {}},
        {&second.Protocol(), kOwnerPath, S_OK, {&device.Root()}},
        {&device.Root(), L"deviceInfo", E_INVALIDARG, {}},
    };
    for (const auto& c : cases) {
        ComPtr<NewZUR::IDataQueryResult> spResult;
        EXPECT_EQ(spQuery->Select(c.pContext->AsPropertyData(), CBstr(c.path), &spResult), c.hr) << c.path;
        std::vector<CNodeDouble*> items;
        for (long lFound = 1; spResult && lFound;) {
            ComPtr<IDispatch> spItem;
            HRESULT hrNext = spResult->Next(&spItem, &lFound);
            EXPECT_EQ(hrNext, lFound ? S_OK : S_FALSE);
            if (spItem)
                items.push_back(Host().FindNode(spItem.Get()));
        }
        EXPECT_EQ(items, c.items) << c.path;
    }
}
