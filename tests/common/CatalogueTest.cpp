// The assistant catalogue: loading from both scopes, its stop rules, its
// order, and the error database of a failing answer.
#include <functional>
#include <optional>
#include "CommonTest.h"

namespace {

constexpr HRESULT kAbsent = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
constexpr HRESULT kUnregistered = CO_E_CLASSSTRING;
// Failures of the host, told apart by their numbers.
constexpr HRESULT kHost1 = static_cast<HRESULT>(0x80040001), kHost2 = kHost1 + 1, kHost3 = kHost1 + 2,
                  kHost4 = kHost1 + 3;
constexpr wchar_t kAssistants[] = L"BindedAssistants";
constexpr wchar_t kErrorDBs[] = L"BindedAssistants_ErrDB";

using Rows = std::vector<std::wstring>;
using Names = std::vector<std::wstring>;

void Bind(CRegistryScript& registry, long lScope, std::wstring_view protocol, std::wstring_view progId,
          std::wstring_view suffix = L"")
{
    const std::wstring tail = suffix.empty() ? L"" : L"\\" + std::wstring(suffix);
    registry.SetString(lScope, kAssistants + tail, protocol, progId);
    registry.SetString(lScope, kErrorDBs + tail, protocol,
                       L"db " + std::wstring(protocol) + L" " + std::to_wstring(lScope));
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
    EXPECT_EQ(Traced().LoadAssistants(L""), S_OK);
    EXPECT_EQ(m_spCommon->m_mapErrorDBs.at(L"P"), L"db P 17");
    EXPECT_FALSE(a.Instance(0).IsAlive());
    EXPECT_EQ(b.Instance(0).References(), 1u);
    Microsoft::WRL::ComPtr<IUnknown> spEntry;
    m_spCommon->m_mapAssistants.at(L"P").As(&spEntry);
    EXPECT_EQ(spEntry.Get(), b.Instance(0).Object());
    EXPECT_EQ(Host().registry.lCreated, 2);
    EXPECT_EQ(Host().topology.EventTexts(), Names(3, L"CAssistCommon::LoadAssistants"));
    EXPECT_FALSE(LogExists());
}

TEST_F(CommonTest, BothScopesDecideTheResultAndItsRow)
{
    const struct
    {
        const char* name;
        std::function<void(CRegistryScript&)> configure;
        HRESULT hr;
        Rows rows;
    } cases[] = {
        {"no keys", [](CRegistryScript&) {}, S_OK, {NoAssistant(S_FALSE)}},
        {"no error-database keys",
         [](CRegistryScript& r) {
             r.SetString(9, kAssistants, L"P", L"Test.A");
             r.SetString(17, kAssistants, L"Q", L"Test.A");
         },
         S_OK,
         {NoAssistant(S_FALSE)}},
        {"first scope fails, second has nothing",
         [](CRegistryScript& r) {
             Bind(r, 9, L"P", L"Test.A");
             r.Key(9, kErrorDBs).deqValues.clear();
         },
         S_OK,
         {NoAssistant(kAbsent)}},
        {"second scope fails, first has nothing",
         [](CRegistryScript& r) {
             Bind(r, 17, L"P", L"Test.A");
             r.Key(17, kAssistants).hrGetCount = E_UNEXPECTED;
         },
         S_OK,
         {NoAssistant(E_UNEXPECTED)}},
        {"both fail",
         [](CRegistryScript& r) { r.hrCreate = REGDB_E_CLASSNOTREG; },
         E_FAIL,
         {NoContext(REGDB_E_CLASSNOTREG), NoContext(REGDB_E_CLASSNOTREG), NoAssistant(REGDB_E_CLASSNOTREG)}},
        {"one scope fails, the other loads",
         [](CRegistryScript& r) {
             Bind(r, 9, L"P", L"Test.A");
             r.Key(9, kErrorDBs).deqValues.clear();
             Bind(r, 17, L"Q", L"Test.A");
         },
         S_OK,
         {}},
    };
    CAssistantClass& a = RegisterAssistant(L"A", L"Test.A");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host().registry = CRegistryScript();
        c.configure(Host().registry);
        ClearLog();
        CTestCommon common;
        EXPECT_EQ(common.LoadAssistants(L""), c.hr);
        EXPECT_EQ(LogRows(), c.rows);
        EXPECT_EQ(common.m_mapAssistants.size(), c.rows.empty() ? 1u : 0u);
    }
    EXPECT_EQ(a.CreateCalls(), 1);
}

