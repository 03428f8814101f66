#pragma once
// The COM objects behind CHostDouble.
#include <functional>
#include <memory>
#include <string>
#include "doubles/HostDouble.h"

class CTopologyDouble : public CDoubleBase, public CNoDispatch<NewZUR::ITopology>
{
public:
    DOUBLE_INTERFACE_TABLE(CTopologyDouble, NewZUR::ITopology)

    explicit CTopologyDouble(std::shared_ptr<CHostDouble> spHost);
    void Unlink() { m_spHost.reset(); }

    STDMETHODIMP GetSchema(NewZUR::IDataSchema** ppSchema) override;
    STDMETHODIMP GetErrorDatabaseService(NewZUR::IErrorDatabaseService** ppService) override;
    STDMETHODIMP FireControlEvent(long lEvent, long lParam1, long lParam2, VARIANT vArg1, VARIANT vArg2,
                                  long lParam3) override;
    DOUBLE_RESERVED(7)
    DOUBLE_RESERVED(8)
    DOUBLE_RESERVED_TENS(1)

private:
    std::shared_ptr<CHostDouble> m_spHost;
};

class CSchemaDouble : public CDoubleBase, public CNoDispatch<NewZUR::IDataSchema>
{
public:
    DOUBLE_INTERFACE_TABLE(CSchemaDouble, NewZUR::IDataSchema)

    explicit CSchemaDouble(std::weak_ptr<CHostDouble> wpHost) : CDoubleBase(L"schema", L"schema"), m_wpHost(wpHost) {}
    STDMETHODIMP GetTypeId(BSTR bstrTypeName, long* plTypeId) override;
    // clang-format off
    DOUBLE_RESERVED(7) DOUBLE_RESERVED(8) DOUBLE_RESERVED(9) DOUBLE_RESERVED_TENS(1) DOUBLE_RESERVED_TENS(2)
    DOUBLE_RESERVED(30) DOUBLE_RESERVED(31)
    // clang-format on

private:
    std::weak_ptr<CHostDouble> m_wpHost;
};

class CErrorDbDouble : public CDoubleBase, public CNoDispatch<NewZUR::IErrorDatabaseService>
{
public:
    DOUBLE_INTERFACE_TABLE(CErrorDbDouble, NewZUR::IErrorDatabaseService)

    explicit CErrorDbDouble(std::weak_ptr<CHostDouble> wpHost) : CDoubleBase(L"errordb", L"errordb"), m_wpHost(wpHost)
    {}
    STDMETHODIMP Classify(long lCode, long* plClass, BSTR bstrMessage, BSTR bstrErrDB, BSTR* pbstrText) override;

private:
    std::weak_ptr<CHostDouble> m_wpHost;
};

class CQueryDouble : public CDoubleBase, public CNoDispatch<NewZUR::IDataQuery>
{
public:
    DOUBLE_INTERFACE_TABLE(CQueryDouble, NewZUR::IDataQuery)

    explicit CQueryDouble(std::shared_ptr<CHostDouble> spHost) : CDoubleBase(L"query", L"query"), m_spHost(spHost) {}
    STDMETHODIMP Attach(NewZUR::ITopology* piTopology) override;
    STDMETHODIMP Select(NewZUR::IPropertyData* pContext, BSTR bstrPath, NewZUR::IDataQueryResult** ppResult) override;

private:
    std::shared_ptr<CHostDouble> m_spHost;
    Microsoft::WRL::ComPtr<NewZUR::ITopology> m_spTopology;
};

class CQueryResultDouble : public CDoubleBase, public CNoDispatch<NewZUR::IDataQueryResult>
{
public:
    DOUBLE_INTERFACE_TABLE(CQueryResultDouble, NewZUR::IDataQueryResult)

    explicit CQueryResultDouble(const CQueryAnswer& answer);
    STDMETHODIMP Next(IDispatch** ppItem, long* plFound) override;
    DOUBLE_RESERVED(7)
    void Rewind() { m_nNext = 0; }
    size_t Items() const { return m_vecItems.size(); }

private:
    std::vector<Microsoft::WRL::ComPtr<CNodeDouble>> m_vecItems;
    size_t m_nNext = 0;
};

class CContextDouble : public CDoubleBase, public CNoDispatch<NewZUR::IContext>
{
public:
    DOUBLE_INTERFACE_TABLE(CContextDouble, NewZUR::IContext)

    explicit CContextDouble(std::shared_ptr<CHostDouble> spHost) : CDoubleBase(L"context", L"context"), m_spHost(spHost)
    {}
    STDMETHODIMP OpenKey(long lScope, BSTR bstrPath, NewZUR::IRegistryKey** ppKey) override;
    // clang-format off
    DOUBLE_RESERVED(7) DOUBLE_RESERVED(8) DOUBLE_RESERVED(9) DOUBLE_RESERVED(10) DOUBLE_RESERVED(11)
    DOUBLE_RESERVED(12) DOUBLE_RESERVED(13) DOUBLE_RESERVED(14) DOUBLE_RESERVED(15) DOUBLE_RESERVED(16)
    DOUBLE_RESERVED(17)
    // clang-format on

private:
    std::shared_ptr<CHostDouble> m_spHost;
};

class CRegKeyDouble : public CDoubleBase, public CNoDispatch<NewZUR::IRegistryKey>
{
public:
    DOUBLE_INTERFACE_TABLE(CRegKeyDouble, NewZUR::IRegistryKey)

    CRegKeyDouble(std::shared_ptr<CHostDouble> spHost, long lScope, std::wstring path);
    STDMETHODIMP GetCount(long* plCount) override;
    STDMETHODIMP GetItem(VARIANT vIndex, NewZUR::IRegistryValue** ppValue) override;

private:
    CRegKeyData* Data() const;
    std::shared_ptr<CHostDouble> m_spHost;
    long m_lScope;
    std::wstring m_strPath;
};

class CRegValueDouble : public CDoubleBase, public CNoDispatch<NewZUR::IRegistryValue>
{
public:
    DOUBLE_INTERFACE_TABLE(CRegValueDouble, NewZUR::IRegistryValue)

    CRegValueDouble(std::shared_ptr<CHostDouble> spHost, long lScope, std::wstring path, size_t nIndex);
    STDMETHODIMP GetData(VARIANT* pvData) override;
    STDMETHODIMP GetName(BSTR* pbstrName) override;
    DOUBLE_RESERVED(8)

private:
    CRegValueData* Data() const; // looked up at each call
    std::shared_ptr<CHostDouble> m_spHost;
    long m_lScope;
    std::wstring m_strPath;
    size_t m_nIndex;
};

class CClassObjectDouble : public CDoubleBase, public IClassFactory
{
public:
    using CreateFn = std::function<HRESULT(REFIID, void**)>;
    BEGIN_INTERFACE_TABLE(CClassObjectDouble)
    INTERFACE_ENTRY(IClassFactory)
    END_INTERFACE_TABLE()

    CClassObjectDouble(std::wstring_view name, CreateFn fnCreate)
        : CDoubleBase(L"class object", name), m_fnCreate(std::move(fnCreate))
    {}
    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    CreateFn m_fnCreate;
};
