// The topology, its schema and the error-database service.
#include <cwchar>
#include "doubles/HostDouble.h"

using Microsoft::WRL::ComPtr;

namespace {

class CTopologyDouble : public CDoubleBase, public CNoDispatch<NewZUR::ITopology>
{
public:
    DOUBLE_INTERFACE_TABLE(CTopologyDouble, NewZUR::ITopology)

    explicit CTopologyDouble(std::weak_ptr<CHostDouble> wpHost)
        : CDoubleBase(L"topology", L"host"), m_wpHost(std::move(wpHost))
    {}

    STDMETHODIMP GetSchema(NewZUR::IDataSchema** ppSchema) override
    {
        LogCall(L"GetSchema");
        DOUBLE_OUT_PARAMETER(ppSchema);
        return ComBoundary([&] {
            HandOut(ppSchema, LiveHost(m_wpHost)->Schema());
            return CFaultPlan::Result(fault, S_OK);
        });
    }
    STDMETHODIMP GetErrorDatabaseService(NewZUR::IErrorDatabaseService** ppService) override
    {
        LogCall(L"GetErrorDatabaseService");
        DOUBLE_OUT_PARAMETER(ppService);
        return ComBoundary([&] {
            HandOut(ppService, LiveHost(m_wpHost)->ErrorDb());
            return CFaultPlan::Result(fault, S_OK);
        });
    }
    STDMETHODIMP FireControlEvent(long lEvent, long lParam1, long lParam2, VARIANT vArg1, VARIANT vArg2,
                                  long lParam3) override
    {
        LogCall(L"FireControlEvent");
        return ComBoundary([&] {
            CTopologyScript& script = LiveHost(m_wpHost)->topology;
            ++script.lFired;
            DOUBLE_FAULT_POINT();
            if (CRecording::On())
                script.vecEvents.push_back(CControlEvent{lEvent, lParam1, lParam2, CVariantRecord::Of(vArg1),
                                                         CVariantRecord::Of(vArg2), lParam3});
            return CFaultPlan::Result(fault, script.hrFireControlEvent);
        });
    }
    DOUBLE_RESERVED(7)
    DOUBLE_RESERVED(8)
    DOUBLE_RESERVED_TENS(1)

private:
    std::weak_ptr<CHostDouble> m_wpHost;
};

class CSchemaDouble : public CDoubleBase, public CNoDispatch<NewZUR::IDataSchema>
{
public:
    DOUBLE_INTERFACE_TABLE(CSchemaDouble, NewZUR::IDataSchema)

    CSchemaDouble() : CDoubleBase(L"schema", L"schema") {}
    STDMETHODIMP GetTypeId(BSTR bstrTypeName, long* plTypeId) override
    {
        LogCall(L"GetTypeId");
        if (!plTypeId)
            return E_POINTER;
        DOUBLE_FAULT_POINT();
        if (BstrView(bstrTypeName) != L"communicationEntity")
            return E_INVALIDARG;
        *plTypeId = CHostDouble::kTypeCommunicationEntity;
        return CFaultPlan::Result(fault, S_OK);
    }
    // clang-format off
    DOUBLE_RESERVED(7) DOUBLE_RESERVED(8) DOUBLE_RESERVED(9) DOUBLE_RESERVED_TENS(1) DOUBLE_RESERVED_TENS(2)
    DOUBLE_RESERVED(30) DOUBLE_RESERVED(31)
    // clang-format on
};

class CErrorDbDouble : public CDoubleBase, public CNoDispatch<NewZUR::IErrorDatabaseService>
{
public:
    DOUBLE_INTERFACE_TABLE(CErrorDbDouble, NewZUR::IErrorDatabaseService)

    explicit CErrorDbDouble(std::weak_ptr<CHostDouble> wpHost)
        : CDoubleBase(L"errordb", L"errordb"), m_wpHost(std::move(wpHost))
    {}
    // The text always comes back, whatever the call answers: the caller frees
    // it. With recording off no text is made: the host's cost stays low.
    STDMETHODIMP Classify(long lCode, long* plClass, BSTR bstrMessage, BSTR, BSTR* pbstrText) override
    {
        LogCall(L"Classify");
        return ComBoundary([&] {
            const CErrorDbScript& script = LiveHost(m_wpHost)->errorDb;
            DOUBLE_FAULT_POINT();
            auto it =
                bstrMessage ? script.mapClassByMessage.find(BstrView(bstrMessage)) : script.mapClassByMessage.end();
            const long lClass = it != script.mapClassByMessage.end() ? it->second
                                : lCode == S_OK                      ? 0
                                : lCode < 0                          ? 3
                                                                     : 2;
            if (plClass)
                *plClass = lClass;
            if (pbstrText && !CRecording::On())
                *pbstrText = nullptr;
            else if (pbstrText) {
                wchar_t szText[32];
                swprintf(szText, 32, L"message class %ld", lClass);
                *pbstrText = SysAllocString(szText);
            }
            return CFaultPlan::Result(fault, S_OK);
        });
    }

private:
    std::weak_ptr<CHostDouble> m_wpHost;
};

} // namespace

ComPtr<NewZUR::ITopology> NewTopologyDouble(std::weak_ptr<CHostDouble> wpHost)
{
    return CDoubleObject<CTopologyDouble>::New(std::move(wpHost));
}

ComPtr<NewZUR::IDataSchema> NewSchemaDouble()
{
    return CDoubleObject<CSchemaDouble>::New();
}

ComPtr<NewZUR::IErrorDatabaseService> NewErrorDbDouble(std::weak_ptr<CHostDouble> wpHost)
{
    return CDoubleObject<CErrorDbDouble>::New(std::move(wpHost));
}