// Each step of one scope's loading failing at the second of three values:
// its answer, its rows, the entries before it kept, nothing read after it,
// no host object left.
TEST_F(CommonTest, OneScopeStopsAtTheFailingStep)
{
    auto second = [](CRegistryScript& r, const wchar_t* key) -> CRegValueData& { return *r.Key(9, key).Find(L"P2"); };
    auto notText = [](CRegistryScript& r, const wchar_t* key) {
        CVariant v;
        v.vt = VT_ERROR;
        r.SetVariant(9, key, L"P2", v);
    };
    const struct
    {
        const char* name;
        std::function<void(CRegistryScript&)> configure;
        HRESULT hr;
        Rows rows;
        Names protocols;
    } cases[] = {
        {"context",
         [](CRegistryScript& r) { r.hrCreate = REGDB_E_CLASSNOTREG; },
         REGDB_E_CLASSNOTREG,
         {NoContext(REGDB_E_CLASSNOTREG)},
         {}},
        {"open assistants key",
         [](CRegistryScript& r) { r.Key(9, kAssistants).hrOpen = E_ACCESSDENIED; },
         S_FALSE,
         {},
         {}},
        {"open error-database key",
         [](CRegistryScript& r) { r.Key(9, kErrorDBs).hrOpen = E_ACCESSDENIED; },
         S_FALSE,
         {},
         {}},
        {"count", [](CRegistryScript& r) { r.Key(9, kAssistants).hrGetCount = E_UNEXPECTED; }, E_UNEXPECTED, {}, {}},
        {"count 0", [](CRegistryScript& r) { r.Key(9, kAssistants).optCount = 0; }, S_FALSE, {}, {}},
        {"item by position",
         [](CRegistryScript& r) { r.Key(9, kAssistants).hrItemByPosition = kHost1; },
         kHost1,
         {},
         {}},
        {"item by name", [](CRegistryScript& r) { r.Key(9, kErrorDBs).hrItemByName = kHost2; }, kHost2, {}, {}},
        {"ProgID data", [&](CRegistryScript& r) { second(r, kAssistants).hrGetData = kHost3; }, kHost3, {}, {L"P1"}},
        {"ProgID conversion", [&](CRegistryScript& r) { notText(r, kAssistants); }, DISP_E_TYPEMISMATCH, {}, {L"P1"}},
        {"error-database data",
         [&](CRegistryScript& r) { second(r, kErrorDBs).hrGetData = kHost4; },
         static_cast<HRESULT>(0xFFFFEB3C),
         {Row(L"ERROR", L"LoadAssistants", 228, kHost4, L"Cannot find error database.(Test.A)")},
         {L"P1"}},
        {"error-database conversion",
         [&](CRegistryScript& r) { notText(r, kErrorDBs); },
         DISP_E_TYPEMISMATCH,
         {},
         {L"P1"}},
        {"insertion",
         [](CRegistryScript& r) { r.SetString(9, kAssistants, L"P2", L"Test.Missing"); },
         kUnregistered,
         InsertRows(kUnregistered, L"Test.Missing"),
         {L"P1"}},
        {"none", [](CRegistryScript&) {}, S_OK, {}, {L"P1", L"P2", L"P3"}},
    };
    RegisterAssistant(L"A", L"Test.A");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host().registry = CRegistryScript();
        for (const wchar_t* protocol : {L"P1", L"P2", L"P3"})
            Bind(Host().registry, 9, protocol, L"Test.A");
        c.configure(Host().registry);
        ClearLog();
        const long lAlive = CLiveDoubles::Count();
        CTestCommon common;
        EXPECT_EQ(common.LoadAssistants(9, L""), c.hr);
        EXPECT_EQ(LogRows(), c.rows);
        EXPECT_EQ(common.Protocols(), c.protocols);
        EXPECT_EQ(CLiveDoubles::Count(), lAlive + static_cast<long>(c.protocols.size())) << CLiveDoubles::Describe();
        for (const std::wstring& entry : Host().registry.vecLog)
            EXPECT_TRUE(c.hr == S_OK ||
                        (entry.find(L"#2") == std::wstring::npos && entry.find(L"P3") == std::wstring::npos))
                << "read after the stop: " << entry;
    }
}

