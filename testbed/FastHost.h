#pragma once
// Host objects whose calls cost next to nothing: no call log, no lookup by
// text beyond what the question needs, enumerators reused instead of made.
// The bench owns every object for the whole run.
#include <windows.h>
#include <oaidl.h>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include <wrl/client.h>
#include "LayerLib2.h"
#include "NewZUR.h"
#include "com/ComObject.h"
#include "com/NoDispatch.h"

// A host or assistant call that the robustness tests make fail. Every call
// counts; the one whose number is s_lFailAt shows the planned fault. The
// bench never plans one, so a call costs one increment and one comparison.
enum class Fault
{
    None,
    Error,        // kInjectedError, out-parameters null
    NullObject,   // S_OK, out-parameters null
    OtherSuccess, // S_FALSE, out-parameters as usual
};
inline constexpr HRESULT kInjectedError = static_cast<HRESULT>(0x80041234);

struct CFaultPlan
{
    static inline long s_lCalls = 0;
    static inline long s_lFailAt = 0;
    static inline Fault s_fault = Fault::None;

    static Fault Next() noexcept { return ++s_lCalls == s_lFailAt ? s_fault : Fault::None; }
    static void Plan(long lFailAt, Fault fault) noexcept
    {
        s_lCalls = 0;
        s_lFailAt = lFailAt;
        s_fault = fault;
    }
    // The result of a call that failed outright, or 0 when it goes on.
    static HRESULT Outright(Fault fault) noexcept
    {
        return fault == Fault::Error ? kInjectedError : fault == Fault::NullObject ? S_OK : 0;
    }
    static HRESULT Success(Fault fault) noexcept { return fault == Fault::OtherSuccess ? S_FALSE : S_OK; }
};

#define FAST_RESERVED(n)                \
    STDMETHODIMP Reserved##n() override \
    {                                   \
        return E_NOTIMPL;               \
    }

class CFastEnum;

// Every node of a data tree: component, root, communication entity,
// protocol attribute or characteristic.
class CFastNode : public CComRootSingleThreaded,
                  public CNoDispatch<NewZUR::IPropertyData>,
                  public CNoDispatch<NewZUR::IDataElement>,
                  public CNoDispatch<NewZUR::ICharacteristic>,
                  public CNoDispatch<NewZUR::IComponent>
{
public:
    BEGIN_INTERFACE_TABLE(CFastNode)
    INTERFACE_ENTRY(NewZUR::IPropertyData)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::IPropertyData)
    INTERFACE_ENTRY(NewZUR::IDataElement)
    INTERFACE_ENTRY(NewZUR::ICharacteristic)
    INTERFACE_ENTRY(NewZUR::IComponent)
    END_INTERFACE_TABLE()
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override = 0;
    STDMETHODIMP_(ULONG) AddRef() override = 0;
    STDMETHODIMP_(ULONG) Release() override = 0;
    virtual ~CFastNode();

    BSTR m_bstrValue = nullptr; // the protocol name of an attribute
    BSTR m_bstrPath = nullptr;
    long m_lTypeId = 0;
    CFastNode* m_pOwner = nullptr; // the owning component
    CFastNode* m_pParent = nullptr;
    CFastNode* m_pRoot = nullptr;         // "root" sub-item
    CFastNode* m_pProtocol = nullptr;     // "@protocol" sub-item
    CFastEnum* m_pProtocolEnum = nullptr; // a root's protocol attributes

    STDMETHODIMP GetValue(VARIANT* pvValue) override;
    STDMETHODIMP GetParent(NewZUR::IDataElement** ppParent) override;
    STDMETHODIMP GetPathText(BSTR* pbstrPath) override;
    STDMETHODIMP GetOwningComponent(NewZUR::IComponent** ppComponent) override;
    STDMETHODIMP GetTypeId(long* plTypeId) override;
    STDMETHODIMP GetSubItem(BSTR bstrName, IUnknown** ppItem) override;
    // clang-format off
    FAST_RESERVED(7) FAST_RESERVED(8) FAST_RESERVED(9) FAST_RESERVED(10) FAST_RESERVED(11) FAST_RESERVED(12)
    // clang-format on
};

// The result of one select; reset by each select that hands it out.
class CFastEnum : public CComRootSingleThreaded, public CNoDispatch<NewZUR::IDataQueryResult>
{
public:
    BEGIN_INTERFACE_TABLE(CFastEnum)
    INTERFACE_ENTRY(NewZUR::IDataQueryResult)
    END_INTERFACE_TABLE()

    std::vector<CFastNode*> m_vecItems;
    size_t m_nNext = 0;

    STDMETHODIMP Next(IDispatch** ppItem, long* plFound) override;
    FAST_RESERVED(7)
};

class CFastQuery : public CComRootSingleThreaded, public CNoDispatch<NewZUR::IDataQuery>
{
public:
    BEGIN_INTERFACE_TABLE(CFastQuery)
    INTERFACE_ENTRY(NewZUR::IDataQuery)
    END_INTERFACE_TABLE()

