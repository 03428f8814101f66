// Random catalogues, topologies, options and assistant answers, each checked
// against what the rules make of it: which assistants are asked and in which
// order, the answer the rank table makes worst, its strings and bus name, and
// every reference and string given back. The seed of a failing scenario is
// printed; ROBUST_SCENARIOS sets how many run (10,000 by default).
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include "com/Owners.h"
#include "com/ComObject.h"
#include "layer/AssistLayer.h"
#include "robustness/RobustFixture.h"
#include "support/MemoryBalance.h"

namespace {

const wchar_t* const kUniverse[] = {L"PA", L"PB", L"PC", L"PD", L"pa"};
const HRESULT kAnswers[] = {S_OK, S_FALSE, E_FAIL, static_cast<HRESULT>(0x80041001), 2};

// One recorded answer, as the layer keeps it.
struct CModelResult
{
    std::wstring strBus;
    HRESULT hr;
    std::wstring strMsg;
    std::wstring strErrDB;
    int nRank = 0;
};

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
    long lDebug = 2;
    std::map<std::wstring, int> mapCatalogue; // protocol -> assistant index
    std::vector<CScriptAnswer> vecAnswers;    // per assistant
    std::vector<std::wstring> vecProtocols1;  // the component's
    std::vector<std::wstring> vecProtocols2;  // the second characteristic's component's
    int nCheck = 0;
};

class RandomScenarioTest : public RobustTest
{
protected:
    CScenario Draw(std::mt19937& rng);
    // Runs one scenario; failures name the seed.
    void RunScenario(unsigned seed);
    // The assistants asked and the result the rules give.
    std::vector<int> ExpectedCalls(const CScenario& scenario, std::optional<CModelResult>* pResult) const;
};

