// CAssistLayer's twelve checks: one procedure, and a row per check of what
// differs. Each assistant the check's route reaches is asked, its answer kept,
// and the verdict handed back through the step CAssistCommon shares.
#include "layer/AssistLayer.h"
#include "layer/AssistLayerTexts.h"

using Microsoft::WRL::ComPtr;
namespace T = AssistLayerText;

namespace {

// From what the check names to the assistants that judge it.
enum class Route
{
    Protocols,  // every protocol of the component
    Connection, // both ends of a connection
    Property    // the property's entity, else its owner's protocols
};
// The component an assistant is handed: the one its protocol belongs to
// (the host's when the protocol has none of its own), or the host's always.
enum class HandOn
{
    ProtocolComponent,
    HostComponent
};
// What an S_FALSE of the first protocol's assistant counts as.
enum class FirstFalse
{
    Dropped,
    Refused
};

struct CheckRow
{
    Route route;
    HandOn handOn;
    FirstFalse firstFalse;
    ResultSelector selector;
};

// In CheckId order. A delete is judged by the first protocol's assistant.
constexpr CheckRow kCheckRows[kCheckCount] = {
    {Route::Protocols, HandOn::ProtocolComponent, FirstFalse::Dropped, ResultSelector::Worst}, // NewDevice
    {Route::Protocols, HandOn::HostComponent, FirstFalse::Dropped, ResultSelector::Worst},     // All
    {Route::Property, HandOn::HostComponent, FirstFalse::Dropped, ResultSelector::Worst},      // PropertyChange
    {Route::Protocols, HandOn::ProtocolComponent, FirstFalse::Refused, ResultSelector::Worst}, // InsertDrag
    {Route::Protocols, HandOn::ProtocolComponent, FirstFalse::Refused, ResultSelector::Worst}, // InsertDrop
    {Route::Protocols, HandOn::ProtocolComponent, FirstFalse::Refused, ResultSelector::Worst}, // MoveDrag
    {Route::Protocols, HandOn::ProtocolComponent, FirstFalse::Refused, ResultSelector::Worst}, // MoveDrop
    {Route::Protocols, HandOn::HostComponent, FirstFalse::Refused, ResultSelector::Worst},     // ReplaceDrag
    {Route::Protocols, HandOn::HostComponent, FirstFalse::Refused, ResultSelector::Worst},     // ReplaceDrop
    {Route::Connection, HandOn::HostComponent, FirstFalse::Dropped, ResultSelector::Worst},    // Connect
    {Route::Connection, HandOn::HostComponent, FirstFalse::Dropped, ResultSelector::Worst},    // Disconnect
    {Route::Protocols, HandOn::ProtocolComponent, FirstFalse::Refused, ResultSelector::First}, // Delete
};

} // namespace

DEFINE_CHECK_METHODS(CAssistLayer)

HRESULT CAssistLayer::RunCheck(CheckId id, const CheckArgs& args, BSTR* pbstrErrMsg, BSTR* pbstrErrDB) noexcept
{
    return ComBoundary([&]() -> HRESULT {
        const CheckRow& row = kCheckRows[static_cast<int>(id)];
        HRESULT hr;
        if (CheckAnswersAtOnce(T::kTraceChecks[static_cast<int>(id)], id, args, pbstrErrMsg, pbstrErrDB, &hr))
            return hr;
        // Overwritten, never freed; null until the verdict is known.
        *pbstrErrMsg = nullptr;
        *pbstrErrDB = nullptr;

        // CheckAll keeps the root and its working characteristics for the whole call.
        CCheckCharacteristics chars(id, args);
        CheckArgs passed = args;
        chars.PointInto(passed);
        const ComPtr<IComponent> spRoot = chars.IsActive() ? args.piRoot : nullptr;
        ResultList results = NewResultList();
        bool bFirstProtocol = true;
        auto ask = [&](IAssist2* pAssist, IComponent* piComponent) {
            passed.piComp = piComponent;
            CAnswerStrings answer;
            const HRESULT hrAnswer = CallCheck(pAssist, id, answer.bstrErrMsg.Out(), passed, answer.bstrErrDB.Out());
            const bool bRefuseFalse = row.firstFalse == FirstFalse::Refused && bFirstProtocol;
            KeepAnswer(results, hrAnswer, answer, m_bstrBusName.View(), m_bstrBusName.View(), bRefuseFalse, chars);
            bFirstProtocol = false;
        };
        auto askForHost = [&](IAssist2* pAssist) { ask(pAssist, args.piComp); };
        if (row.route == Route::Connection)
            FollowConnectionRoutes(args.piChar1, args.piChar2, askForHost);
        else if (row.route == Route::Property)
            FollowPropertyRoute(args.pData, askForHost);
        else
            WalkProtocols(args.piComp, [&](IPropertyData* pNode, IAssist2* pAssist) {
                // A protocol without a component of its own leaves the host's component.
                ComPtr<IComponent> spComponent;
                if (row.handOn == HandOn::HostComponent ||
                    GetComponentFromProtocol(pNode, spComponent.GetAddressOf()) == S_FALSE)
                    spComponent = args.piComp;
                ask(pAssist, spComponent.Get());
            });
        return HandVerdict(results, row.selector, args, pbstrErrMsg, pbstrErrDB, chars, HostCopies::NullWhenShort,
                           &m_bstrBusName);
    });
}
