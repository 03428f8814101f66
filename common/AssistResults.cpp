// CAssistCommon: the result list of one check and the choice of its worst
// result through the host's error-database service.
#include "common/AssistCommon.h"
#include "common/AssistCommonTexts.h"
#include "com/Owners.h"

using Microsoft::WRL::ComPtr;
namespace T = AssistCommonText;

namespace {

// Message class 0..3 to rank: class 1 outranks class 2.
constexpr int kRankOfClass[] = {0, 2, 1, 3};
constexpr long kLastClass = 3;
// Written into the class before each classification, so an answer that leaves
// it alone is ranked from the result's own HRESULT.
constexpr long kUnclassified = kLastClass + 1;

long ClassOfResult(HRESULT hr) noexcept
{
    if (hr == S_OK)
        return 0;
    return FAILED(hr) ? 3 : 2;
}

// A class outside 0..3 (above or negative) is replaced from the HRESULT.
int RankOf(long lClass, HRESULT hr) noexcept
{
    if (lClass < 0 || lClass > kLastClass)
        lClass = ClassOfResult(hr);
    return kRankOfClass[lClass];
}

int Classify(NewZUR::IErrorDatabaseService* piService, const CAssistResult& result)
{
    CBstr bstrMessage(result.GetErrMsg());
    CBstr bstrErrDB(result.GetErrDB());
    CBstr bstrText;
    long lClass = kUnclassified;
    // A failed classification counts as no class at all.
    if (FAILED(piService->Classify(result.GetHr(), &lClass, bstrMessage, bstrErrDB, bstrText.Out())))
        lClass = kUnclassified;
    return RankOf(lClass, result.GetHr());
}

} // namespace

void CAssistCommon::ClearResults(ResultList& results)
{
    ZURTrace(T::kTraceClearResults);
    // In list order, each taken out of its slot before it is deleted (reset
    // empties the slot first); one pass, the slots go together at the end.
    for (std::unique_ptr<CAssistResult>& spSlot : results)
        spSlot.reset();
    results.clear();
}

ResultList CAssistCommon::NewResultList()
{
    // One allocation covers a component of up to eight buses.
    constexpr size_t kUsualAnswers = 8;
    ResultList results;
    results.reserve(kUsualAnswers);
    return results;
}

CAssistResult* CAssistCommon::GetFirstResult(ResultList& results)
{
    ZURTrace(T::kTraceGetFirstResult);
    return results.empty() ? nullptr : results.front().get();
}

CAssistResult* CAssistCommon::GetWorstResult(ResultList& results)
{
    ZURTrace(T::kTraceGetWorstResult);
    // Without a topology there is no service to rank with: like a failing one.
    if (results.empty() || !m_spTopology)
        return nullptr;
    ComPtr<NewZUR::IErrorDatabaseService> spService;
    if (FAILED(m_spTopology->GetErrorDatabaseService(&spService)) || !spService)
        return nullptr;
    CAssistResult* pWorst = results.front().get();
    for (const auto& spResult : results) {
        spResult->SetRank(Classify(spService.Get(), *spResult));
        // Equal ranks keep the earlier result.
        if (spResult->GetRank() > pWorst->GetRank())
            pWorst = spResult.get();
    }
    return pWorst;
}
