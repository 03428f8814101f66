// The debug and trace options read from either scope as the layer is made,
// and the control event that carries a trace. What each Debug value makes
// the checks answer belongs to the random scenarios.
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

} // namespace

// The row names the value taken: scope 9's, else scope 17's, else 2.
TEST_F(CommonTest, DebugOptionFromEitherScopeAndItsRow)
{
    using R = CRegistryScript&;
    const struct
    {
        const char* name;
        Configure configure;
        Rows rows;
    } cases[] = {
        {"missing", [](R) {}, {DebugMissing(kAbsent), DebugRow(404, kAbsent, L"Default functionality"), kTraceMissing}},
        {"scope 9 wins",
         [](R r) { r.SetLong(9, kOptions, L"Debug", 1), r.SetLong(17, kOptions, L"Debug", 0); },
         {DebugRow(401, S_OK, L"Do nothing, returning with SFALSE"), kTraceMissing}},
        {"no row", [](R r) { r.SetLong(9, kOptions, L"Debug", 7); }, {kTraceMissing}},
        {"text",
         [](R r) { r.SetString(9, kOptions, L"Debug", L"one"), r.SetString(17, kOptions, L"Debug", L"0"); },
         {DebugRow(398, S_OK, L"Do nothing, returning with SOK"), kTraceMissing}},
        {"trace set", [](R r) { r.SetLong(9, kOptions, L"Debug", 7), r.SetLong(17, kOptions, L"Trace", 0); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh(c.configure);
        EXPECT_EQ(LogRows(), c.rows);
    }
}

// One event per trace; any answer but S_OK is logged and ignored. Trace 0
// sends none and leaves the log as it found it.
TEST_F(CommonTest, TraceSendsOneEventAndLogsARefusal)
{
    g_bErrorLogEnabled = 0;
    Fresh([](CRegistryScript& r) { r.SetLong(17, kOptions, L"Trace", 0); });
    EXPECT_EQ(Init() | Layer()->NewProjectCreated() | g_bErrorLogEnabled, S_OK);
    EXPECT_TRUE(Host().topology.vecEvents.empty());
    Fresh([](CRegistryScript&) {});
    ASSERT_EQ(Init(), S_OK);
    for (HRESULT hr : {S_OK, S_FALSE, E_FAIL}) {
        Host().topology.hrFireControlEvent = hr;
        Host().topology.vecEvents.clear();
        ClearLog();
        EXPECT_EQ(Layer()->NewProjectCreated(), S_OK);
        ASSERT_EQ(Host().topology.vecEvents.size(), 1u);
        const CControlEvent& event = Host().topology.vecEvents[0];
        EXPECT_EQ(std::vector<long>({event.lEvent, event.lParam1, event.lParam2, event.arg1.Type(), event.arg1.Long(),
                                     event.arg2.Type(), event.lParam3}),
                  std::vector<long>({5165, 0, 5173, VT_I4, 5275, VT_BSTR, 0}));
        EXPECT_EQ(event.arg2.optText, L"CAssistLayer::NewProjectCreated");
        EXPECT_EQ(LogRows(),
                  hr == S_OK ? Rows{} : Rows{Row(L"ERROR", L"ZURTrace", 447, hr, L"FireControlEvent failed.()")});
    }
}
