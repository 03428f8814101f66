// The control-event trace.
#include "CommonTest.h"
#include "support/MemoryBalance.h"

TEST_F(CommonTest, TraceSendsOneEventWithTheFullText)
{
    const std::wstring text(L"Cx\0y", 4);
    Traced().ZURTrace(text);
    ASSERT_EQ(Host().topology.vecEvents.size(), 1u);
    const CControlEvent& event = Host().topology.vecEvents[0];
    EXPECT_EQ(event.lEvent, 5165);
    EXPECT_EQ(event.lParam1, 0);
    EXPECT_EQ(event.lParam2, 5173);
    EXPECT_EQ(event.arg1.Type(), VT_I4);
    EXPECT_EQ(event.arg1.Long(), 5275);
    EXPECT_EQ(event.arg2.Type(), VT_BSTR);
    EXPECT_EQ(event.arg2.optText, text);
    EXPECT_EQ(event.lParam3, 0);
    EXPECT_FALSE(LogExists());
}

TEST_F(CommonTest, AnyAnswerButOkIsLoggedAndIgnored)
{
    for (HRESULT hr : {S_FALSE, E_FAIL}) {
        Host().topology.hrFireControlEvent = hr;
        ClearLog();
        ResultList results;
        results.push_back(std::make_unique<CAssistResult>(L"P", L"m", S_OK, L"db"));
        EXPECT_EQ(Traced().GetFirstResult(results), results[0].get());
        EXPECT_EQ(LogRows(), std::vector<std::wstring>{Row(L"ERROR", L"ZURTrace", 447, hr, L"FireControlEvent failed.()")});
    }
}

// Off, or before a topology is set, the trace costs two comparisons: nothing
// is allocated, neither from the heap nor from the task allocator (BSTRs).
TEST_F(CommonTest, TraceOffOrWithoutTopologyAllocatesNothing)
{
    const std::wstring text(4000, L'x');
    m_spCommon->m_lTraceOption = 0;
    m_spCommon->m_spTopology = Host().Topology();
    CTestCommon withoutTopology;
    withoutTopology.m_lTraceOption = 1;
    for (CTestCommon* pCommon : {m_spCommon.get(), &withoutTopology}) {
        const long lNew = OperatorNewCalls(), lTask = CMemoryBalance::TotalAllocations();
        pCommon->ZURTrace(text);
        EXPECT_EQ(OperatorNewCalls(), lNew);
        EXPECT_EQ(CMemoryBalance::TotalAllocations(), lTask);
    }
    EXPECT_TRUE(Host().topology.vecEvents.empty());

    // The same measurement sees the text's copy once the trace is on.
    const long lTask = CMemoryBalance::TotalAllocations();
    Traced().ZURTrace(text);
    EXPECT_GT(CMemoryBalance::TotalAllocations(), lTask);
}

// A text too long to copy raises the out-of-memory error, but only once the
// trace is on: off, the text is not even looked at.
TEST_F(CommonTest, TraceTextThatCannotBeCopiedRaisesOutOfMemory)
{
    const std::wstring_view huge(L"x", 0x7FFFFFFF);
    m_spCommon->ZURTrace(huge);
    EXPECT_EQ(ComBoundary([&] { Traced().ZURTrace(huge); return S_OK; }), E_OUTOFMEMORY);
    EXPECT_TRUE(Host().topology.vecEvents.empty());
}
