// CAssistLayer's twelve checks: one procedure, and a row per check of what
// differs. Each assistant the check's route reaches is asked, its answer kept,
// and the verdict handed back through the step CAssistCommon shares.
#include "layer/AssistLayer.h"
#include "layer/AssistLayerTexts.h"
#include <iterator>

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
constexpr CheckRow kCheckRows[] = {
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
static_assert(std::size(kCheckRows) == kCheckCount, "one row for each check");

} // namespace

// The host's arguments, named by the fields they fill (m the message, d the error database).
STDMETHODIMP CAssistLayer::CheckNewDevice(BSTR* m, IComponent* c, BSTR* d)
{
    return RunCheck(CheckId::NewDevice, {.piComp = c}, m, d);
}

STDMETHODIMP CAssistLayer::CheckAll(BSTR* m, IComponent* r, ICharacteristic** e1, ICharacteristic** e2, BSTR* d)
{
    return RunCheck(CheckId::All, {.piRoot = r, .piComp = r, .ppCharErr1 = e1, .ppCharErr2 = e2}, m, d);
}

STDMETHODIMP CAssistLayer::CheckPropertyChange(BSTR* m, IComponent* r, IPropertyData* p, VARIANT v, BSTR* d)
{
    return RunCheck(CheckId::PropertyChange, {.piRoot = r, .pData = p, .pvValue = &v}, m, d);
}

STDMETHODIMP CAssistLayer::CheckInsertDrag(BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d)
{
    return RunCheck(CheckId::InsertDrag, {.piRoot = r, .piComp = c, .piOther = o, .bAsChild = b}, m, d);
}

STDMETHODIMP CAssistLayer::CheckInsertDrop(BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d)
{
    return RunCheck(CheckId::InsertDrop, {.piRoot = r, .piComp = c, .piOther = o, .bAsChild = b}, m, d);
}

STDMETHODIMP CAssistLayer::CheckMoveDrag(BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d)
{
    return RunCheck(CheckId::MoveDrag, {.piRoot = r, .piComp = c, .piOther = o, .bAsChild = b}, m, d);
}

STDMETHODIMP CAssistLayer::CheckMoveDrop(BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d)
{
    return RunCheck(CheckId::MoveDrop, {.piRoot = r, .piComp = c, .piOther = o, .bAsChild = b}, m, d);
}

STDMETHODIMP CAssistLayer::CheckReplaceDrag(BSTR* m, IComponent* r, IComponent* c, IComponent* o, BSTR* d)
{
    return RunCheck(CheckId::ReplaceDrag, {.piRoot = r, .piComp = c, .piOther = o}, m, d);
}

STDMETHODIMP CAssistLayer::CheckReplaceDrop(BSTR* m, IComponent* r, IComponent* c, IComponent* o, BSTR* d)
{
    return RunCheck(CheckId::ReplaceDrop, {.piRoot = r, .piComp = c, .piOther = o}, m, d);
}

STDMETHODIMP CAssistLayer::CheckConnect(BSTR* m, IComponent* r, ICharacteristic* c1, ICharacteristic* c2, BSTR* d)
{
    return RunCheck(CheckId::Connect, {.piRoot = r, .piChar1 = c1, .piChar2 = c2}, m, d);
}

STDMETHODIMP CAssistLayer::CheckDisconnect(BSTR* m, IComponent* r, ICharacteristic* c1, ICharacteristic* c2, BSTR* d)
{
    return RunCheck(CheckId::Disconnect, {.piRoot = r, .piChar1 = c1, .piChar2 = c2}, m, d);
}

STDMETHODIMP CAssistLayer::CheckDelete(BSTR* m, IComponent* r, IComponent* c, BSTR* d)
{
    return RunCheck(CheckId::Delete, {.piRoot = r, .piComp = c}, m, d);
}

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
        CheckArgs& passed = chars.Passed();
        const ComPtr<IComponent> spRoot = chars.IsActive() ? args.piRoot : nullptr;
        ResultList results = NewResultList();
        bool bFirstProtocol = true;
        // The answer is kept under the protocol that led to the assistant, which
        // also names its error database.
        auto ask = [&](IAssist2* pAssist, IComponent* piComponent, std::wstring_view protocol) {
            passed.piComp = piComponent;
            CAnswerStrings answer;
            const HRESULT hrAnswer = CallCheck(pAssist, id, answer.bstrErrMsg.Out(), passed, answer.bstrErrDB.Out());
            const bool bRefuseFalse = row.firstFalse == FirstFalse::Refused && bFirstProtocol;
            KeepAnswer(results, hrAnswer, answer, protocol, protocol, bRefuseFalse, chars);
            bFirstProtocol = false;
        };
        auto askForHost = [&](IAssist2* pAssist, std::wstring_view protocol) { ask(pAssist, args.piComp, protocol); };
        if (row.route == Route::Connection)
            FollowConnectionRoutes(args.piChar1, args.piChar2, askForHost);
        else if (row.route == Route::Property)
            FollowPropertyRoute(args.pData, askForHost);
        else
            WalkProtocols(args.piComp, [&](IPropertyData* pNode, IAssist2* pAssist, std::wstring_view protocol) {
                // A protocol without a component of its own leaves the host's component.
                ComPtr<IComponent> spComponent;
                if (row.handOn == HandOn::HostComponent ||
                    GetComponentFromProtocol(pNode, spComponent.GetAddressOf()) == S_FALSE)
                    spComponent = args.piComp;
                ask(pAssist, spComponent.Get(), protocol);
            });
        return HandVerdict(results, row.selector, args, pbstrErrMsg, pbstrErrDB, chars, HostCopies::NullWhenShort,
                           &m_bstrBusName);
    });
}
