// The assistant catalogue: loading from both scopes, its stop rules and
// their rows, and its order.
#include "CommonTest.h"
#include "support/ImportHook.h"
#include <functional>

IMPORT_SLOT(CoCreateInstance, 20);

namespace {

constexpr HRESULT kAbsent = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
// Failures of the host, told apart by their numbers.
constexpr HRESULT kHost1 = static_cast<HRESULT>(0x80040001), kHost2 = kHost1 + 1, kHost3 = kHost1 + 2;
constexpr wchar_t kAssistants[] = L"BindedAssistants";
constexpr wchar_t kErrorDBs[] = L"BindedAssistants_ErrDB";

using Rows = std::vector<std::wstring>;
using Names = std::vector<std::wstring>;
using Configure = std::function<void(CRegistryScript&)>;

void Bind(CRegistryScript& registry, long lScope, std::wstring_view protocol, std::wstring_view progId)
{
    registry.SetString(lScope, kAssistants, protocol, progId);
    registry.SetString(lScope, kErrorDBs, protocol, L"db " + std::wstring(protocol) + L" " + std::to_wstring(lScope));
}

std::wstring NoAssistant(HRESULT hr)
{
    return Row(L"ERROR", L"LoadAssistants", 149, hr, L"Cannot find assistant.()");
}
std::wstring NoContext(HRESULT hr)
{
    return Row(L"ERROR", L"LoadAssistants", 167, hr, L"Cannot create instance of context.()");
}
Rows InsertRows(HRESULT hr, const std::wstring& progId)
{
    return {Row(L"ERROR", L"InsertProtocolBusEntryIntoMap", 116, hr,
                L"Cannot create instance of assistant.(" + progId + L")"),
            Row(L"ERROR", L"LoadAssistants", 245, hr, L"Assistant insertion(" + progId + L")")};
}

} // namespace

TEST_F(CommonTest, SecondScopeReplacesTheFirstsEntry)
{
    CAssistantClass& a = RegisterAssistant(L"A", L"Test.A");
    CAssistantClass& b = RegisterAssistant(L"B", L"Test.B");
    Bind(Host().registry, 9, L"P", L"Test.A");
    Bind(Host().registry, 17, L"P", L"Test.B");
    EXPECT_EQ(m_spCommon->LoadAssistants(L""), S_OK);
    EXPECT_EQ(m_spCommon->m_mapErrorDBs.at(L"P"), L"db P 17");
    EXPECT_FALSE(a.Instance(0).IsAlive());
    Microsoft::WRL::ComPtr<IUnknown> spEntry;
    m_spCommon->m_mapAssistants.at(L"P").As(&spEntry);
    EXPECT_EQ(spEntry.Get(), b.Instance(0).Object());
    EXPECT_EQ(LogRows(), Rows{});
}

TEST_F(CommonTest, BothScopesDecideTheResultAndItsRow)
{
    using R = CRegistryScript&;
    const struct
    {
        const char* name;
        Configure configure;
        HRESULT hr;
        Rows rows;
    } cases[] = {
        {"no keys", [](R) {}, S_OK, {NoAssistant(S_FALSE)}},
        {"first fails, second has nothing",
         [](R r) { Bind(r, 9, L"P", L"Test.A"), r.Key(9, kErrorDBs).deqValues.clear(); },
         S_OK,
         {NoAssistant(kAbsent)}},
        {"second fails, first has nothing",
         [](R r) { Bind(r, 17, L"P", L"Test.A"), r.Key(17, kAssistants).hrGetCount = E_UNEXPECTED; },
         S_OK,
         {NoAssistant(E_UNEXPECTED)}},
        {"both fail",
         [](R r) { r.hrCreate = REGDB_E_CLASSNOTREG; },
         E_FAIL,
         {NoContext(REGDB_E_CLASSNOTREG), NoContext(REGDB_E_CLASSNOTREG), NoAssistant(REGDB_E_CLASSNOTREG)}},
        {"one fails, the other loads",
         [](R r) { Bind(r, 9, L"P", L"Test.A"), r.Key(9, kErrorDBs).deqValues.clear(), Bind(r, 17, L"Q", L"Test.A"); },
         S_OK,
         {}},
    };
    RegisterAssistant(L"A", L"Test.A");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTestCommon& common = Fresh(c.configure);
        EXPECT_EQ(common.LoadAssistants(L""), c.hr);
        EXPECT_EQ(LogRows(), c.rows);
        EXPECT_EQ(common.m_mapAssistants.size(), c.rows.empty() ? 1u : 0u);
    }
}

