#include "support/DoublesTest.h"
#include <utility>
#include "support/MemoryBalance.h"

void DoublesTest::SetUp()
{
    CCallLog::Clear();
    CLiveDoubles::Forget();
    CMemoryBalance::Mark();
    m_spHost = CHostDouble::Create();
    const std::pair<const CLSID*, Microsoft::WRL::ComPtr<IClassFactory>> classes[] = {
        {&NewZUR::CLSID_DataQuery, m_spHost->NewQueryClassObject()},
        {&NewZUR::CLSID_Context, m_spHost->NewContextClassObject()}};
    for (size_t i = 0; i < 2; ++i)
        ASSERT_EQ(CoRegisterClassObject(*classes[i].first, classes[i].second.Get(), CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &m_adwCookies[i]),
                  S_OK);
}

void DoublesTest::TearDown()
{
    ReleaseDoubles();
}

CAssistantClass& DoublesTest::RegisterAssistant(std::wstring_view name, std::wstring_view progId, AssistantKind kind)
{
    m_vecAssistantClasses.push_back(std::make_unique<CAssistantClass>(name, progId, kind));
    EXPECT_EQ(m_vecAssistantClasses.back()->Registered(), S_OK) << std::string(progId.begin(), progId.end());
    return *m_vecAssistantClasses.back();
}

void DoublesTest::ReleaseDoubles()
{
    if (!m_spHost)
        return;
    for (DWORD& dwCookie : m_adwCookies)
        if (dwCookie)
            CoRevokeClassObject(std::exchange(dwCookie, 0));
    m_vecAssistantClasses.clear();
    m_spHost->Dispose();
    m_spHost.reset();
    std::wstring report;
    if (long lLive = CLiveDoubles::Count())
        report += std::to_wstring(lLive) + L" double(s) still alive:\n" + CLiveDoubles::Describe();
    if (long lBlocks = CMemoryBalance::Outstanding())
        report += std::to_wstring(lBlocks) + L" task-memory block(s) not given back:\n" +
                  CMemoryBalance::DescribeOutstanding();
    EXPECT_TRUE(report.empty()) << std::string(report.begin(), report.end());
}
