#include "support/DoublesTest.h"
#include "support/TestEnvironment.h"

void DoublesTest::SetUp()
{
    CCallLog::Clear();
    CLiveDoubles::Forget();
    CMemoryBalance::Mark();
    m_spHost = CHostDouble::Create();
    ASSERT_EQ(m_spHost->RegisterServices(), S_OK);
}

CAssistantClass& DoublesTest::RegisterAssistant(std::wstring_view name, std::wstring_view progId, AssistantKind kind)
{
    m_vecAssistantClasses.push_back(std::make_unique<CAssistantClass>(name, progId, kind));
    EXPECT_EQ(m_vecAssistantClasses.back()->Registered(), S_OK) << std::wstring(progId);
    return *m_vecAssistantClasses.back();
}

void DoublesTest::TearDown()
{
    m_vecAssistantClasses.clear();
    m_spHost->Dispose();
    m_spHost.reset();
    std::wstring report;
    if (long lLive = CLiveDoubles::Count())
        report += std::to_wstring(lLive) + L" double(s) still alive:\n" + CLiveDoubles::Describe();
    if (long lBlocks = CMemoryBalance::Outstanding())
        report += std::to_wstring(lBlocks) + L" task-memory block(s) not given back:\n" +
                  CMemoryBalance::DescribeOutstanding();
    EXPECT_TRUE(report.empty()) << report;
}

void DoublesTest::ClearLog()
{
    DeleteFileW(ErrorLogPath().c_str());
}
