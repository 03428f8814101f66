// The control-event trace.
#include "CommonTest.h"
#include "support/MemoryBalance.h"

// One event with the full text; any answer but S_OK is logged and ignored.
TEST_F(CommonTest, TraceSendsOneEventAndLogsARefusal)
{
    const std::wstring text(L"Cx\0y", 4);
    Traced().ZURTrace(text);
    ASSERT_EQ(Host().topology.vecEvents.size(), 1u);
    const CControlEvent& event = Host().topology.vecEvents[0];
    EXPECT_EQ(std::vector<long>({event.lEvent, event.lParam1, event.lParam2, event.arg1.Type(), event.arg1.Long(),
                                 event.arg2.Type(), event.lParam3}),
              std::vector<long>({5165, 0, 5173, VT_I4, 5275, VT_BSTR, 0}));
    EXPECT_EQ(event.arg2.optText, text);
    EXPECT_FALSE(LogExists());

    for (HRESULT hr : {S_FALSE, E_FAIL}) {
        Host().topology.hrFireControlEvent = hr;
        ClearLog();
        m_spCommon->ZURTrace(L"t");
        EXPECT_EQ(LogRows(),
                  std::vector<std::wstring>{Row(L"ERROR", L"ZURTrace", 447, hr, L"FireControlEvent failed.()")});
    }
}

// Off, or before a topology is set, the trace costs two comparisons: nothing
// is allocated, neither from the heap nor from the task allocator (BSTRs),
// and a text too long to copy is not even looked at.
TEST_F(CommonTest, TraceOffOrWithoutTopologyAllocatesNothing)
{
    const std::wstring text(4000, L'x');
    const std::wstring_view huge(L"x", 0x7FFFFFFF);
    m_spCommon->m_lTraceOption = 0;
    m_spCommon->m_spTopology = Host().Topology();
    CTestCommon withoutTopology;
    withoutTopology.m_lTraceOption = 1;
    for (CTestCommon* pCommon : {m_spCommon.get(), &withoutTopology}) {
        const long lNew = OperatorNewCalls(), lTask = CMemoryBalance::TotalAllocations();
        pCommon->ZURTrace(text);
        pCommon->ZURTrace(huge);
        EXPECT_EQ(OperatorNewCalls(), lNew);
        EXPECT_EQ(CMemoryBalance::TotalAllocations(), lTask);
    }
    EXPECT_TRUE(Host().topology.vecEvents.empty());

    // The same measurement sees the text's copy once the trace is on; the
    // text that cannot be copied raises the out-of-memory error.
    const long lTask = CMemoryBalance::TotalAllocations();
    Traced().ZURTrace(text);
    EXPECT_GT(CMemoryBalance::TotalAllocations(), lTask);
    EXPECT_EQ(ComBoundary([&] {
                  Traced().ZURTrace(huge);
                  return S_OK;
              }),
              E_OUTOFMEMORY);
    EXPECT_EQ(Host().topology.vecEvents.size(), 1u);
}
