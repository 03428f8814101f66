// What the layer reads of the host's configuration: the debug and trace
// options as it is made, and the control event that carries a trace; the
// assistant catalogue as its Init loads it: both scopes, the steps that stop
// a scope and their rows, and the catalogue's order. What each Debug value
// makes the checks answer belongs to the random scenarios.
#include "CommonTest.h"
#include "support/ImportHook.h"

IMPORT_SLOT(CoCreateInstance, 20);

namespace {

constexpr HRESULT kAbsent = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
// Failures of the host, told apart by their numbers.
constexpr HRESULT kHost1 = static_cast<HRESULT>(0x80040001), kHost2 = kHost1 + 1, kHost3 = kHost1 + 2;
constexpr auto& kBindings = LayerNames::kAssistantsKey;
constexpr auto& kErrorDBs = LayerNames::kErrorDBsKey;
constexpr auto& kOptions = LayerNames::kOptionsKey;
constexpr auto& kDebug = LayerNames::kDebugValue;
constexpr auto& kTrace = LayerNames::kTraceValue;
constexpr long kS1 = LayerNames::kFirstScope, kS2 = LayerNames::kSecondScope; // in reading order

using Names = std::vector<std::wstring>;

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
std::wstring NoAssistant(HRESULT hr)
{
    return Row(L"ERROR", L"LoadAssistants", 149, hr, L"Cannot find assistant.()");
}
std::wstring NoContext(HRESULT hr)
{
    return Row(L"ERROR", L"LoadAssistants", 167, hr, L"Cannot create instance of context.()");
}
std::wstring NotCreated(HRESULT hr, const std::wstring& progId)
{
    return Row(L"ERROR", L"InsertProtocolBusEntryIntoMap", 116, hr,
               L"Cannot create instance of assistant.(" + progId + L")");
}

CLSID g_clsidFalse;
decltype(&CoCreateInstance) g_pfnCreate;

// Answers S_FALSE for what it creates of the class g_clsidFalse: the runtime
// passes no other success code on, but the catalogue must not count on it.
HRESULT WINAPI CreateFalse(REFCLSID clsid, IUnknown* pOuter, DWORD dwContext, REFIID riid, void** ppv)
{
    const HRESULT hr = g_pfnCreate(clsid, pOuter, dwContext, riid, ppv);
    return hr == S_OK && IsEqualCLSID(clsid, g_clsidFalse) ? S_FALSE : hr;
}

class Catalogue : public CommonTest
{
protected:
    // A new layer over the registry configure sets up, and its first Init.
    HRESULT Load(const Configure& configure)
    {
        Fresh(configure);
        ClearLog(); // the options' rows
        CCallLog::Clear();
        CAssistOrder::All().clear();
        return Init();
    }
    // The protocols the started assistants were told, in the order they started.
    static Names Started()
    {
        Names protocols;
        for (const CAssistOrder& call : CAssistOrder::All())
            if (call.nSlot == kSlotInitEx)
                protocols.push_back(*call.pState->LastCallOf(L"InitEx")->optProtocol);
        return protocols;
    }
};

} // namespace

TEST_F(Catalogue, SecondScopeReplacesTheFirstsEntry)
{
    RegisterAssistant(L"A", L"Test.A");
    CAssistantClass& b = RegisterAssistant(L"B", L"Test.B");
    EXPECT_EQ(Load([](CRegistryScript& r) { r.Bind(kS1, L"", L"P", L"Test.A"), r.Bind(kS2, L"", L"P", L"Test.B"); }),
              S_OK);
    EXPECT_EQ(CCallLog::Only({L"A.", L"B."}), (Texts{L"A.Create", L"B.Create", L"B.InitEx"}));
    b.Script().AnswerAll(CAnswer::Of(E_FAIL));
    EXPECT_EQ(Run(Check(L"CheckDelete"), {nullptr, Host().AddComponent(L"c", {L"P"}).AsComponent()}), E_FAIL);
    EXPECT_EQ(Text(m_bstrDB), L"db P 17");
    EXPECT_EQ(LogRows(), Rows{});
}

