// The end-of-test balance really sees a reference or a BSTR that did not come
// back; a check that always passes would hide every leak in the product.
#include <wrl/client.h>
#include "support/DoublesTest.h"
#include "support/MemoryBalance.h"

using Microsoft::WRL::ComPtr;

class Balance : public DoublesTest
{};

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
    for (const wchar_t* text :
         {L"node \"leaky\" with 1 reference(s)", L"assistant \"A\" with 1 reference(s)", L"\"leaked text\""})
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