TEST_F(CommonTest, SuffixReadsOnlyThatProtocolsSubkeys)
{
    RegisterAssistant(L"A", L"Test.A");
    Bind(Host().registry, 9, L"Q", L"Test.A");
    Bind(Host().registry, 17, L"P", L"Test.A", L"P");
    EXPECT_EQ(m_spCommon->LoadAssistants(L"P"), S_OK);
    EXPECT_EQ(m_spCommon->Protocols(), Names{L"P"});
    Names opened;
    for (const std::wstring& entry : Host().registry.vecLog)
        if (entry.rfind(L"OpenKey", 0) == 0)
            opened.push_back(entry);
    EXPECT_EQ(opened, (Names{L"OpenKey 9 BindedAssistants\\P", L"OpenKey 17 BindedAssistants\\P",
                             L"OpenKey 17 BindedAssistants_ErrDB\\P"}));
}

TEST_F(CommonTest, CatalogueOrderIsOrdinalByUtf16CodeUnit)
{
    RegisterAssistant(L"A", L"Test.A");
    // Upper case before lower, a prefix before its extensions, code units
    // compared unsigned, and a surrogate (D83D) before U+FF21 although its
    // code point is larger.
    const Names expected = {L"B", L"a", L"ab", L"b", L"\u00C4", L"\u00E9", L"\xD83D\xDE00", L"\uFF21"};
    for (const wchar_t* name : {L"\uFF21", L"b", L"\u00E9", L"ab", L"\xD83D\xDE00", L"B", L"\u00C4", L"a"})
        Bind(Host().registry, 9, name, L"Test.A");
    EXPECT_EQ(m_spCommon->LoadAssistants(9, L""), S_OK);
    EXPECT_EQ(m_spCommon->Protocols(), expected);
    EXPECT_TRUE(ProtocolLess()(L"a", std::wstring(L"a\0", 2)));
    EXPECT_FALSE(ProtocolLess()(L"a", L"a"));
}

// Out of memory on the protocol's copy enters nothing; on the error
// database's copy the assistant stays entered without one.
TEST_F(CommonTest, InsertionOutOfMemoryKeepsWhatWasEntered)
{
    CAssistantClass& a = RegisterAssistant(L"A", L"Test.A");
    const std::wstring longName(1000, L'p'), longDb(1500, L'd');
    for (const auto& [name, db, protocols] :
         {std::tuple{longName, std::wstring(L"db"), Names{}}, {L"P", longDb, Names{L"P"}}}) {
        ClearLog();
        FailAllocationsOfSize((std::max(name.size(), db.size()) + 1) * sizeof(wchar_t));
        HRESULT hr = m_spCommon->InsertProtocolBusEntryIntoMap(name, L"Test.A", db);
        FailAllocationsOfSize(0);
        EXPECT_EQ(hr, E_OUTOFMEMORY);
        EXPECT_EQ(m_spCommon->Protocols(), protocols);
        EXPECT_TRUE(m_spCommon->m_mapErrorDBs.empty());
        EXPECT_EQ(LogRows(),
                  Rows{Row(L"ERROR", L"InsertProtocolBusEntryIntoMap", 128, S_OK, L"Assistant insertion(Test.A)")});
    }
    EXPECT_FALSE(a.Instance(0).IsAlive());
}

TEST_F(CommonTest, ErrorDatabaseOnlyForAFailureWithoutOne)
{
    m_spCommon->m_mapErrorDBs[L"P"] = std::wstring(L"db\0P", 4);
    const struct
    {
        HRESULT hr;
        const wchar_t *protocol, *given;
        std::optional<std::wstring> expected;
    } cases[] = {
        {S_FALSE, L"P", nullptr, std::nullopt},
        {S_OK, L"P", nullptr, std::nullopt},
        {E_FAIL, L"P", nullptr, std::wstring(L"db\0P", 4)},
        {E_FAIL, L"Unknown", nullptr, std::wstring()},
        {E_FAIL, L"P", L"own", std::wstring(L"own")},
        {S_FALSE, L"P", L"own", std::wstring(L"own")},
    };
    for (const auto& c : cases) {
        BSTR bstrDb = c.given ? CBstr::Alloc(c.given) : nullptr;
        Traced().SelectProperErrorDBforRetval(c.hr, c.protocol, &bstrDb);
        CBstr owner;
        owner.Reset(bstrDb);
        EXPECT_EQ(owner.IsNull() ? std::nullopt : std::optional<std::wstring>(owner.View()), c.expected)
            << std::hex << c.hr << " " << c.protocol;
    }
    EXPECT_EQ(m_spCommon->m_mapErrorDBs.at(L"Unknown"), L"");
    m_spCommon->SelectProperErrorDBforRetval(E_FAIL, L"P", nullptr);
}