// P1, P2 and P3 bound in scope 9, and a configuration on top. Where it sets
// options: the rows of making the layer, which name the debug value taken
// (scope 9's, else scope 17's, else 2). Else a step failing at P2: Init's
// answer, the rows, the assistants started and, where a scope stopped,
// nothing read after the stop.
TEST_F(Catalogue, EachOptionAndEachStepThatStopsAScopeAndTheirRows)
{
    using R = CRegistryScript&;
    const struct
    {
        const char* name;
        Configure configure;
        std::optional<HRESULT> optInit; // none: made, not started
        Rows rows;
        Names started{};
    } cases[] = {
        {"missing",
         [](R) {},
         {},
         {DebugMissing(kAbsent), DebugRow(404, kAbsent, L"Default functionality"), kTraceMissing}},
        {"scope 9 wins",
         [](R r) { r.SetLong(kS1, kOptions, kDebug, 1), r.SetLong(kS2, kOptions, kDebug, 0); },
         {},
         {DebugRow(401, S_OK, L"Do nothing, returning with SFALSE"), kTraceMissing}},
        {"no row", [](R r) { r.SetLong(kS1, kOptions, kDebug, 7); }, {}, {kTraceMissing}},
        {"text",
         [](R r) { r.SetString(kS1, kOptions, kDebug, L"one"), r.SetString(kS2, kOptions, kDebug, L"0"); },
         {},
         {DebugRow(398, S_OK, L"Do nothing, returning with SOK"), kTraceMissing}},
        {"trace set", [](R r) { r.SetLong(kS1, kOptions, kDebug, 7), r.SetLong(kS2, kOptions, kTrace, 0); }, {}, {}},
        {"none", [](R) {}, S_OK, {}, {L"P1", L"P2", L"P3"}},
        {"no keys", [](R r) { r.ClearKeys(); }, S_OK, {NoAssistant(S_FALSE)}},
        {"context",
         [](R r) { r.hrCreate = REGDB_E_CLASSNOTREG; },
         E_FAIL,
         {NoContext(REGDB_E_CLASSNOTREG), NoContext(REGDB_E_CLASSNOTREG), NoAssistant(REGDB_E_CLASSNOTREG)}},
        {"open key", [](R r) { r.Key(kS1, kErrorDBs).hrOpen = E_ACCESSDENIED; }, S_OK, {NoAssistant(S_FALSE)}},
        {"count", [](R r) { r.Key(kS1, kBindings).hrGetCount = E_UNEXPECTED; }, S_OK, {NoAssistant(E_UNEXPECTED)}},
        {"count 0", [](R r) { r.Key(kS1, kBindings).optCount = 0; }, S_OK, {NoAssistant(S_FALSE)}},
        {"item", [](R r) { r.Key(kS1, kErrorDBs).hrItemByName = kHost1; }, S_OK, {NoAssistant(kHost1)}},
        {"ProgID",
         [](R r) { r.Key(kS1, kBindings).Find(L"P2")->hrGetData = kHost2; },
         S_OK,
         {NoAssistant(kHost2)},
         {L"P1"}},
        {"error database",
         [](R r) { r.Key(kS1, kErrorDBs).Find(L"P2")->hrGetData = kHost3; },
         S_OK,
         {Row(L"ERROR", L"LoadAssistants", 228, kHost3, L"Cannot find error database.(Test.A)"),
          NoAssistant(LayerNames::kErrorDBUnreadable)},
         {L"P1"}},
        {"creation",
         [](R r) { r.SetString(kS1, kBindings, L"P2", L"Test.Missing"); },
         S_OK,
         {NotCreated(CO_E_CLASSSTRING, L"Test.Missing"),
          Row(L"ERROR", L"LoadAssistants", 245, CO_E_CLASSSTRING, L"Assistant insertion(Test.Missing)"),
          NoAssistant(CO_E_CLASSSTRING)},
         {L"P1"}},
        // A number is read as its digits, which name no class.
        {"ProgID given as a number",
         [](R r) { r.SetVariant(kS1, kBindings, L"P2", CVariant::Long(12345)); },
         S_OK,
         {NotCreated(CO_E_CLASSSTRING, L"12345"),
          Row(L"ERROR", L"LoadAssistants", 245, CO_E_CLASSSTRING, L"Assistant insertion(12345)"),
          NoAssistant(CO_E_CLASSSTRING)},
         {L"P1"}},
        // Another success code enters nothing: the assistant is let go, the next binding loads.
        {"creation answers S_FALSE",
         [](R r) { r.SetString(kS1, kBindings, L"P2", L"Test.False"); },
         S_OK,
         {NotCreated(S_FALSE, L"Test.False")},
         {L"P1", L"P3"}},
        // The second scope's failure is the row's when the first has nothing.
        {"second fails, first has nothing",
         [](R r) { r.ClearKeys(), r.Bind(kS2, L"", L"Q", L"Test.A"), r.Key(kS2, kBindings).hrGetCount = E_UNEXPECTED; },
         S_OK,
         {NoAssistant(E_UNEXPECTED)}},
        {"first fails, the second loads",
         [](R r) { r.Key(kS1, kErrorDBs).hrItemByName = kHost1, r.Bind(kS2, L"", L"Q", L"Test.A"); },
         S_OK,
         {},
         {L"Q"}},
    };
    RegisterAssistant(L"A", L"Test.A");
    RegisterAssistant(L"F", L"Test.False");
    ASSERT_EQ(CLSIDFromProgID(L"Test.False", &g_clsidFalse), S_OK);
    CImportHook<decltype(&CoCreateInstance)> hook(g_impCoCreateInstance, CreateFalse);
    g_pfnCreate = hook.Old();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Configure configure = [&](R r) {
            for (const wchar_t* protocol : {L"P1", L"P2", L"P3"})
                r.Bind(kS1, L"", protocol, L"Test.A");
            c.configure(r);
        };
        CAssistOrder::All().clear();
        if (!c.optInit)
            Fresh(configure);
        else
            EXPECT_EQ(Load(configure), *c.optInit);
        EXPECT_EQ(LogRows(), c.rows);
        EXPECT_EQ(Started(), c.started);
        for (const std::wstring& entry : CCallLog::Only({L"9 ", L"17 "}))
            EXPECT_TRUE(std::count(c.started.begin(), c.started.end(), L"P3") ||
                        (entry.find(L"#2") == std::wstring::npos && entry.find(L"P3") == std::wstring::npos))
                << "read after the stop: " << entry;
    }
}

// Upper case before lower, a prefix before its extensions, code units
// compared unsigned: a surrogate (D83D) before U+FF21 although its code
// point is larger.
TEST_F(Catalogue, OrderIsOrdinalByUtf16CodeUnit)
{
    RegisterAssistant(L"A", L"Test.A");
    EXPECT_EQ(
        Load([](CRegistryScript& r) {
            for (const wchar_t* name : {L"\uFF21", L"b", L"\u00E9", L"ab", L"\xD83D\xDE00", L"B", L"\u00C4", L"a"})
                r.Bind(kS1, L"", name, L"Test.A");
        }),
        S_OK);
    EXPECT_EQ(Started(), (Names{L"B", L"a", L"ab", L"b", L"\u00C4", L"\u00E9", L"\xD83D\xDE00", L"\uFF21"}));
}

// One event per trace; any answer but S_OK is logged and ignored. Trace 0
// sends none and leaves the log as it found it.
TEST_F(CommonTest, TraceSendsOneEventAndLogsARefusal)
{
    g_bErrorLogEnabled = 0;
    Fresh([](CRegistryScript& r) { r.SetLong(kS2, kOptions, kTrace, 0); });
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
