// The result list and the choice of its worst result.
#include "CommonTest.h"

namespace {

// Results "r0", "r1", ... whose messages the host classifies as given.
ResultList MakeResults(CErrorDbScript& errorDb, const std::vector<std::pair<HRESULT, long>>& answers)
{
    ResultList results;
    for (size_t i = 0; i < answers.size(); ++i) {
        const std::wstring message = L"r" + std::to_wstring(i);
        errorDb.mapClassByMessage[message] = answers[i].second;
        results.push_back(std::make_unique<CAssistResult>(L"P" + std::to_wstring(i), message, answers[i].first, L""));
    }
    return results;
}

} // namespace

// A classification that fails, or that leaves the class alone, ranks the
// result by its own HRESULT.
TEST_F(CommonTest, WorstResultByTheRankOfItsClass)
{
    enum Service
    {
        Classifies,
        Fails,
        LeavesClass
    };
    const struct
    {
        const char* name;
        Service service;
        std::vector<std::pair<HRESULT, long>> answers; // the result's HRESULT, the class the host gives
        size_t nWorst;
        std::vector<int> ranks;
    } cases[] = {
        {"class 1 outranks class 2, not the HRESULT", Classifies, {{E_FAIL, 2}, {S_OK, 1}}, 1, {1, 2}},
        {"ties keep the earliest", Classifies, {{E_FAIL, 3}, {S_FALSE, 1}, {E_FAIL, 3}}, 0, {3, 2, 3}},
        {"class 2 outranks class 0", Classifies, {{S_OK, 0}, {S_FALSE, 2}}, 1, {0, 1}},
        {"above 3 with S_FALSE", Classifies, {{S_FALSE, 7}}, 0, {1}},
        {"above 3 with a failure", Classifies, {{S_OK, 0}, {E_FAIL, 7}}, 1, {0, 3}},
        {"above 3 with S_OK", Classifies, {{S_OK, 7}, {S_OK, 0}}, 0, {0, 0}},
        {"a negative class counts like one above 3",
         Classifies,
         {{S_FALSE, 2}, {E_FAIL, -1}, {S_OK, -5}},
         1,
         {1, 3, 0}},
        {"classification fails", Fails, {{E_FAIL, 0}, {S_OK, 3}, {S_FALSE, 3}}, 0, {3, 0, 1}},
        {"class left alone", LeavesClass, {{E_FAIL, 0}, {S_OK, 3}, {S_FALSE, 3}}, 0, {3, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host().errorDb.vecCalls.clear();
        Host().errorDb.hrClassify = c.service == Fails ? E_FAIL : S_OK;
        Host().errorDb.bLeaveClass = c.service == LeavesClass;
        ResultList results = MakeResults(Host().errorDb, c.answers);
        EXPECT_EQ(Traced().GetWorstResult(results), results.at(c.nWorst).get());
        ASSERT_EQ(Host().errorDb.vecCalls.size(), c.answers.size());
        for (size_t i = 0; i < results.size(); ++i) {
            EXPECT_EQ(results[i]->GetRank(), c.ranks[i]) << i;
            const CClassifyCall& call = Host().errorDb.vecCalls[i];
            EXPECT_EQ(call.lCode, c.answers[i].first);
            EXPECT_EQ(call.optMessage, results[i]->GetErrMsg());
            EXPECT_EQ(call.optErrDB, std::wstring()) << "an empty, non-null copy";
            EXPECT_GT(call.lClassIn, 3) << "reset before each call";
            EXPECT_EQ(call.pTextIn, nullptr);
        }
        m_spCommon->ClearResults(results);
    }
}

TEST_F(CommonTest, NoServiceNoWorstResult)
{
    ResultList results = MakeResults(Host().errorDb, {{E_FAIL, 3}});
    EXPECT_EQ(m_spCommon->GetWorstResult(results), nullptr) << "no topology";
    Host().topology.hrGetErrorDatabaseService = E_NOINTERFACE;
    EXPECT_EQ(Traced().GetWorstResult(results), nullptr);
    Host().topology.hrGetErrorDatabaseService = S_OK;
    Host().topology.bNullErrorDatabaseService = true;
    EXPECT_EQ(m_spCommon->GetWorstResult(results), nullptr);
    EXPECT_TRUE(Host().errorDb.vecCalls.empty());
    EXPECT_EQ(results[0]->GetRank(), -1);
    m_spCommon->ClearResults(results);

    // An empty list asks nobody.
    Host().topology.vecEvents.clear();
    CCallLog::Clear();
    EXPECT_EQ(m_spCommon->GetWorstResult(results), nullptr);
    EXPECT_EQ(m_spCommon->GetFirstResult(results), nullptr);
    m_spCommon->ClearResults(results);
    for (const std::wstring& entry : CCallLog::Entries())
        EXPECT_EQ(entry.find(L"GetErrorDatabaseService"), std::wstring::npos);
    EXPECT_EQ(Host().topology.EventTexts(),
              (std::vector<std::wstring>{L"CAssistCommon::GetWorstResult", L"CAssistCommon::GetFirstResult",
                                         L"CAssistCommon::ClearResults"}));
}

TEST_F(CommonTest, ResultKeepsItsCharacteristicsUntilCleared)
{
    CNodeDouble& second = Host().AddItem(L"second");
    CNodeDouble& notOne = Host().AddItem(L"not a characteristic");
    notOne.bCharacteristic = false;
    const ULONG cRefs = second.References();
    ResultList results;
    results.push_back(std::make_unique<CAssistResult>(L"P", L"m", E_FAIL, nullptr, second.AsCharacteristic(), L"db"));
    results.push_back(std::make_unique<CAssistResult>(L"Q", L"m", E_FAIL, notOne.AsCharacteristic(), nullptr, L"db"));
    EXPECT_EQ(second.References(), cRefs + 1);
    EXPECT_EQ(results[0]->GetRank(), -1);

    ICharacteristic* pChar = reinterpret_cast<ICharacteristic*>(1);
    EXPECT_EQ(results[0]->GetCharErr1(&pChar), S_OK);
    EXPECT_EQ(pChar, nullptr);
    EXPECT_EQ(results[0]->GetCharErr2(&pChar), S_OK);
    EXPECT_EQ(pChar, second.AsCharacteristic());
    pChar->Release();
    pChar = reinterpret_cast<ICharacteristic*>(1);
    EXPECT_EQ(results[1]->GetCharErr1(&pChar), S_OK);
    EXPECT_EQ(pChar, nullptr) << "an object that is no characteristic is not kept";
    EXPECT_EQ(results[1]->GetCharErr1(nullptr), E_POINTER);

    EXPECT_EQ(m_spCommon->GetFirstResult(results), results[0].get());
    m_spCommon->ClearResults(results);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(second.References(), cRefs);
}
