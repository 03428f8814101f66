// CAssistCommon: the verdict step both objects share. A check keeps each
// assistant's answer, selects the worst (through the host's error-database
// service) or the first, and hands the verdict back to the host.
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

// A copy for the host. One that cannot be allocated leaves the host a null
// string, and the check still answers.
BSTR CopyForHost(const std::wstring& text) noexcept
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// Replaces the host's characteristic with ours; the host's reference is ours
// to drop.
void HandBack(ICharacteristic** ppChar, ComPtr<ICharacteristic>& spChar) noexcept
{
    ComPtr<ICharacteristic> spHeld;
    *spHeld.GetAddressOf() = *ppChar;
    *ppChar = spChar.Detach();
}

} // namespace

CCheckCharacteristics::CCheckCharacteristics(CheckId id, const CheckArgs& args)
    : m_bActive(id == CheckId::All), m_passed(args)
{
    if (m_bActive) {
        m_spChar1 = *args.ppCharErr1;
        m_spChar2 = *args.ppCharErr2;
        m_passed.ppCharErr1 = m_spChar1.GetAddressOf();
        m_passed.ppCharErr2 = m_spChar2.GetAddressOf();
    }
}

bool CAssistCommon::CheckAnswersAtOnce(const wchar_t* pszTrace, CheckId id, const CheckArgs& args, BSTR* pbstrErrMsg,
                                       BSTR* pbstrErrDB, HRESULT* phr)
{
    ZURTrace(pszTrace);
    if (DebugGateAnswers(phr))
        return true;
    *phr = E_POINTER;
    if (!pbstrErrMsg || !pbstrErrDB)
        return true;
    return id == CheckId::All && (!args.ppCharErr1 || !args.ppCharErr2);
}

void CAssistCommon::KeepAnswer(ResultList& results, HRESULT hrAnswer, CAnswerStrings& answer,
                               std::wstring_view protocol, std::wstring_view busName, bool bRefuseFalse,
                               const CCheckCharacteristics& chars)
{
    // Always with the assistant's own answer: a refused S_FALSE gets no database.
    BSTR bstrErrDB = answer.bstrErrDB.Detach();
    SelectProperErrorDBforRetval(hrAnswer, protocol, &bstrErrDB);
    answer.bstrErrDB.Reset(bstrErrDB);
    if (hrAnswer == S_FALSE && !bRefuseFalse)
        return;
    const HRESULT hrRecorded = hrAnswer == S_FALSE ? E_FAIL : hrAnswer;
    const std::wstring_view errMsg = answer.bstrErrMsg.View();
    const std::wstring_view errDB = answer.bstrErrDB.View();
    if (chars.IsActive())
        results.push_back(
            std::make_unique<CAssistResult>(busName, errMsg, hrRecorded, chars.First(), chars.Second(), errDB));
    else
        results.push_back(std::make_unique<CAssistResult>(busName, errMsg, hrRecorded, errDB));
}

HRESULT CAssistCommon::HandVerdict(ResultList& results, ResultSelector selector, const CheckArgs& args,
                                   BSTR* pbstrErrMsg, BSTR* pbstrErrDB, const CCheckCharacteristics& chars,
                                   HostCopies copies, CBstr* pbstrBusName)
{
    CAssistResult* pResult = selector == ResultSelector::First ? GetFirstResult(results) : GetWorstResult(results);

    // Everything that can fail is prepared while the result exists; the host's
    // variables change only once nothing can fail any more.
    HRESULT hr = E_FAIL;
    CBstr bstrBusName, bstrErrDB, bstrErrMsg;
    ComPtr<ICharacteristic> spCharErr1, spCharErr2;
    if (pbstrBusName)
        bstrBusName = CBstr(pResult ? std::wstring_view(pResult->GetBusName()) : std::wstring_view());
    if (pResult) {
        hr = pResult->GetHr();
        if (copies == HostCopies::NullWhenShort) {
            bstrErrDB.Reset(CopyForHost(pResult->GetErrDB()));
            bstrErrMsg.Reset(CopyForHost(pResult->GetErrMsg()));
        } else {
            bstrErrDB = CBstr(pResult->GetErrDB());
            bstrErrMsg = CBstr(pResult->GetErrMsg());
        }
        // A working characteristic that ended null hands back null.
        if (chars.First())
            pResult->GetCharErr1(spCharErr1.GetAddressOf());
        if (chars.Second())
            pResult->GetCharErr2(spCharErr2.GetAddressOf());
    }
    ClearResults(results);

    *pbstrErrDB = bstrErrDB.Detach();
    *pbstrErrMsg = bstrErrMsg.Detach();
    if (pbstrBusName)
        *pbstrBusName = std::move(bstrBusName);
    // Without a result the host keeps the characteristics it passed.
    if (pResult && chars.IsActive()) {
        HandBack(args.ppCharErr1, spCharErr1);
        HandBack(args.ppCharErr2, spCharErr2);
    }
    return hr;
}

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
