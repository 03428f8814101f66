#pragma once
// The scriptable host: topology (schema, error-database service, control
// events), the data trees of its components, the query service, the context
// object with its in-memory registry, and the error-database service. One per
// test; the COM objects it hands out share it, and Dispose() at the end of the
// test drops every link between them so that leaked references show up.
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <wrl/client.h>
#include "NewZUR.h"
#include "com/Owners.h"
#include "doubles/NodeDouble.h"

// One VARIANT argument as it arrived: the bits, and the text of a VT_BSTR with
// its full length (nullopt for a null BSTR or another type).
struct CVariantRecord
{
    VARIANT vBits{};
    std::optional<std::wstring> optText;

    static CVariantRecord Of(const VARIANT& v);
    VARTYPE Type() const { return vBits.vt; }
    LONG Long() const { return vBits.lVal; }
};

struct CControlEvent
{
    long lEvent = 0;
    long lParam1 = 0;
    long lParam2 = 0;
    CVariantRecord arg1;
    CVariantRecord arg2;
    long lParam3 = 0;
};

struct CTopologyScript
{
    HRESULT hrGetErrorDatabaseService = S_OK;
    bool bNullErrorDatabaseService = false;
    HRESULT hrFireControlEvent = S_OK; // returned, the event is recorded anyway
    std::vector<CControlEvent> vecEvents;
    long lFired = 0; // events received, also with recording off

    // The text of the second VARIANT of each event (empty for a non-text one).
    std::vector<std::wstring> EventTexts() const;
};

struct CSchemaScript
{
    std::map<std::wstring, long, std::less<>> mapTypeIds; // type name -> id
    HRESULT hrGetTypeId = S_OK;                           // a failure leaves the id unwritten
};

struct CClassifyCall
{
    long lCode = 0;
    std::optional<std::wstring> optMessage;
    std::optional<std::wstring> optErrDB;
    long lClassIn = 0;             // what *plClass held on entry
    const void* pTextIn = nullptr; // what *pbstrText held on entry
};

struct CErrorDbScript
{
    std::map<long, long> mapClassByCode;                         // HRESULT -> class
    std::map<std::wstring, long, std::less<>> mapClassByMessage; // message text -> class; wins over the code
    HRESULT hrClassify = S_OK;                                   // the call's own result
    bool bLeaveClass = false;                                    // *plClass not written
    std::vector<CClassifyCall> vecCalls;

    // The class given for a code and message: the maps, else 0 for S_OK,
    // 2 for other success codes and 3 for failures.
    long ClassFor(long lCode, std::wstring_view message, bool bHasMessage) const;
};

// What one Select gives. Its enumerator's Next gives S_OK, found 1 and the
// item (as its IPropertyData) for each item in turn, then S_FALSE, found 0
// and a null item, again and again.
struct CQueryAnswer
{
    HRESULT hrSelect = S_OK;
    bool bNoEnumerator = false;         // *ppResult stays null
    std::vector<CNodeDouble*> vecItems; // handed out in this order
};

struct CQueryScript
{
    HRESULT hrCreate = S_OK; // CoCreateInstance of the query class
    long lCreated = 0;
    HRESULT hrAttach = S_OK;
    std::vector<const void*> vecAttached; // the topology pointer of each Attach
    bool bOwnerQueryEmpty = false;        // "..==>." gives nothing

    // An answer for (context, path); a null context stands for any context.
    void Override(CNodeDouble* pContext, std::wstring_view path, CQueryAnswer answer);
    const CQueryAnswer* FindOverride(CNodeDouble* pContext, std::wstring_view path) const;

private:
    std::vector<std::pair<std::pair<CNodeDouble*, std::wstring>, CQueryAnswer>> m_vecOverrides;
};

// ---- the in-memory registry behind the context objects ----
struct CRegValueData
{
    std::wstring strName;
    CVariant vData;
    HRESULT hrGetData = S_OK; // a failure leaves the VARIANT empty
};

struct CRegKeyData
{
    HRESULT hrOpen = S_OK;           // OpenKey fails with it
    HRESULT hrGetCount = S_OK;       // GetCount fails with it
    HRESULT hrItemByPosition = S_OK; // GetItem(VT_I4) fails with it
    HRESULT hrItemByName = S_OK;     // GetItem(VT_BSTR) fails with it
    std::optional<long> optCount;    // GetCount answers this instead
    std::deque<CRegValueData> deqValues;

    CRegValueData* Find(std::wstring_view name);
    // Its position in deqValues; deqValues.size() when there is none.
    size_t IndexOf(std::wstring_view name) const;
    // Positions of the values set through the registry script, so that a
    // catalogue of thousands is read as fast as a real one.
    std::map<std::wstring, size_t, std::less<>> mapIndex;
};

