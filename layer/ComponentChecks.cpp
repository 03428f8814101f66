// The nine checks driven by the protocols of one component. They run one
// procedure; each method only names its row of the table below.
#include "layer/CheckSteps.h"

using Microsoft::WRL::ComPtr;

// Per check: trace text, component handed on, first-protocol refusal,
// characteristics, which result answers, and the assistant's call.
const CAssistLayer::ComponentCheck CAssistLayer::s_checkNewDevice = {
    L"CAssistLayer::CheckNewDevice",
    HandOn::ProtocolComponent,
    FirstFalse::Dropped,
    Characteristics::None,
    ResultSelector::Worst,
    [](IAssist2* pAssist, const ComponentArgs&, IComponent* piComponent, AnswerStrings& answer,
       CheckAllCharacteristics*) { return pAssist->CheckNewDevice(answer.ErrMsg(), piComponent, answer.ErrDB()); }};

const CAssistLayer::ComponentCheck CAssistLayer::s_checkAll = {
    L"CAssistLayer::CheckAll",
    HandOn::HostComponent,
    FirstFalse::Dropped,
    Characteristics::InOut,
    ResultSelector::Worst,
    [](IAssist2* pAssist, const ComponentArgs& args, IComponent*, AnswerStrings& answer,
       CheckAllCharacteristics* pChars) {
        return pAssist->CheckAll(answer.ErrMsg(), args.piCompRoot, pChars->spChar1.GetAddressOf(),
                                 pChars->spChar2.GetAddressOf(), answer.ErrDB());
    }};

const CAssistLayer::ComponentCheck CAssistLayer::s_checkInsertDrag = {
    L"CAssistLayer::CheckInsertDrag",
    HandOn::ProtocolComponent,
    FirstFalse::Refused,
    Characteristics::None,
    ResultSelector::Worst,
    [](IAssist2* pAssist, const ComponentArgs& args, IComponent* piComponent, AnswerStrings& answer,
       CheckAllCharacteristics*) {
        return pAssist->CheckInsertDrag(answer.ErrMsg(), args.piCompRoot, piComponent, args.piCompOther, args.bAsChild,
                                        answer.ErrDB());
    }};

const CAssistLayer::ComponentCheck CAssistLayer::s_checkInsertDrop = {
    L"CAssistLayer::CheckInsertDrop",
    HandOn::ProtocolComponent,
    FirstFalse::Refused,
    Characteristics::None,
    ResultSelector::Worst,
    [](IAssist2* pAssist, const ComponentArgs& args, IComponent* piComponent, AnswerStrings& answer,
       CheckAllCharacteristics*) {
        return pAssist->CheckInsertDrop(answer.ErrMsg(), args.piCompRoot, piComponent, args.piCompOther, args.bAsChild,
                                        answer.ErrDB());
    }};

const CAssistLayer::ComponentCheck CAssistLayer::s_checkMoveDrag = {
    L"CAssistLayer::CheckMoveDrag",
    HandOn::ProtocolComponent,
    FirstFalse::Refused,
    Characteristics::None,
    ResultSelector::Worst,
    [](IAssist2* pAssist, const ComponentArgs& args, IComponent* piComponent, AnswerStrings& answer,
       CheckAllCharacteristics*) {
        return pAssist->CheckMoveDrag(answer.ErrMsg(), args.piCompRoot, piComponent, args.piCompOther, args.bAsChild,
                                      answer.ErrDB());
    }};

const CAssistLayer::ComponentCheck CAssistLayer::s_checkMoveDrop = {
    L"CAssistLayer::CheckMoveDrop",
    HandOn::ProtocolComponent,
    FirstFalse::Refused,
    Characteristics::None,
    ResultSelector::Worst,
    [](IAssist2* pAssist, const ComponentArgs& args, IComponent* piComponent, AnswerStrings& answer,
       CheckAllCharacteristics*) {
        return pAssist->CheckMoveDrop(answer.ErrMsg(), args.piCompRoot, piComponent, args.piCompOther, args.bAsChild,
                                      answer.ErrDB());
    }};

const CAssistLayer::ComponentCheck CAssistLayer::s_checkReplaceDrag = {
    L"CAssistLayer::CheckReplaceDrag",
    HandOn::HostComponent,
    FirstFalse::Refused,
    Characteristics::None,
    ResultSelector::Worst,
    [](IAssist2* pAssist, const ComponentArgs& args, IComponent* piComponent, AnswerStrings& answer,
       CheckAllCharacteristics*) {
        return pAssist->CheckReplaceDrag(answer.ErrMsg(), args.piCompRoot, piComponent, args.piCompOther,
                                         answer.ErrDB());
    }};

const CAssistLayer::ComponentCheck CAssistLayer::s_checkReplaceDrop = {
    L"CAssistLayer::CheckReplaceDrop",
    HandOn::HostComponent,
    FirstFalse::Refused,
    Characteristics::None,
    ResultSelector::Worst,
    [](IAssist2* pAssist, const ComponentArgs& args, IComponent* piComponent, AnswerStrings& answer,
       CheckAllCharacteristics*) {
        return pAssist->CheckReplaceDrop(answer.ErrMsg(), args.piCompRoot, piComponent, args.piCompOther,
                                         answer.ErrDB());
    }};

