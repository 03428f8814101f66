#include "support/DoublesTest.h"
#include "support/MemoryBalance.h"

namespace {
std::string Narrow(const std::wstring& text)
{
    std::string result;
    for (wchar_t ch : text)
        result += ch < 0x80 ? static_cast<char>(ch) : '?';
    return result;
}
} // namespace

void DoublesTest::SetUp()
{
    CCallLog::Clear();
    CLiveDoubles::Forget();
    CMemoryBalance::Mark();
    m_spHost = CHostDouble::Create();
    RegisterHostClasses();
}

void DoublesTest::TearDown()
{
    ReleaseDoubles();
}

CAssistantClass& DoublesTest::RegisterAssistant(std::wstring_view name, std::wstring_view progId, AssistantKind kind)
{
    m_vecAssistantClasses.push_back(std::make_unique<CAssistantClass>(name, progId, kind));
    CAssistantClass& assistantClass = *m_vecAssistantClasses.back();
    EXPECT_EQ(assistantClass.Registered(), S_OK) << Narrow(std::wstring(progId));
    return assistantClass;
}

void DoublesTest::RegisterHostClasses()
{
    auto spQueryClass = m_spHost->NewQueryClassObject();
    auto spContextClass = m_spHost->NewContextClassObject();
    ASSERT_EQ(CoRegisterClassObject(NewZUR::CLSID_DataQuery, spQueryClass.Get(), CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &m_dwQueryCookie),
              S_OK);
    ASSERT_EQ(CoRegisterClassObject(NewZUR::CLSID_Context, spContextClass.Get(), CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &m_dwContextCookie),
              S_OK);
}

void DoublesTest::RevokeHostClasses()
{
    if (m_dwQueryCookie)
        CoRevokeClassObject(m_dwQueryCookie);
    if (m_dwContextCookie)
        CoRevokeClassObject(m_dwContextCookie);
    m_dwQueryCookie = m_dwContextCookie = 0;
}

void DoublesTest::ReleaseDoubles()
{
    if (m_bReleased)
        return;
    m_bReleased = true;
    RevokeHostClasses();
    m_vecAssistantClasses.clear();
    if (m_spHost)
        m_spHost->Dispose();
    m_spHost.reset();
    std::wstring report;
    if (long lLive = CLiveDoubles::Count())
        report += std::to_wstring(lLive) + L" double(s) still alive:\n" + CLiveDoubles::Describe();
    if (long lBlocks = CMemoryBalance::Outstanding())
        report += std::to_wstring(lBlocks) + L" task-memory block(s) not given back:\n" +
                  CMemoryBalance::DescribeOutstanding();
    EXPECT_TRUE(report.empty()) << Narrow(report);
}