    CFastEnum* m_pEmpty = nullptr; // what "..==>." gives: the node knows its component

    STDMETHODIMP Attach(NewZUR::ITopology*) override
    {
        const Fault fault = CFaultPlan::Next();
        return fault == Fault::Error ? kInjectedError : CFaultPlan::Success(fault);
    }
    STDMETHODIMP Select(NewZUR::IPropertyData* pContext, BSTR bstrPath, NewZUR::IDataQueryResult** ppResult) override;
};

class CFastTopology : public CComRootSingleThreaded,
                      public CNoDispatch<NewZUR::ITopology>,
                      public CNoDispatch<NewZUR::IDataSchema>,
                      public CNoDispatch<NewZUR::IErrorDatabaseService>
{
public:
    BEGIN_INTERFACE_TABLE(CFastTopology)
    INTERFACE_ENTRY(NewZUR::ITopology)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::ITopology)
    INTERFACE_ENTRY(NewZUR::IDataSchema)
    INTERFACE_ENTRY(NewZUR::IErrorDatabaseService)
    END_INTERFACE_TABLE()
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override = 0;
    STDMETHODIMP_(ULONG) AddRef() override = 0;
    STDMETHODIMP_(ULONG) Release() override = 0;

    long m_lEvents = 0; // control events received

    // ITopology
    STDMETHODIMP GetSchema(NewZUR::IDataSchema** ppSchema) override;
    STDMETHODIMP GetErrorDatabaseService(NewZUR::IErrorDatabaseService** ppService) override;
    STDMETHODIMP FireControlEvent(long, long, long, VARIANT, VARIANT, long) override;
    // IDataSchema
    STDMETHODIMP GetTypeId(BSTR, long* plTypeId) override;
    // IErrorDatabaseService
    STDMETHODIMP Classify(long lCode, long* plClass, BSTR, BSTR, BSTR*) override;
    // clang-format off
    FAST_RESERVED(7) FAST_RESERVED(8) FAST_RESERVED(9) FAST_RESERVED(10) FAST_RESERVED(11) FAST_RESERVED(12)
    FAST_RESERVED(13) FAST_RESERVED(14) FAST_RESERVED(15) FAST_RESERVED(16) FAST_RESERVED(17) FAST_RESERVED(18)
    FAST_RESERVED(19) FAST_RESERVED(20) FAST_RESERVED(21) FAST_RESERVED(22) FAST_RESERVED(23) FAST_RESERVED(24)
    FAST_RESERVED(25) FAST_RESERVED(26) FAST_RESERVED(27) FAST_RESERVED(28) FAST_RESERVED(29) FAST_RESERVED(30)
    FAST_RESERVED(31)
    // clang-format on
};

// ---- the registry behind the context object ----
class CFastValue : public CComRootSingleThreaded, public CNoDispatch<NewZUR::IRegistryValue>
{
public:
    BEGIN_INTERFACE_TABLE(CFastValue)
    INTERFACE_ENTRY(NewZUR::IRegistryValue)
    END_INTERFACE_TABLE()

    std::wstring m_strName;
    std::wstring m_strText; // the data, as text, unless it is a number
    bool m_bNumber = false;
    long m_lNumber = 0;
    bool m_bVariant = false; // the data is m_vData, of any type
    VARIANT m_vData{};
    ~CFastValue() { VariantClear(&m_vData); }

    STDMETHODIMP GetData(VARIANT* pvData) override;
    STDMETHODIMP GetName(BSTR* pbstrName) override;
    FAST_RESERVED(8)
};

class CFastKey : public CComRootSingleThreaded, public CNoDispatch<NewZUR::IRegistryKey>
{
public:
    BEGIN_INTERFACE_TABLE(CFastKey)
    INTERFACE_ENTRY(NewZUR::IRegistryKey)
    END_INTERFACE_TABLE()
    ~CFastKey();

    std::vector<CFastValue*> m_vecValues;
    std::map<std::wstring, CFastValue*, std::less<>> m_mapByName;

    CFastValue& Set(std::wstring_view name);
    STDMETHODIMP GetCount(long* plCount) override;
    STDMETHODIMP GetItem(VARIANT vIndex, NewZUR::IRegistryValue** ppValue) override;
};

class CFastContext : public CComRootSingleThreaded, public CNoDispatch<NewZUR::IContext>
{
public:
    BEGIN_INTERFACE_TABLE(CFastContext)
    INTERFACE_ENTRY(NewZUR::IContext)
    END_INTERFACE_TABLE()
    ~CFastContext();

    std::map<std::pair<long, std::wstring>, CFastKey*, std::less<>> m_mapKeys;

    CFastKey& Key(long lScope, std::wstring_view path);
    void RemoveKey(long lScope, std::wstring_view path);
    STDMETHODIMP OpenKey(long lScope, BSTR bstrPath, NewZUR::IRegistryKey** ppKey) override;
    // clang-format off
    FAST_RESERVED(7) FAST_RESERVED(8) FAST_RESERVED(9) FAST_RESERVED(10) FAST_RESERVED(11) FAST_RESERVED(12)
    FAST_RESERVED(13) FAST_RESERVED(14) FAST_RESERVED(15) FAST_RESERVED(16) FAST_RESERVED(17)
    // clang-format on
};