// A delete is judged by the first protocol's assistant, not the worst one.
const CAssistLayer::ComponentCheck CAssistLayer::s_checkDelete = {
    L"CAssistLayer::CheckDelete",
    HandOn::ProtocolComponent,
    FirstFalse::Refused,
    Characteristics::None,
    ResultSelector::First,
    [](IAssist2* pAssist, const ComponentArgs& args, IComponent* piComponent, AnswerStrings& answer,
       CheckAllCharacteristics*) {
        return pAssist->CheckDelete(answer.ErrMsg(), args.piCompRoot, piComponent, answer.ErrDB());
    }};

HRESULT CAssistLayer::RunComponentCheck(const ComponentCheck& check, const ComponentArgs& args) noexcept
{
    return ComBoundary([&]() -> HRESULT {
        const bool bCheckAll = check.characteristics == Characteristics::InOut;
        HRESULT hr;
        if (CheckAnswersAtOnce(check.pszTrace, args.out, bCheckAll, &hr))
            return hr;

        // CheckAll keeps the root and its working characteristics for the whole call.
        CheckAllCharacteristics chars;
        ComPtr<IComponent> spRoot;
        if (bCheckAll) {
            chars.spChar1 = *args.out.piCharErr1;
            chars.spChar2 = *args.out.piCharErr2;
            spRoot = args.piCompRoot;
        }
        CheckAllCharacteristics* pChars = bCheckAll ? &chars : nullptr;

        ResultList results = NewResultList();
        bool bFirstProtocol = true;
        WalkProtocols(args.piSource, [&](IPropertyData* pNode, IAssist2* pAssist) {
            // A protocol without a component of its own leaves the host's component.
            ComPtr<IComponent> spComponent;
            if (check.handOn == HandOn::HostComponent ||
                GetComponentFromProtocol(pNode, spComponent.GetAddressOf()) == S_FALSE)
                spComponent = args.piSource;
            AnswerStrings answer;
            HRESULT hrAnswer = check.pfnAsk(pAssist, args, spComponent.Get(), answer, pChars);
            const bool bRefuseFalse = check.firstFalse == FirstFalse::Refused && bFirstProtocol;
            RecordAssistantResult(results, hrAnswer, answer, bRefuseFalse, pChars);
            bFirstProtocol = false;
        });
        return ReturnCheckResult(results, check.selector, args.out, pChars);
    });
}

STDMETHODIMP CAssistLayer::CheckNewDevice(BSTR* pbstrErrMsg, IComponent* piComponent3, BSTR* UUIDOfErrorDB)
{
    return RunComponentCheck(s_checkNewDevice, {{pbstrErrMsg, UUIDOfErrorDB}, nullptr, piComponent3, nullptr, 0});
}

STDMETHODIMP CAssistLayer::CheckAll(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic** piCharErr1,
                                    ICharacteristic** piCharErr2, BSTR* UUIDOfErrorDB)
{
    return RunComponentCheck(
        s_checkAll, {{pbstrErrMsg, UUIDOfErrorDB, piCharErr1, piCharErr2}, piCompRoot, piCompRoot, nullptr, 0});
}

STDMETHODIMP CAssistLayer::CheckInsertDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                           IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return RunComponentCheck(s_checkInsertDrag,
                             {{pbstrErrMsg, UUIDOfErrorDB}, piCompRoot, piCompIns, piCompDest, bAsChild});
}

STDMETHODIMP CAssistLayer::CheckInsertDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                           IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return RunComponentCheck(s_checkInsertDrop,
                             {{pbstrErrMsg, UUIDOfErrorDB}, piCompRoot, piCompIns, piCompDest, bAsChild});
}

STDMETHODIMP CAssistLayer::CheckMoveDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,
                                         IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return RunComponentCheck(s_checkMoveDrag,
                             {{pbstrErrMsg, UUIDOfErrorDB}, piCompRoot, piCompMove, piCompDest, bAsChild});
}

STDMETHODIMP CAssistLayer::CheckMoveDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,
                                         IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return RunComponentCheck(s_checkMoveDrop,
                             {{pbstrErrMsg, UUIDOfErrorDB}, piCompRoot, piCompMove, piCompDest, bAsChild});
}

STDMETHODIMP CAssistLayer::CheckReplaceDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                            IComponent* piCompReplace, BSTR* UUIDOfErrorDB)
{
    return RunComponentCheck(s_checkReplaceDrag,
                             {{pbstrErrMsg, UUIDOfErrorDB}, piCompRoot, piCompPalett, piCompReplace, 0});
}

STDMETHODIMP CAssistLayer::CheckReplaceDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                            IComponent* piCompReplace, BSTR* UUIDOfErrorDB)
{
    return RunComponentCheck(s_checkReplaceDrop,
                             {{pbstrErrMsg, UUIDOfErrorDB}, piCompRoot, piCompPalett, piCompReplace, 0});
}

STDMETHODIMP CAssistLayer::CheckDelete(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piComp,
                                       BSTR* UUIDOfErrorDB)
{
    return RunComponentCheck(s_checkDelete, {{pbstrErrMsg, UUIDOfErrorDB}, piCompRoot, piComp, nullptr, 0});
}
