// Random catalogues, topologies, options and answers against the rules this
// model alone holds:
// - the gate: Debug 0 or 1 (scope 9's, else 17's; number or text) answers S_OK
//   or E_FAIL at once, asks nobody, writes no out-parameter;
// - the walk: protocols in order, stopping at one without an assistant; the
//   connection and property checks ask each assistant once;
// - the first protocol: its S_FALSE is E_FAIL where the check refuses it,
//   CheckDelete takes its first result; other S_FALSE answers are dropped;
// - the ranking: error, warning, hint, information; the first wins a tie; a
//   failure without an error database gets its bus's.
// ROBUST_SCENARIOS and ROBUST_FIRST_SEED size the run.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include "com/ComObject.h"
#include "com/Owners.h"
#include "layer/AssistLayer.h"
#include "robustness/RobustFixture.h"

namespace {

const wchar_t* const kUniverse[] = {L"PA", L"PB", L"PC", L"PD", L"pa"};
const HRESULT kAnswers[] = {S_OK, S_FALSE, E_FAIL, static_cast<HRESULT>(0x80041001), 2};
const long kDebugValues[] = {0, 1, 7, -1, 2};
constexpr long kSeedsPerHost = 50;

long Setting(const char* name, long lDefault)
{
    const char* psz = std::getenv(name);
    return psz ? std::atol(psz) : lDefault;
}

// What the host sees; a string the layer left as it was reads "<unset>", a
// null message or database "<null>".
struct CModelResult
{
    std::wstring strBus;
    HRESULT hr;
    std::wstring strMsg;
    std::wstring strErrDB;
};

// The class the host gives: "class N" asks for N, else the code decides; a
// class outside 0..3 counts as the code's. Warnings outrank hints.
int RankOf(const CModelResult& result)
{
    static const int kRankOfClass[] = {0, 2, 1, 3};
    long lClass = result.hr == S_OK ? 0 : FAILED(result.hr) ? 3 : 2;
    if (result.strMsg.rfind(L"class ", 0) == 0) {
        const long lAsked = std::wcstol(result.strMsg.c_str() + 6, nullptr, 10);
        if (lAsked >= 0 && lAsked <= 3)
            lClass = lAsked;
    }
    return kRankOfClass[lClass];
}

struct CScenario
{
    std::optional<long> aoptDebug[2]; // first scope, second scope
    bool abText[2] = {};
    long lTrace = 1;
    std::map<std::wstring, int> mapCatalogue; // protocol -> assistant index
    std::vector<CAnswer> vecAnswers;          // per assistant
    std::vector<std::wstring> vecProtocols1;  // the component's
    std::vector<std::wstring> vecProtocols2;  // the second characteristic's component's
    int nCheck = 0;