CScenario RandomScenarioTest::Draw(std::mt19937& rng)
{
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    CScenario s;
    s.lDebug = pick(20) == 0 ? pick(2) : 2;
    const int nAssistants = 1 + pick(4);
    for (int i = 0; i < nAssistants; ++i) {
        CScriptAnswer answer;
        answer.hr = kAnswers[pick(5)];
        const int nMsg = pick(8);
        answer.bNullMsg = nMsg == 0;
        answer.strMsg = nMsg < 6 ? L"class " + std::to_wstring(nMsg == 5 ? 7 : nMsg) : L"m" + std::to_wstring(i);
        if (pick(3) == 0)
            answer.strErrDB = L"own" + std::to_wstring(i);
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

std::vector<int> RandomScenarioTest::ExpectedCalls(const CScenario& s, std::optional<CModelResult>* pResult) const
{
    std::vector<int> calls;
    std::vector<CModelResult> results;
    if (s.lDebug == 0 || s.lDebug == 1)
        return calls;
    const CheckKind& check = kChecks[s.nCheck];
    const bool bConnect = check.nSlot == 19 || check.nSlot == 20;
    const bool bOnce = bConnect || check.nSlot == 12;
    std::vector<int> vecAsked;
    auto walk = [&](const std::vector<std::wstring>& protocols) {
        for (const std::wstring& protocol : protocols) {
            auto it = s.mapCatalogue.find(protocol);
            if (it == s.mapCatalogue.end())
                return;
            const int nAssistant = it->second;
            if (bOnce && std::find(vecAsked.begin(), vecAsked.end(), nAssistant) != vecAsked.end())
                continue;
            const bool bFirst = vecAsked.empty();
            vecAsked.push_back(nAssistant);
            calls.push_back(nAssistant);
            const CScriptAnswer& answer = s.vecAnswers[nAssistant];
            CModelResult result{protocol, answer.hr, answer.bNullMsg ? L"" : answer.strMsg, answer.strErrDB};
            if (answer.hr == S_FALSE) {
                if (!(check.bFirstFalseRefused && bFirst))
                    continue;
                result.hr = E_FAIL;
            } else if (FAILED(answer.hr) && answer.strErrDB.empty()) {
                result.strErrDB = L"db" + protocol;
            }
            results.push_back(result);
        }
    };
    walk(s.vecProtocols1);
    if (bConnect)
        walk(s.vecProtocols2);
    if (results.empty())
        return calls;
    size_t nChosen = 0;
    if (!check.bFirstResult)
        for (size_t i = 0; i < results.size(); ++i)
            if (RankOf(results[i]) > RankOf(results[nChosen]))
                nChosen = i;
    *pResult = results[nChosen];
    return calls;
}

void RandomScenarioTest::RunScenario(unsigned seed)
{
    std::mt19937 rng(seed);
    const CScenario s = Draw(rng);
    SetOption(L"Debug", s.lDebug);
    SetOption(L"Trace", static_cast<long>(rng() % 2));
    CScriptedAssistant::Calls().clear();
    std::vector<CScriptedAssistant*> vecAssistants;
    for (const CScriptAnswer& answer : s.vecAnswers) {
        vecAssistants.push_back(CScriptedAssistant::New(static_cast<int>(vecAssistants.size())));
        vecAssistants.back()->m_answer = answer;
    }
    CFastNode* pComponent = m_spHost->AddComponent(s.vecProtocols1);
    CFastNode* pChar1 = m_spHost->AddCharacteristic(pComponent);
    CFastNode* pChar2 = m_spHost->AddCharacteristic(m_spHost->AddComponent(s.vecProtocols2));
    // The host's own strings live as long as the host; the layer's must not.
    CMemoryBalance::Mark();

    Microsoft::WRL::ComPtr<IAssistLayer2> spLayer;
    ASSERT_EQ(CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &spLayer), S_OK);
    for (const auto& [protocol, nAssistant] : s.mapCatalogue)
        ASSERT_EQ(Add(spLayer.Get(), protocol, vecAssistants[nAssistant]), S_OK);
    ASSERT_EQ(spLayer->Init(m_spHost->TopologyDispatch()), S_OK);

    BSTR bstrMsg = nullptr, bstrDB = nullptr;
    const HRESULT hr = RunCheck(spLayer.Get(), kChecks[s.nCheck], &bstrMsg, &bstrDB, pComponent, pChar1, pChar2);
    CBstr msg, db, bus;
    msg.Reset(bstrMsg);
    db.Reset(bstrDB);
    const HRESULT hrBus = spLayer->GetProcessedBusName(bus.Out());

    std::optional<CModelResult> result;
    const std::vector<int> expectedCalls = ExpectedCalls(s, &result);
    std::vector<int> calls;
    for (const auto& [nId, nSlot] : CScriptedAssistant::Calls()) {
        EXPECT_EQ(nSlot, kChecks[s.nCheck].nSlot);
        calls.push_back(nId);
    }
    EXPECT_EQ(calls, expectedCalls);
    if (s.lDebug == 0 || s.lDebug == 1) {
        EXPECT_EQ(hr, s.lDebug == 0 ? S_OK : E_FAIL);
        EXPECT_EQ(hrBus, s.lDebug == 0 ? S_OK : E_FAIL);
    } else if (!result) {
        EXPECT_EQ(Hex(hr), Hex(E_FAIL));
        EXPECT_TRUE(msg.IsNull() && db.IsNull());
        EXPECT_EQ(bus.View(), L"");
    } else {
        EXPECT_EQ(Hex(hr), Hex(result->hr));
        EXPECT_EQ(msg.View(), result->strMsg);
        EXPECT_EQ(db.View(), result->strErrDB);
        EXPECT_EQ(bus.View(), result->strBus);
        EXPECT_FALSE(msg.IsNull() || db.IsNull());
    }

    EXPECT_EQ(spLayer->Term(), S_OK);
    spLayer.Reset();
    msg.Reset();
    db.Reset();
    bus.Reset();
    for (CScriptedAssistant* pAssistant : vecAssistants) {
        EXPECT_EQ(pAssistant->References(), 1u) << "assistant " << pAssistant->m_nId;
        pAssistant->Release();
    }
    EXPECT_EQ(m_spHost->ForeignReferences(), 0);
    EXPECT_EQ(CMemoryBalance::Outstanding(), 0);
}

TEST_F(RandomScenarioTest, EveryScenarioAsksTheRightAssistantsAndAnswersWithTheWorst)
{
    const char* pszCount = std::getenv("ROBUST_SCENARIOS");
    const long lCount = pszCount ? std::atol(pszCount) : 10000;
    const unsigned firstSeed =
        pszCount && std::getenv("ROBUST_FIRST_SEED") ? std::atol(std::getenv("ROBUST_FIRST_SEED")) : 1;
    for (long i = 0; i < lCount; ++i) {
        // A fresh host now and then keeps the data trees small.
        if (i % 200 == 0) {
            m_spHost = std::make_unique<CFastHost>();
            ASSERT_EQ(m_spHost->Register(), S_OK);
        }
        const unsigned seed = firstSeed + static_cast<unsigned>(i);
        SCOPED_TRACE("seed " + std::to_string(seed));
        RunScenario(seed);
        if (HasFailure())
            FAIL() << "first failing scenario: seed " << seed;
    }
}

} // namespace
