// The debug and trace options, the registry reader behind them and the gate.
#include <functional>
#include "CommonTest.h"
#include "diagnostics/ErrorLog.h"

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
    const struct
    {
        const char* name;
        std::function<void(CRegistryScript&)> configure;
        long lDebug;
        std::vector<std::wstring> rows;
    } cases[] = {
        {"missing in both scopes",
         [](CRegistryScript&) {},
         2,
         {DebugMissing(kAbsent), DebugRow(404, kAbsent, L"Default functionality"), kTraceMissing}},
        {"scope 9 wins",
         [](CRegistryScript& r) {
             r.SetLong(9, kOptions, L"Debug", 1);
             r.SetLong(17, kOptions, L"Debug", 0);
         },
         1,
         {kReturnsFalse, kTraceMissing}},
        {"scope 17 when 9 lacks it",
         [](CRegistryScript& r) { r.SetLong(17, kOptions, L"Debug", 0); },
         0,
         {kReturnsOk, kTraceMissing}},
        {"a value without a row", [](CRegistryScript& r) { r.SetLong(9, kOptions, L"Debug", 7); }, 7, {kTraceMissing}},
        {"a text holding a number",
         [](CRegistryScript& r) { r.SetString(9, kOptions, L"Debug", L"1"); },
         1,
         {kReturnsFalse, kTraceMissing}},
        {"a text that is no number counts as missing",
         [](CRegistryScript& r) {
             r.SetString(9, kOptions, L"Debug", L"one");
             r.SetLong(17, kOptions, L"Debug", 0);
         },
         0,
         {kReturnsOk, kTraceMissing}},
        {"no number in either scope",
         [](CRegistryScript& r) { r.SetString(17, kOptions, L"Debug", L"two"); },
         2,
         {DebugMissing(DISP_E_TYPEMISMATCH), DebugRow(404, DISP_E_TYPEMISMATCH, L"Default functionality"),
          kTraceMissing}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host().registry = CRegistryScript();
        c.configure(Host().registry);
        ClearLog();
        CTestCommon common;
        common.LoadDebugOptions();
        EXPECT_EQ(common.m_lDebugOption, c.lDebug);
        EXPECT_EQ(common.m_lTraceOption, 1);
        EXPECT_EQ(LogRows(), c.rows);
    }
}

// The trace option switches the error log on, never off; the first object of
// the process loses its own option rows, written before the log was on.
TEST_F(CommonTest, TraceOptionSwitchesTheErrorLogOnButNeverOff)
{
    g_bErrorLogEnabled = 0;
    Host().registry.SetLong(9, kOptions, L"Trace", 0);
    Host().registry.SetLong(17, kOptions, L"Trace", 1);
    m_spCommon->LoadDebugOptions();
    EXPECT_EQ(m_spCommon->m_lTraceOption, 0);
    EXPECT_EQ(g_bErrorLogEnabled, 0);

    Host().registry.SetLong(9, kOptions, L"Trace", -3);
    CTestCommon later;
    later.LoadDebugOptions();
    EXPECT_EQ(later.m_lTraceOption, -3);
    EXPECT_EQ(g_bErrorLogEnabled, 1);
    EXPECT_FALSE(LogExists());
    Host().registry.SetLong(9, kOptions, L"Trace", 0);
    CTestCommon().LoadDebugOptions();
    EXPECT_EQ(g_bErrorLogEnabled, 1);
    EXPECT_EQ(LogRows(),
              (std::vector<std::wstring>{DebugMissing(kAbsent), DebugRow(404, kAbsent, L"Default functionality")}));
}

TEST_F(CommonTest, GateAnswersOnlyForZeroAndOne)
{
    for (const auto& [lOption, hrExpected] :
         {std::pair{0L, S_OK}, {1L, E_FAIL}, {2L, E_ABORT}, {7L, E_ABORT}, {-1L, E_ABORT}}) {
        HRESULT hr = E_ABORT;
        m_spCommon->m_lDebugOption = lOption;
        EXPECT_EQ(m_spCommon->DebugGateAnswers(&hr), hrExpected != E_ABORT) << lOption;
        EXPECT_EQ(hr, hrExpected) << lOption;
    }
}

// Every host object of a read is gone when it returns, whichever step failed.
TEST_F(CommonTest, RegistryReadFailsAtEachStepWithTheHostsAnswer)
{
    const std::pair<const char*, std::function<HRESULT(CRegistryScript&)>> cases[] = {
        {"context", [](CRegistryScript& r) { return r.hrCreate = E_ACCESSDENIED; }},
        {"open key",
         [](CRegistryScript& r) {
             r.SetLong(9, kOptions, L"Other", 1);
             return r.Key(9, kOptions).hrOpen = REGDB_E_CLASSNOTREG;
         }},
        {"value by name",
         [](CRegistryScript& r) {
             r.SetLong(9, kOptions, L"Debug", 1);
             return r.Key(9, kOptions).hrItemByName = E_INVALIDARG;
         }},
        {"data", [](CRegistryScript& r) { return r.SetLong(9, kOptions, L"Debug", 1).hrGetData = E_ABORT; }},
        {"conversion",
         [](CRegistryScript& r) {
             r.SetString(9, kOptions, L"Debug", L"1x");
             return DISP_E_TYPEMISMATCH;
         }},
        {"none",
         [](CRegistryScript& r) {
             r.SetString(9, kOptions, L"Debug", L"42");
             return S_OK;
         }},
    };
    for (const auto& [name, configure] : cases) {
        SCOPED_TRACE(name);
        Host().registry = CRegistryScript();
        const HRESULT hrExpected = configure(Host().registry);
        const long lAlive = CLiveDoubles::Count();
        long lValue = -1;
        EXPECT_EQ(ReadRegistryLong(9, kOptions, L"Debug", &lValue), hrExpected);
        EXPECT_EQ(lValue, hrExpected == S_OK ? 42 : -1);
        EXPECT_EQ(CLiveDoubles::Count(), lAlive) << CLiveDoubles::Describe();
    }
    long lValue = 0;
    ReadRegistryLong(17, kOptions, L"Debug", &lValue);
    EXPECT_EQ(Host().registry.lCreated, 2) << "a new context object per read";
    EXPECT_EQ(ReadRegistryLong(9, nullptr, L"Debug", &lValue), E_POINTER);
}
