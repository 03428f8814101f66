// CheckConnect and CheckDisconnect: both ends of the connection lead to
// assistants, and each assistant is asked once per call.
#include "layer/CheckSteps.h"

const CAssistLayer::ConnectionCheck CAssistLayer::s_checkConnect = {L"CAssistLayer::CheckConnect",
                                                                    &IAssist2::CheckConnect};
const CAssistLayer::ConnectionCheck CAssistLayer::s_checkDisconnect = {L"CAssistLayer::CheckDisconnect",
                                                                       &IAssist2::CheckDisconnect};

HRESULT CAssistLayer::RunConnectionCheck(const ConnectionCheck& check, const ConnectionArgs& args) noexcept
{
    return ComBoundary([&]() -> HRESULT {
        HRESULT hr;
        if (CheckAnswersAtOnce(check.pszTrace, args.out, false, &hr))
            return hr;

        ResultList results = NewResultList();
        CConsultedAssistants consulted;
        auto ask = [&](IAssist2* pAssist) {
            AnswerStrings answer;
            HRESULT hrAnswer = (pAssist->*check.pfnAsk)(answer.ErrMsg(), args.piCompRoot, args.piCharConn1,
                                                        args.piCharConn2, answer.ErrDB());
            RecordAssistantResult(results, hrAnswer, answer, false);
        };
        // One set for both ends: an assistant both lead to is asked for the first.
        auto askOnce = [&](IAssist2* pAssist) { consulted.AskOnce(pAssist, ask); };
        FollowCharacteristicRoutes(args.piCharConn1, askOnce);
        FollowCharacteristicRoutes(args.piCharConn2, askOnce);
        return ReturnCheckResult(results, ResultSelector::Worst, args.out);
    });
}

STDMETHODIMP CAssistLayer::CheckConnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,
                                        ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB)
{
    return RunConnectionCheck(s_checkConnect, {{pbstrErrMsg, UUIDOfErrorDB}, piCompRoot, piCharConn1, piCharConn2});
}

STDMETHODIMP CAssistLayer::CheckDisconnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,
                                           ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB)
{
    return RunConnectionCheck(s_checkDisconnect, {{pbstrErrMsg, UUIDOfErrorDB}, piCompRoot, piCharConn1, piCharConn2});
}
