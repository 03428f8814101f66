// The debug and trace options read from either scope, and the control event
// that carries a trace.
#include "CommonTest.h"

namespace {

constexpr HRESULT kAbsent = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
constexpr wchar_t kOptions[] = L"LayerOptions";

std::wstring DebugMissing(HRESULT hr)
{
    return Row(L"WARNING", L"LoadDebugOptions", 391, hr, L"DebugOption not found in registry, using default()");
}
std::wstring DebugRow(long line, HRESULT hr, const wchar_t* detail)
{
    return Row(L"INFO", L"LoadDebugOptions", line, hr, std::wstring(L"Layer Debug options:(") + detail + L")");
}
const std::wstring kTraceMissing = Row(L"WARNING", L"LoadDebugOptions", 419, kAbsent,
                                       L"Trace Option not found in registry, using default = Do Trace()");
const std::wstring kReturnsFalse = DebugRow(401, S_OK, L"Do nothing, returning with SFALSE");
const std::wstring kReturnsOk = DebugRow(398, S_OK, L"Do nothing, returning with SOK");

} // namespace

TEST_F(CommonTest, DebugOptionFromEitherScopeAndItsRow)
{
    using R = CRegistryScript&;
    const struct
    {
        const char* name;
        std::function<void(R)> configure;
        long lDebug;
        std::vector<std::wstring> rows;
    } cases[] = {
        {"missing",
         [](R) {},
         2,
         {DebugMissing(kAbsent), DebugRow(404, kAbsent, L"Default functionality"), kTraceMissing}},
        {"scope 9 wins",
         [](R r) { r.SetLong(9, kOptions, L"Debug", 1), r.SetLong(17, kOptions, L"Debug", 0); },
         1,
         {kReturnsFalse, kTraceMissing}},
        {"no row", [](R r) { r.SetLong(9, kOptions, L"Debug", 7); }, 7, {kTraceMissing}},
        {"text",
         [](R r) { r.SetString(9, kOptions, L"Debug", L"one"), r.SetString(17, kOptions, L"Debug", L"0"); },
         0,
         {kReturnsOk, kTraceMissing}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTestCommon& common = Fresh(c.configure);
        common.LoadDebugOptions();
        EXPECT_EQ(common.m_lDebugOption, c.lDebug);
        EXPECT_EQ(common.m_lTraceOption, 1);
        EXPECT_EQ(LogRows(), c.rows);
    }
}

// One event with the full text; any answer but S_OK is logged and ignored.
TEST_F(CommonTest, TraceSendsOneEventAndLogsARefusal)
{
    const std::wstring text(L"Cx\0y", 4);
    m_spCommon->m_lTraceOption = 1;
    m_spCommon->m_spTopology = Host().Topology();
    m_spCommon->ZURTrace(text);
    ASSERT_EQ(Host().topology.vecEvents.size(), 1u);
    const CControlEvent& event = Host().topology.vecEvents[0];
    EXPECT_EQ(std::vector<long>({event.lEvent, event.lParam1, event.lParam2, event.arg1.Type(), event.arg1.Long(),
                                 event.arg2.Type(), event.lParam3}),
              std::vector<long>({5165, 0, 5173, VT_I4, 5275, VT_BSTR, 0}));
    EXPECT_EQ(event.arg2.optText, text);
    EXPECT_EQ(LogRows(), std::vector<std::wstring>{});
    for (HRESULT hr : {S_FALSE, E_FAIL}) {
        Host().topology.hrFireControlEvent = hr;
        ClearLog();
        m_spCommon->ZURTrace(L"t");
        EXPECT_EQ(LogRows(),
                  std::vector<std::wstring>{Row(L"ERROR", L"ZURTrace", 447, hr, L"FireControlEvent failed.()")});
    }
}