// Each step of one scope's loading failing at the second of three values:
// its answer, its rows, the entries before it kept, nothing read after it.
TEST_F(CommonTest, OneScopeStopsAtTheFailingStep)
{
    using R = CRegistryScript&;
    const struct
    {
        const char* name;
        Configure configure;
        HRESULT hr;
        Rows rows;
        Names protocols;
    } cases[] = {
        {"context",
         [](R r) { r.hrCreate = REGDB_E_CLASSNOTREG; },
         REGDB_E_CLASSNOTREG,
         {NoContext(REGDB_E_CLASSNOTREG)},
         {}},
        {"open key", [](R r) { r.Key(9, kErrorDBs).hrOpen = E_ACCESSDENIED; }, S_FALSE, {}, {}},
        {"count", [](R r) { r.Key(9, kAssistants).hrGetCount = E_UNEXPECTED; }, E_UNEXPECTED, {}, {}},
        {"count 0", [](R r) { r.Key(9, kAssistants).optCount = 0; }, S_FALSE, {}, {}},
        {"item", [](R r) { r.Key(9, kErrorDBs).hrItemByName = kHost1; }, kHost1, {}, {}},
        {"ProgID", [](R r) { r.Key(9, kAssistants).Find(L"P2")->hrGetData = kHost2; }, kHost2, {}, {L"P1"}},
        {"error database",
         [](R r) { r.Key(9, kErrorDBs).Find(L"P2")->hrGetData = kHost3; },
         static_cast<HRESULT>(0xFFFFEB3C),
         {Row(L"ERROR", L"LoadAssistants", 228, kHost3, L"Cannot find error database.(Test.A)")},
         {L"P1"}},
        {"creation",
         [](R r) { r.SetString(9, kAssistants, L"P2", L"Test.Missing"); },
         CO_E_CLASSSTRING,
         InsertRows(CO_E_CLASSSTRING, L"Test.Missing"),
         {L"P1"}},
        {"none", [](R) {}, S_OK, {}, {L"P1", L"P2", L"P3"}},
    };
    RegisterAssistant(L"A", L"Test.A");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTestCommon& common = Fresh([&](R r) {
            for (const wchar_t* protocol : {L"P1", L"P2", L"P3"})
                Bind(r, 9, protocol, L"Test.A");
            c.configure(r);
        });
        EXPECT_EQ(common.LoadAssistants(9, L""), c.hr);
        EXPECT_EQ(LogRows(), c.rows);
        EXPECT_EQ(common.Protocols(), c.protocols);
        for (const std::wstring& entry : Host().registry.vecLog)
            EXPECT_TRUE(c.hr == S_OK ||
                        (entry.find(L"#2") == std::wstring::npos && entry.find(L"P3") == std::wstring::npos))
                << "read after the stop: " << entry;
    }
}

// Upper case before lower, a prefix before its extensions, code units
// compared unsigned: a surrogate (D83D) before U+FF21 although its code
// point is larger.
TEST_F(CommonTest, CatalogueOrderIsOrdinalByUtf16CodeUnit)
{
    RegisterAssistant(L"A", L"Test.A");
    const Names expected = {L"B", L"a", L"ab", L"b", L"\u00C4", L"\u00E9", L"\xD83D\xDE00", L"\uFF21"};
    for (const wchar_t* name : {L"\uFF21", L"b", L"\u00E9", L"ab", L"\xD83D\xDE00", L"B", L"\u00C4", L"a"})
        Bind(Host().registry, 9, name, L"Test.A");
    EXPECT_EQ(m_spCommon->LoadAssistants(9, L""), S_OK);
    EXPECT_EQ(m_spCommon->Protocols(), expected);
}

namespace {

CLSID g_clsidFalse;
decltype(&CoCreateInstance) g_pfnCreate;

// Answers S_FALSE for what it creates of the class g_clsidFalse.
HRESULT WINAPI CreateFalse(REFCLSID clsid, IUnknown* pOuter, DWORD dwContext, REFIID riid, void** ppv)
{
    const HRESULT hr = g_pfnCreate(clsid, pOuter, dwContext, riid, ppv);
    return hr == S_OK && IsEqualCLSID(clsid, g_clsidFalse) ? S_FALSE : hr;
}

} // namespace

// The runtime passes no other success code on, but a creation that answers
// one enters nothing: its assistant is let go and the next binding loads.
TEST_F(CommonTest, ACreationAnsweringAnotherSuccessCodeEntersNothing)
{
    CAssistantClass& f = RegisterAssistant(L"F", L"Test.False");
    RegisterAssistant(L"A", L"Test.A");
    ASSERT_EQ(CLSIDFromProgID(L"Test.False", &g_clsidFalse), S_OK);
    Bind(Host().registry, 9, L"P1", L"Test.False");
    Bind(Host().registry, 9, L"P2", L"Test.A");
    CImportHook<decltype(&CoCreateInstance)> hook(g_impCoCreateInstance, CreateFalse);
    g_pfnCreate = hook.Old();
    EXPECT_EQ(m_spCommon->LoadAssistants(9, L""), S_OK);
    EXPECT_EQ(m_spCommon->Protocols(), Names{L"P2"});
    EXPECT_EQ(LogRows(), Rows{InsertRows(S_FALSE, L"Test.False")[0]});
    EXPECT_FALSE(f.Instance(0).IsAlive());
}