struct CRegistryScript
{
    HRESULT hrCreate = S_OK; // CoCreateInstance of the context class
    long lCreated = 0;
    // Every registry call in order: "OpenKey 9 BindedAssistants",
    // "GetCount BindedAssistants", "GetItem BindedAssistants #0",
    // "GetItem BindedAssistants_ErrDB BusA", "GetData BusA",
    // "GetName BusA".
    std::vector<std::wstring> vecLog;

    // The key of a scope and path, made empty when absent.
    CRegKeyData& Key(long lScope, std::wstring_view path);
    CRegKeyData* FindKey(long lScope, std::wstring_view path);
    // A value set (added, or replaced in place) in a key that is made if needed.
    CRegValueData& SetString(long lScope, std::wstring_view path, std::wstring_view name, std::wstring_view text);
    CRegValueData& SetLong(long lScope, std::wstring_view path, std::wstring_view name, long lValue);
    CRegValueData& SetVariant(long lScope, std::wstring_view path, std::wstring_view name, const VARIANT& v);
    void RemoveKey(long lScope, std::wstring_view path) { m_mapKeys.erase({lScope, std::wstring(path)}); }
    void ClearKeys() { m_mapKeys.clear(); }

private:
    std::map<std::pair<long, std::wstring>, CRegKeyData> m_mapKeys;
};

class CQueryResultDouble;

class CHostDouble : public std::enable_shared_from_this<CHostDouble>
{
public:
    // Type ids the builders give; the schema maps "communicationEntity".
    static constexpr long kTypeRoot = 1100;
    static constexpr long kTypeCommunicationEntity = 1207;
    static constexpr long kTypeProtocol = 1300;
    static constexpr long kTypeCharacteristic = 1400;

    static std::shared_ptr<CHostDouble> Create();
    ~CHostDouble();

    CTopologyScript topology;
    CSchemaScript schema;
    CErrorDbScript errorDb;
    CQueryScript query;
    CRegistryScript registry;

    // The topology as the host passes it (no reference added).
    NewZUR::ITopology* Topology() const;
    IDispatch* TopologyDispatch() const;

    // A component with a "root" item (bRoot false: without one).
    CNodeDouble& AddComponent(std::wstring_view name, bool bRoot = true);
    // A free item answering IPropertyData, IDataElement and ICharacteristic.
    CNodeDouble& AddItem(std::wstring_view name);
    // The node whose identity the pointer has, or null.
    CNodeDouble* FindNode(IUnknown* pUnknown) const;

    // Creates the class objects of the query and context classes for
    // CoRegisterClassObject (one reference each for the caller).
    Microsoft::WRL::ComPtr<IClassFactory> NewQueryClassObject();
    Microsoft::WRL::ComPtr<IClassFactory> NewContextClassObject();
    // The query service's default answer for (context, path).
    CQueryAnswer Evaluate(CNodeDouble* pContext, std::wstring_view path) const;

    // References held on the host's nodes, topology and kept enumerators
    // beyond the host's own.
    long ForeignReferences() const;
    // With recording off: the enumerator kept for a select, made on first use.
    Microsoft::WRL::ComPtr<NewZUR::IDataQueryResult> KeptResult(CNodeDouble* pContext, std::wstring_view path);

    // Drops every object the host holds and every link between them.
    void Dispose();

private:
    CHostDouble() = default;
    void Build();
    template <class TDouble, class TScript>
    Microsoft::WRL::ComPtr<IClassFactory> NewClassObject(const wchar_t* name, TScript CHostDouble::*pScript);

    Microsoft::WRL::ComPtr<NewZUR::ITopology> m_spTopology;
    std::vector<Microsoft::WRL::ComPtr<CNodeDouble>> m_vecNodes;
    friend class CTopologyDouble;
    Microsoft::WRL::ComPtr<NewZUR::IDataSchema> m_spSchema;
    Microsoft::WRL::ComPtr<NewZUR::IErrorDatabaseService> m_spErrorDb;
    std::map<IUnknown*, CNodeDouble*> m_mapByIdentity;
    std::map<std::pair<CNodeDouble*, bool>, Microsoft::WRL::ComPtr<CQueryResultDouble>> m_mapKept;
};

// The two paths the layer selects.
inline constexpr wchar_t kProtocolPath[] = L"deviceInfo/device/DeviceManagerObject/communicationEntity/@protocol";
inline constexpr wchar_t kOwnerPath[] = L"..==>.";
