// The topology, its schema and the error-database service.
#include "doubles/HostDouble.h"

using Microsoft::WRL::ComPtr;

namespace {

class CTopologyDouble : public CHostObject, public CHostInterface<NewZUR::ITopology>
{
public:
    DOUBLE_INTERFACE_TABLE(CTopologyDouble, NewZUR::ITopology)

    explicit CTopologyDouble(std::weak_ptr<CHostDouble> wpHost) : CHostObject(L"topology", L"host", std::move(wpHost))
    {}
    STDMETHODIMP GetSchema(NewZUR::IDataSchema** ppSchema) override
    {
        return Answer(L"GetSchema", ppSchema, [&] {
            HandOut(ppSchema, Host()->Schema());
            return S_OK;
        });
    }
    STDMETHODIMP GetErrorDatabaseService(NewZUR::IErrorDatabaseService** ppService) override
    {
        return Answer(L"GetErrorDatabaseService", ppService, [&] {
            HandOut(ppService, Host()->ErrorDb());
            return S_OK;
        });
    }
    // Counted also with recording off; recorded with it on.
    STDMETHODIMP FireControlEvent(long lEvent, long lParam1, long lParam2, VARIANT vArg1, VARIANT vArg2,
                                  long lParam3) override
    {
        std::shared_ptr<CHostDouble> spHost = m_wpHost.lock();
        if (!spHost)
            return E_UNEXPECTED;
        CTopologyScript& script = spHost->topology;
        ++script.lFired;
        return Answer(L"FireControlEvent", [&] {
            if (g_bRecording)
                script.vecEvents.push_back(CControlEvent{lEvent, lParam1, lParam2, CVariantRecord::Of(vArg1),
                                                         CVariantRecord::Of(vArg2), lParam3});
            return script.hrFireControlEvent;
        });
    }
};

class CSchemaDouble : public CDoubleBase, public CHostInterface<NewZUR::IDataSchema>
{
public:
    DOUBLE_INTERFACE_TABLE(CSchemaDouble, NewZUR::IDataSchema)

    CSchemaDouble() : CDoubleBase(L"schema", L"schema") {}
    STDMETHODIMP GetTypeId(BSTR bstrTypeName, long* plTypeId) override
    {
        return Answer(L"GetTypeId", plTypeId, [&] {
            if (BstrView(bstrTypeName) != L"communicationEntity")
                return E_INVALIDARG;
            *plTypeId = CHostDouble::kTypeCommunicationEntity;
            return S_OK;
        });
    }
};

class CErrorDbDouble : public CHostObject, public CHostInterface<NewZUR::IErrorDatabaseService>
{
public:
    DOUBLE_INTERFACE_TABLE(CErrorDbDouble, NewZUR::IErrorDatabaseService)

    explicit CErrorDbDouble(std::weak_ptr<CHostDouble> wpHost) : CHostObject(L"errordb", L"errordb", std::move(wpHost))
    {}
    // Either out-parameter may be null. Both are emptied first (0, null), as
    // an outright fault leaves them; else the class comes back and, with
    // recording on, a text the caller frees. With recording off no text is
    // made: the host's cost stays low.
    STDMETHODIMP Classify(long lCode, long* plClass, BSTR bstrMessage, BSTR, BSTR* pbstrText) override
    {
        if (plClass)
            *plClass = 0;
        if (pbstrText)
            *pbstrText = nullptr;
        return Answer(L"Classify", [&] {
            const auto& mapByMessage = Host()->errorDb.mapClassByMessage;
            auto it = bstrMessage ? mapByMessage.find(BstrView(bstrMessage)) : mapByMessage.end();
            const long lClass = it != mapByMessage.end() ? it->second : lCode == S_OK ? 0 : lCode < 0 ? 3 : 2;
            if (plClass)
                *plClass = lClass;
            if (pbstrText && g_bRecording)
                *pbstrText = CBstr::Alloc(L"message class " + std::to_wstring(lClass));
            return S_OK;
        });
    }
};

} // namespace

void NewTopologyDoubles(std::weak_ptr<CHostDouble> wpHost, ComPtr<NewZUR::ITopology>& spTopology,
                        ComPtr<NewZUR::IDataSchema>& spSchema, ComPtr<NewZUR::IErrorDatabaseService>& spErrorDb)
{
    spTopology = CComObject<CTopologyDouble>::New(wpHost);
    spSchema = CComObject<CSchemaDouble>::New();
    spErrorDb = CComObject<CErrorDbDouble>::New(std::move(wpHost));
}
