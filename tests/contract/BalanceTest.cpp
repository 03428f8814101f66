// The end-of-test balance really sees a reference or a BSTR that did not come
// back; a check that always passes would hide every leak in the product.
#include <wrl/client.h>
#include "support/DoublesTest.h"
#include "support/MemoryBalance.h"

class Balance : public DoublesTest {};

TEST_F(Balance, TaskAllocatorCountsEveryBstr)
{
    ASSERT_TRUE(CMemoryBalance::SpyActive());
    long lBefore = CMemoryBalance::Outstanding();
    BSTR bstrSmall = SysAllocString(L"x");
    BSTR bstrHuge = SysAllocStringLen(nullptr, 1 << 20);
    EXPECT_EQ(CMemoryBalance::Outstanding(), lBefore + 2);
    SysFreeString(bstrSmall);
    SysFreeString(bstrHuge);
    // Without the BSTR cache a freed string goes straight back.
    EXPECT_EQ(CMemoryBalance::Outstanding(), lBefore);
    CVariant v = CVariant::String(L"in a variant");
    EXPECT_EQ(CMemoryBalance::Outstanding(), lBefore + 1);
}

TEST_F(Balance, ReportsLeakedReferenceAndBstr)
{
    CNodeDouble& item = Host().AddItem(L"leaky");
    IUnknown* pLeaked = item.Identity();
    pLeaked->AddRef();
    BSTR bstrLeaked = SysAllocString(L"leaked text");

    std::wstring report = ReleaseDoublesAndReport();
    EXPECT_NE(report.find(L"node \"leaky\" with 1 reference(s)"), std::wstring::npos);
    EXPECT_NE(report.find(L"\"leaked text\""), std::wstring::npos);
    EXPECT_EQ(CLiveDoubles::Count(), 1);
    EXPECT_EQ(CMemoryBalance::Outstanding(), 1);

    pLeaked->Release();
    SysFreeString(bstrLeaked);
    EXPECT_EQ(BalanceReport(), L"");
}

TEST_F(Balance, ReportsAssistantHeldPastTheTest)
{
    CAssistantHandle assistant = NewAssistant(L"A", AssistantKind::Assist3);
    Microsoft::WRL::ComPtr<IUnknown> spHeld = assistant.spUnknown;
    assistant.spUnknown.Reset();
    std::wstring report = ReleaseDoublesAndReport();
    EXPECT_NE(report.find(L"assistant \"A\" with 1 reference(s)"), std::wstring::npos);
    spHeld.Reset();
    EXPECT_FALSE(assistant.spState->IsAlive());
    EXPECT_EQ(BalanceReport(), L"");
}

// The product keeps its type information for the process; loading it inside a
// test must not count as that test's leak.
TEST_F(Balance, TypeLibraryLoadedInATestCostsNothing)
{
    Microsoft::WRL::ComPtr<ITypeLib> spTypeLib;
    ASSERT_EQ(LoadRegTypeLib(LIBID_LAYERLib2, 7, 0, 1033, &spTypeLib), S_OK);
    Microsoft::WRL::ComPtr<ITypeInfo> spTypeInfo;
    ASSERT_EQ(spTypeLib->GetTypeInfoOfGuid(IID_IAssist3, &spTypeInfo), S_OK);
    EXPECT_EQ(CMemoryBalance::Outstanding(), 0);
}