    long Debug() const { return aoptDebug[0].value_or(aoptDebug[1].value_or(2)); }
    bool Gated() const { return Debug() == 0 || Debug() == 1; }
};

class RandomScenarioTest : public RobustTest, public testing::WithParamInterface<long>
{
protected:
    void Configure(const CScenario& s);
    void RunScenario(unsigned seed);
};

CScenario Draw(std::mt19937& rng)
{
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    CScenario s;
    for (int i = 0; i < 2; ++i) {
        const bool bPresent = pick(3) == 0;
        s.abText[i] = pick(2) == 0;
        const long lValue = kDebugValues[std::min(pick(10), 4)];
        if (bPresent)
            s.aoptDebug[i] = lValue;
    }
    s.lTrace = pick(2);
    const int nAssistants = 1 + pick(4);
    for (int i = 0; i < nAssistants; ++i) {
        CAnswer answer = CAnswer::Of(kAnswers[pick(5)]);
        const int nMsg = pick(8);
        if (nMsg != 0)
            answer.optMsg = nMsg < 6 ? L"class " + std::to_wstring(nMsg == 5 ? 7 : nMsg) : L"m" + std::to_wstring(i);
        if (pick(3) == 0)
            answer.optErrDB = L"own" + std::to_wstring(i);
        s.vecAnswers.push_back(answer);
    }
    // Four of the five names may have an assistant, some sharing one.
    for (int p = 0; p < 4; ++p)
        if (pick(4) != 0)
            s.mapCatalogue[kUniverse[p]] = pick(nAssistants);
    for (auto* pvec : {&s.vecProtocols1, &s.vecProtocols2})
        for (int n = pick(5); n > 0; --n)
            pvec->push_back(kUniverse[pick(5)]);
    s.nCheck = pick(12);
    return s;
}

// The assistants asked, and what the host sees.
CModelResult Expected(const CScenario& s, std::vector<int>& calls)
{
    if (s.Gated())
        return {L"<unset>", s.Debug() == 0 ? S_OK : E_FAIL, L"<unset>", L"<unset>"};
    std::optional<CModelResult> optChosen;
    const CheckKind& check = kChecks[s.nCheck];
    const bool bConnect = check.nSlot == 19 || check.nSlot == 20;
    const bool bOnce = bConnect || check.nSlot == 12;
    auto walk = [&](const std::vector<std::wstring>& protocols) {
        for (const std::wstring& protocol : protocols) {
            auto it = s.mapCatalogue.find(protocol);
            if (it == s.mapCatalogue.end())
                return;
            const int nAssistant = it->second;
            if (bOnce && std::find(calls.begin(), calls.end(), nAssistant) != calls.end())
                continue;
            const bool bFirst = calls.empty();
            calls.push_back(nAssistant);
            const CAnswer& answer = s.vecAnswers[nAssistant];
            CModelResult result{protocol, answer.hr, answer.optMsg.value_or(L""), answer.optErrDB.value_or(L"")};
            if (answer.hr == S_FALSE) {
                if (!(check.bFirstFalseRefused && bFirst))
                    continue;
                result.hr = E_FAIL;
            } else if (FAILED(answer.hr) && !answer.optErrDB) {
                result.strErrDB = L"db" + protocol;
            }
            if (!optChosen || (!check.bFirstResult && RankOf(result) > RankOf(*optChosen)))
                optChosen = result;
        }
    };
    walk(s.vecProtocols1);
    if (bConnect)
        walk(s.vecProtocols2);
    return optChosen.value_or(CModelResult{L"", E_FAIL, L"<null>", L"<null>"});
}

void RandomScenarioTest::Configure(const CScenario& s)
{
    // The host's classes for the messages "class N".
    for (long lClass : {0, 1, 2, 3, 7})
        Host().errorDb.mapClassByMessage[L"class " + std::to_wstring(lClass)] = lClass;
    using namespace LayerNames;
    CRegistryScript& registry = Host().registry;
    const long alScopes[] = {kFirstScope, kSecondScope};
    for (int i = 0; i < 2; ++i) {
        registry.RemoveKey(alScopes[i], kOptionsKey);
        if (s.aoptDebug[i] && s.abText[i])
            registry.SetString(alScopes[i], kOptionsKey, kDebugValue, std::to_wstring(*s.aoptDebug[i]));
        else if (s.aoptDebug[i])
            registry.SetLong(alScopes[i], kOptionsKey, kDebugValue, *s.aoptDebug[i]);
    }
    registry.SetLong(kFirstScope, kOptionsKey, kTraceValue, s.lTrace);
    m_vecAssistants.clear();
    for (const CAnswer& answer : s.vecAnswers)
        NewAssistant().spState->Script().Answer(kChecks[s.nCheck].name, answer);
}

void RandomScenarioTest::RunScenario(unsigned seed)
{
    std::mt19937 rng(seed);
    const CScenario s = Draw(rng);
    Configure(s);
    CNodeDouble& component = Host().AddComponent(L"C", s.vecProtocols1);
    CNodeDouble& char1 = component.AddCharacteristic(L"port");
    CNodeDouble& char2 = Host().AddComponent(L"C", s.vecProtocols2).AddCharacteristic(L"port");
    // The out-parameters (message, database, bus) start as the test's own
    // string: the gate must leave them as they are.
    const CBstr unset(L"unset");
    // The host's own strings live as long as the host; the layer's must not.
    CMemoryBalance::Mark();

    Microsoft::WRL::ComPtr<IAssistLayer2> spLayer;
    ASSERT_EQ(CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &spLayer), S_OK);
    for (const auto& [protocol, nAssistant] : s.mapCatalogue)
        ASSERT_EQ(Add(spLayer.Get(), protocol, m_vecAssistants[nAssistant]), S_OK);
    ASSERT_EQ(spLayer->Init(Host().TopologyDispatch()), S_OK);
    CAssistOrder::All().clear();

