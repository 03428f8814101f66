// CAssistCommon: the debug options, the registry reader behind them, the
// debug-option gate and the control-event trace.
#include "common/AssistCommon.h"
#include <iterator>
#include "common/AssistCommonTexts.h"
#include "com/Owners.h"
#include "common/HostCall.h"
#include "diagnostics/ErrorLog.h"

using Microsoft::WRL::ComPtr;
namespace T = AssistCommonText;

HRESULT ReadRegistryLong(long lScope, const wchar_t* keyPath, const wchar_t* valueName, long* plValue)
{
    ComPtr<NewZUR::IContext> spContext;
    RETURN_IF_FAILED(CreateContext(spContext));
    ComPtr<NewZUR::IRegistryKey> spKey;
    RETURN_IF_FAILED(RequireObject(spContext->OpenKey(lScope, CBstr(keyPath), &spKey), spKey));
    ComPtr<NewZUR::IRegistryValue> spValue;
    RETURN_IF_FAILED(RequireObject(spKey->GetItem(CVariant::String(valueName), &spValue), spValue));
    CVariant vData;
    RETURN_IF_FAILED(spValue->GetData(vData.Out()));
    if (vData.vt != VT_I4)
        RETURN_IF_FAILED(VariantChangeType(&vData, &vData, 0, VT_I4));
    *plValue = vData.lVal;
    return S_OK;
}

namespace {

// Scope 9 wins; scope 17 is read only when scope 9 fails. *plValue is
// written only on success.
HRESULT ReadOption(const wchar_t* valueName, long* plValue)
{
    HRESULT hr = ReadRegistryLong(T::kFirstScope, T::kOptionsKey, valueName, plValue);
    if (FAILED(hr))
        hr = ReadRegistryLong(T::kSecondScope, T::kOptionsKey, valueName, plValue);
    return hr;
}

// The row that names the option in force, by its value: 0, 1 and 2.
const LogRow* const kDebugOptionRows[] = {&T::kRowDebugAnswerOk, &T::kRowDebugAnswerFail, &T::kRowDebugDefault};

} // namespace

void CAssistCommon::LoadDebugOptions()
{
    long lValue = 0;
    HRESULT hr = ReadOption(T::kDebugValue, &lValue);
    if (FAILED(hr)) {
        WriteLogRow(T::kRowDebugMissing, hr);
        lValue = LayerNames::kDebugNormal;
    }
    m_lDebugOption = lValue;
    if (m_lDebugOption >= 0 && m_lDebugOption < static_cast<long>(std::size(kDebugOptionRows)))
        WriteLogRow(*kDebugOptionRows[m_lDebugOption], hr);

    hr = ReadOption(T::kTraceValue, &lValue);
    if (FAILED(hr)) {
        WriteLogRow(T::kRowTraceMissing, hr);
        lValue = 1;
    }
    m_lTraceOption = lValue;
    // Set only now, so this object's own rows above were dropped when it is
    // the first to switch the log on.
    if (m_lTraceOption != 0)
        g_bErrorLogEnabled = 1;
}

// Only reached with the trace on and a topology to send to. Neither argument
// owns what it holds: nothing is made and nothing freed per event.
void CAssistCommon::SendTrace(const VARIANT& vText)
{
    const HRESULT hr = m_spTopology->FireControlEvent(T::kEventId, T::kEventParam1, T::kEventParam2, T::kEventKindArg,
                                                      vText, T::kEventParam3);
    if (hr != S_OK)
        WriteLogRow(T::kRowFireFailed, hr);
}

bool CAssistCommon::DebugGateAnswers(HRESULT* phr) const noexcept
{
    if (m_lDebugOption != LayerNames::kDebugAnswerOk && m_lDebugOption != LayerNames::kDebugAnswerFail)
        return false;
    *phr = m_lDebugOption == LayerNames::kDebugAnswerOk ? S_OK : E_FAIL;
    return true;
}
