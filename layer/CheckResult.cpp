// The two steps every check of the layer shares: keeping an assistant's
// answer, and handing the selected answer to the host.
#include "layer/CheckSteps.h"

using Microsoft::WRL::ComPtr;

namespace {

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
    if (*ppChar)
        (*ppChar)->Release();
    *ppChar = spChar.Detach();
}

} // namespace

bool CAssistLayer::CheckAnswersAtOnce(const wchar_t* pszTrace, const CheckOut& out, bool bCharacteristics, HRESULT* phr)
{
    ZURTrace(pszTrace);
    if (DebugGateAnswers(phr))
        return true;
    *phr = E_POINTER;
    if (!out.pbstrErrMsg || !out.UUIDOfErrorDB)
        return true;
    if (bCharacteristics && (!out.piCharErr1 || !out.piCharErr2))
        return true;
    // Overwritten, never freed; null until the verdict is known.
    *out.pbstrErrMsg = nullptr;
    *out.UUIDOfErrorDB = nullptr;
    return false;
}

void CAssistLayer::RecordAssistantResult(ResultList& results, HRESULT hrAnswer, AnswerStrings& answer,
                                         bool bRefuseFalse, const CheckAllCharacteristics* pChars)
{
    // Always with the assistant's own answer: a refused S_FALSE gets no database.
    SelectProperErrorDBforRetval(hrAnswer, m_bstrBusName.View(), answer.ErrDB());
    if (hrAnswer == S_FALSE && !bRefuseFalse)
        return;
    const HRESULT hrRecorded = hrAnswer == S_FALSE ? E_FAIL : hrAnswer;
    const std::wstring_view busName = m_bstrBusName.View();
    const std::wstring_view errMsg = BstrView(*answer.ErrMsg());
    const std::wstring_view errDB = BstrView(*answer.ErrDB());
    if (pChars)
        results.push_back(std::make_unique<CAssistResult>(busName, errMsg, hrRecorded, pChars->spChar1.Get(),
                                                          pChars->spChar2.Get(), errDB));
    else
        results.push_back(std::make_unique<CAssistResult>(busName, errMsg, hrRecorded, errDB));
}

HRESULT CAssistLayer::ReturnCheckResult(ResultList& results, ResultSelector selector, const CheckOut& out,
                                        const CheckAllCharacteristics* pChars)
{
    CAssistResult* pResult = selector == ResultSelector::First ? GetFirstResult(results) : GetWorstResult(results);

    // Everything that can fail is prepared while the result exists; the host's
    // variables change only once nothing can fail any more.
    const bool bFound = pResult != nullptr;
    HRESULT hr = E_FAIL;
    CBstr bstrBusName(bFound ? std::wstring_view(pResult->GetBusName()) : std::wstring_view());
    CBstr bstrErrDB;
    CBstr bstrErrMsg;
    ComPtr<ICharacteristic> spCharErr1;
    ComPtr<ICharacteristic> spCharErr2;
    if (bFound) {
        hr = pResult->GetHr();
        bstrErrDB.Reset(CopyForHost(pResult->GetErrDB()));
        bstrErrMsg.Reset(CopyForHost(pResult->GetErrMsg()));
        // A working characteristic that ended null hands back null.
        if (pChars && pChars->spChar1)
            pResult->GetCharErr1(spCharErr1.GetAddressOf());
        if (pChars && pChars->spChar2)
            pResult->GetCharErr2(spCharErr2.GetAddressOf());
    }
    ClearResults(results);

    *out.UUIDOfErrorDB = bstrErrDB.Detach();
    *out.pbstrErrMsg = bstrErrMsg.Detach();
    m_bstrBusName = std::move(bstrBusName);
    // Without a result the host keeps the characteristics it passed.
    if (bFound && pChars) {
        HandBack(out.piCharErr1, spCharErr1);
        HandBack(out.piCharErr2, spCharErr2);
    }
    return hr;
}