    BSTR abstrOut[3] = {unset.Get(), unset.Get(), unset.Get()}; // message, database, bus
    const HRESULT hr = RunCheck(spLayer.Get(), kChecks[s.nCheck], &abstrOut[0], &abstrOut[1], component, char1, char2);
    const HRESULT hrBus = spLayer->GetProcessedBusName(&abstrOut[2]);
    CBstr aOut[3];
    std::vector<std::wstring> vecShown;
    for (int i = 0; i < 3; ++i) {
        const bool bWritten = abstrOut[i] != unset.Get();
        if (bWritten)
            aOut[i].Reset(abstrOut[i]);
        // A null bus name reads as an empty one.
        vecShown.push_back(!bWritten ? L"<unset>" : i < 2 ? Text(aOut[i]) : std::wstring(aOut[i].View()));
    }

    std::vector<int> expectedCalls, calls;
    const CModelResult expected = Expected(s, expectedCalls);
    for (const CAssistOrder& call : CAssistOrder::All()) {
        EXPECT_EQ(call.nSlot, kChecks[s.nCheck].nSlot);
        for (size_t i = 0; i < m_vecAssistants.size(); ++i)
            if (m_vecAssistants[i].spState.get() == call.pState)
                calls.push_back(static_cast<int>(i));
    }
    EXPECT_EQ(calls, expectedCalls);
    EXPECT_EQ(Hex(hr), Hex(expected.hr));
    EXPECT_EQ(vecShown, (std::vector<std::wstring>{expected.strMsg, expected.strErrDB, expected.strBus}));
    if (s.Gated()) { // the bus name and NewProjectCreated are behind the gate too
        EXPECT_EQ(Hex(hrBus), Hex(expected.hr));
        EXPECT_EQ(Hex(spLayer->NewProjectCreated()), Hex(expected.hr));
        EXPECT_TRUE(CAssistOrder::All().empty());
    }

    EXPECT_EQ(spLayer->Term(), S_OK);
}

// A fresh host for each run of seeds keeps the data trees small.
TEST_P(RandomScenarioTest, EveryScenarioAsksTheRightAssistantsAndAnswersWithTheWorst)
{
    const long lCount = Setting("ROBUST_SCENARIOS", 10000);
    const long lFirstSeed = Setting("ROBUST_FIRST_SEED", 1);
    for (long i = GetParam() * kSeedsPerHost; i < std::min(lCount, (GetParam() + 1) * kSeedsPerHost); ++i) {
        const unsigned seed = static_cast<unsigned>(lFirstSeed + i);
        SCOPED_TRACE("seed " + std::to_string(seed));
        RunScenario(seed);
        EXPECT_EQ(ForeignReferences(), 0);
        EXPECT_EQ(CMemoryBalance::Outstanding(), 0);
        if (HasFailure())
            FAIL() << "first failing scenario: seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomScenarioTest,
                         testing::Range(0L, (Setting("ROBUST_SCENARIOS", 10000) + kSeedsPerHost - 1) / kSeedsPerHost));

} // namespace
