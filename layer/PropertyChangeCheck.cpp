// CheckPropertyChange: a property inside a communication entity concerns
// that entity's bus alone; any other property every bus of its component.
#include "layer/CheckSteps.h"

using Microsoft::WRL::ComPtr;

namespace {
const wchar_t kTraceCheckPropertyChange[] = L"CAssistLayer::CheckPropertyChange";
}

// A property that is an element belongs to itself, any other to its parent.
// Every distinct assistant of that element's component is asked once, at the
// first protocol that leads to it.
template <class Ask>
void CAssistLayer::FollowOwnerRoute(IPropertyData* pData, Ask&& ask)
{
    ComPtr<NewZUR::IDataElement> spOwner;
    if (FAILED(pData->QueryInterface(IID_PPV_ARGS(&spOwner))) || !spOwner)
        pData->GetParent(spOwner.ReleaseAndGetAddressOf());
    ComPtr<ICharacteristic> spOwnerChar;
    if (spOwner)
        spOwner->QueryInterface(IID_PPV_ARGS(&spOwnerChar));
    IComponent* piComponent = spOwnerChar ? GetComponentFromCharacteristic(spOwnerChar.Get()) : nullptr;
    if (!piComponent)
        return;
    CConsultedAssistants consulted;
    WalkProtocols(piComponent, [&](IPropertyData*, IAssist2* pAssist) { consulted.AskOnce(pAssist, ask); });
}

STDMETHODIMP CAssistLayer::CheckPropertyChange(BSTR* pbstrErrMsg, IComponent* piCompRoot, IPropertyData* pData,
                                               VARIANT vValue, BSTR* UUIDOfErrorDB)
{
    return ComBoundary([&]() -> HRESULT {
        const CheckOut out{pbstrErrMsg, UUIDOfErrorDB};
        HRESULT hr;
        if (CheckAnswersAtOnce(kTraceCheckPropertyChange, out, false, &hr))
            return hr;

        ResultList results = NewResultList();
        // vValue goes on bit for bit as the host passed it: never copied, never cleared.
        auto ask = [&](IAssist2* pAssist) {
            AnswerStrings answer;
            HRESULT hrAnswer = pAssist->CheckPropertyChange(answer.ErrMsg(), piCompRoot, pData, vValue, answer.ErrDB());
            RecordAssistantResult(results, hrAnswer, answer, false);
        };
        // No property, no owner: nobody to ask.
        if (pData && IsBelowCommunicationEntity(pData))
            FollowEntityRoute(pData, ask);
        else if (pData)
            FollowOwnerRoute(pData, ask);
        return ReturnCheckResult(results, ResultSelector::Worst, out);
    });
}
