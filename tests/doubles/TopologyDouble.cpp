// The topology, its schema and the error-database service.
#include "doubles/HostObjects.h"

using Microsoft::WRL::ComPtr;

CTopologyDouble::CTopologyDouble(std::shared_ptr<CHostDouble> spHost)
    : CDoubleBase(L"topology", L"host"), m_spHost(std::move(spHost))
{}

STDMETHODIMP CTopologyDouble::GetSchema(NewZUR::IDataSchema** ppSchema)
{
    LogCall(L"GetSchema");
    DOUBLE_OUT_PARAMETER(ppSchema);
    if (!m_spHost)
        return E_UNEXPECTED;
    HandOut(ppSchema, m_spHost->m_spSchema.Get());
    return CFaultPlan::Result(fault, S_OK);
}

STDMETHODIMP CTopologyDouble::GetErrorDatabaseService(NewZUR::IErrorDatabaseService** ppService)
{
    LogCall(L"GetErrorDatabaseService");
    DOUBLE_OUT_PARAMETER(ppService);
    if (!m_spHost)
        return E_UNEXPECTED;
    const CTopologyScript& script = m_spHost->topology;
    if (FAILED(script.hrGetErrorDatabaseService))
        return script.hrGetErrorDatabaseService;
    if (!script.bNullErrorDatabaseService)
        HandOut(ppService, m_spHost->m_spErrorDb.Get());
    return CFaultPlan::Result(fault, script.hrGetErrorDatabaseService);
}

STDMETHODIMP CTopologyDouble::FireControlEvent(long lEvent, long lParam1, long lParam2, VARIANT vArg1, VARIANT vArg2,
                                               long lParam3)
{
    LogCall(L"FireControlEvent");
    if (!m_spHost)
        return E_UNEXPECTED;
    ++m_spHost->topology.lFired;
    DOUBLE_FAULT_POINT();
    if (!CRecording::On())
        return CFaultPlan::Result(fault, m_spHost->topology.hrFireControlEvent);
    return ComBoundary([&] {
        CControlEvent event;
        event.lEvent = lEvent;
        event.lParam1 = lParam1;
        event.lParam2 = lParam2;
        event.arg1 = CVariantRecord::Of(vArg1);
        event.arg2 = CVariantRecord::Of(vArg2);
        event.lParam3 = lParam3;
        m_spHost->topology.vecEvents.push_back(std::move(event));
        return CFaultPlan::Result(fault, m_spHost->topology.hrFireControlEvent);
    });
}

STDMETHODIMP CSchemaDouble::GetTypeId(BSTR bstrTypeName, long* plTypeId)
{
    LogCall(L"GetTypeId");
    if (!plTypeId)
        return E_POINTER;
    DOUBLE_FAULT_POINT();
    std::shared_ptr<CHostDouble> spHost = m_wpHost.lock();
    if (!spHost)
        return E_UNEXPECTED;
    CSchemaScript& script = spHost->schema;
    if (FAILED(script.hrGetTypeId))
        return script.hrGetTypeId;
    auto it = script.mapTypeIds.find(BstrView(bstrTypeName));
    if (it == script.mapTypeIds.end())
        return E_INVALIDARG;
    *plTypeId = it->second;
    return CFaultPlan::Result(fault, script.hrGetTypeId);
}

STDMETHODIMP CErrorDbDouble::Classify(long lCode, long* plClass, BSTR bstrMessage, BSTR bstrErrDB, BSTR* pbstrText)
{
    LogCall(L"Classify");
    std::shared_ptr<CHostDouble> spHost = m_wpHost.lock();
    if (!spHost)
        return E_UNEXPECTED;
    CErrorDbScript& script = spHost->errorDb;
    if (CRecording::On()) {
        CClassifyCall call;
        call.lCode = lCode;
        if (bstrMessage)
            call.optMessage = std::wstring(BstrView(bstrMessage));
        if (bstrErrDB)
            call.optErrDB = std::wstring(BstrView(bstrErrDB));
        call.lClassIn = plClass ? *plClass : 0;
        call.pTextIn = pbstrText ? *pbstrText : nullptr;
        script.vecCalls.push_back(call);
    }
    DOUBLE_FAULT_POINT();
    long lClass = script.ClassFor(lCode, BstrView(bstrMessage), bstrMessage != nullptr);
    if (plClass && !script.bLeaveClass)
        *plClass = lClass;
    // The text always comes back, whatever the call answers: the caller frees
    // it. With recording off no text is made: the host's cost stays low.
    if (pbstrText && !CRecording::On())
        *pbstrText = nullptr;
    else if (pbstrText) {
        wchar_t szText[32];
        swprintf(szText, 32, L"message class %ld", lClass);
        *pbstrText = SysAllocString(szText);
    }
    return CFaultPlan::Result(fault, script.hrClassify);
}

STDMETHODIMP CClassObjectDouble::CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv)
{
    // A creation fails outright or not at all.
    DOUBLE_OUT_PARAMETER(ppv);
    if (pOuter)
        return CLASS_E_NOAGGREGATION;
    return ComBoundary([&] { return m_fnCreate(riid, ppv); });
}