// ---- the host as a whole ----
class CFastHost
{
public:
    static constexpr long kTypeEntity = 1207;

    CFastHost();
    ~CFastHost();
    CFastHost(const CFastHost&) = delete;
    CFastHost& operator=(const CFastHost&) = delete;

    // A component whose communication entities carry these protocols.
    CFastNode* AddComponent(const std::vector<std::wstring>& protocols);
    // A characteristic of the component, outside its communication entities.
    CFastNode* AddCharacteristic(CFastNode* pComponent);

    CFastTopology* Topology() const { return m_pTopology; }
    IDispatch* TopologyDispatch() const { return static_cast<NewZUR::ITopology*>(m_pTopology); }
    CFastContext* Context() const { return m_pContext; }
    // References held on the host's objects beyond the host's own.
    long ForeignReferences() const;
    // Registers the query and context classes with the COM runtime.
    HRESULT Register();
    void Revoke();

private:
    CFastNode* NewNode();
    CFastTopology* m_pTopology;
    CFastQuery* m_pQuery;
    CFastContext* m_pContext;
    std::vector<CFastNode*> m_vecNodes;
    std::vector<CFastEnum*> m_vecEnums;
    DWORD m_dwQueryCookie = 0;
    DWORD m_dwContextCookie = 0;
};

// ---- the assistants ----
// Answers every check with S_OK and two short strings, as a cheap assistant would.
class CFastAssistant : public CComRootSingleThreaded, public CNoDispatch<IAssist3>
{
public:
    BEGIN_INTERFACE_TABLE(CFastAssistant)
    INTERFACE_ENTRY(IAssist3)
    INTERFACE_ENTRY_IID(IID_IAssist2, IAssist3)
    INTERFACE_ENTRY_IID(IID_IDispatch, IAssist3)
    END_INTERFACE_TABLE()

    static Microsoft::WRL::ComPtr<IAssist2> Create();

    STDMETHODIMP Init(IDispatch*, IDispatch*) override { return S_OK; }
    STDMETHODIMP InitEx(IDispatch*, IDispatch*, BSTR) override { return S_OK; }
    STDMETHODIMP Term() override { return S_OK; }
    STDMETHODIMP NewProjectCreated() override { return S_OK; }
    STDMETHODIMP CheckNewDevice(BSTR* m, IComponent*, BSTR* d) override { return Answer(m, d); }
    STDMETHODIMP CheckAll(BSTR* m, IComponent*, ICharacteristic**, ICharacteristic**, BSTR* d) override
    {
        return Answer(m, d);
    }
    STDMETHODIMP CheckPropertyChange(BSTR* m, IComponent*, IPropertyData*, VARIANT, BSTR* d) override
    {
        return Answer(m, d);
    }
    STDMETHODIMP CheckInsertDrag(BSTR* m, IComponent*, IComponent*, IComponent*, LONG, BSTR* d) override
    {
        return Answer(m, d);
    }
    STDMETHODIMP CheckInsertDrop(BSTR* m, IComponent*, IComponent*, IComponent*, LONG, BSTR* d) override
    {
        return Answer(m, d);
    }
    STDMETHODIMP CheckMoveDrag(BSTR* m, IComponent*, IComponent*, IComponent*, LONG, BSTR* d) override
    {
        return Answer(m, d);
    }
    STDMETHODIMP CheckMoveDrop(BSTR* m, IComponent*, IComponent*, IComponent*, LONG, BSTR* d) override
    {
        return Answer(m, d);
    }
    STDMETHODIMP CheckReplaceDrag(BSTR* m, IComponent*, IComponent*, IComponent*, BSTR* d) override
    {
        return Answer(m, d);
    }
    STDMETHODIMP CheckReplaceDrop(BSTR* m, IComponent*, IComponent*, IComponent*, BSTR* d) override
    {
        return Answer(m, d);
    }
    STDMETHODIMP CheckConnect(BSTR* m, IComponent*, ICharacteristic*, ICharacteristic*, BSTR* d) override
    {
        return Answer(m, d);
    }
    STDMETHODIMP CheckDisconnect(BSTR* m, IComponent*, ICharacteristic*, ICharacteristic*, BSTR* d) override
    {
        return Answer(m, d);
    }
    STDMETHODIMP CheckDelete(BSTR* m, IComponent*, IComponent*, BSTR* d) override { return Answer(m, d); }

private:
    static HRESULT Answer(BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB)
    {
        *pbstrErrMsg = SysAllocString(L"ok");
        *UUIDOfErrorDB = SysAllocString(L"db");
        return S_OK;
    }
};

// The assistant class under a ProgID of its own, for catalogue loading.
class CFastAssistantClass
{
public:
    static constexpr const wchar_t* kProgId = L"LayerBench.FastAssistant";
    HRESULT Register();
    void Revoke();

private:
    DWORD m_dwCookie = 0;
};
