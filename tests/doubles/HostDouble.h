#pragma once
// The scriptable host of one test: topology, schema, error-database service,
// data trees, query service and the registry behind the context objects.
// Dispose() drops every link between its objects, so leaked references show.
#include "interfaces/LayerNames.h"
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
#include "doubles/QueryResultDouble.h"

// A VARIANT as it arrived: the bits, and a VT_BSTR's full text.
struct CVariantRecord
{
    VARIANT vBits{};
    std::optional<std::wstring> optText;

    static CVariantRecord Of(const VARIANT& v);
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
    HRESULT hrFireControlEvent = S_OK; // returned, the event is recorded anyway
    std::vector<CControlEvent> vecEvents;
    long lFired = 0; // events received, also with recording off

    // The second VARIANT of each event as text (empty when not one).
    std::vector<std::wstring> EventTexts() const;
};

struct CErrorDbScript
{
    // Message text -> class; without an entry 0 for S_OK, 2 for other
    // successes, 3 for failures.
    std::map<std::wstring, long, std::less<>> mapClassByMessage;
};

struct CQueryScript
{
    HRESULT hrCreate = S_OK; // CoCreateInstance of the query class
    HRESULT hrAttach = S_OK;
    std::vector<const void*> vecAttached; // the topology pointer of each Attach
    bool bOwnerQueryEmpty = false;        // "..==>." gives nothing
};

struct CRegValueData
{
    std::wstring strName;
    CVariant vData;
    HRESULT hrGetData = S_OK; // a failure leaves the VARIANT empty
};

struct CRegKeyData
{
    HRESULT hrOpen = S_OK;        // OpenKey fails with it
    HRESULT hrGetCount = S_OK;    // GetCount fails with it
    HRESULT hrItemByName = S_OK;  // GetItem(VT_BSTR) fails with it
    std::optional<long> optCount; // GetCount answers this instead
    std::deque<CRegValueData> deqValues;

    CRegValueData* Find(std::wstring_view name);
    size_t IndexOf(std::wstring_view name) const; // deqValues.size(): none
};

struct CRegistryScript
{
    HRESULT hrCreate = S_OK; // CoCreateInstance of the context class

    CRegKeyData& Key(long lScope, std::wstring_view path) { return m_mapKeys[lScope][std::wstring(path)]; }
    // Found without making a string: the layer reads keys at every Init.
    CRegKeyData* FindKey(long lScope, std::wstring_view path);
    // Added, or replaced in place, in a key made if needed.
    void SetVariant(long lScope, std::wstring_view path, std::wstring_view name, const VARIANT& v);
    void SetString(long lScope, std::wstring_view path, std::wstring_view name, std::wstring_view text)
    {
        SetVariant(lScope, path, name, CVariant::String(text));
    }
    void SetLong(long lScope, std::wstring_view path, std::wstring_view name, long lValue)
    {
        SetVariant(lScope, path, name, CVariant::Long(lValue));
    }
    // progId entered as name under the assistants key [\sub], and the error
    // database "db <name> <scope>" under the error-database key [\sub].
    void Bind(long lScope, std::wstring_view sub, std::wstring_view name, std::wstring_view progId);
    void RemoveKey(long lScope, std::wstring_view path) { m_mapKeys[lScope].erase(std::wstring(path)); }
    void ClearKeys() { m_mapKeys.clear(); }

private:
    std::map<long, std::map<std::wstring, CRegKeyData, std::less<>>> m_mapKeys; // by scope, then path
};

class CHostDouble : public std::enable_shared_from_this<CHostDouble>
{
public:
    // The entities' type id, which the schema gives for "communicationEntity";
    // the walk compares with it alone, so every other node answers 0.
    static constexpr long kTypeCommunicationEntity = 1207;

    static std::shared_ptr<CHostDouble> Create();
    ~CHostDouble() { Dispose(); }

    CTopologyScript topology;
    CErrorDbScript errorDb;
    CQueryScript query;
    CRegistryScript registry;

    // No reference added.
    NewZUR::ITopology* Topology() const { return m_spTopology.Get(); }
    IDispatch* TopologyDispatch() const { return m_spTopology.Get(); }
    NewZUR::IDataSchema* Schema() const { return m_spSchema.Get(); }
    NewZUR::IErrorDatabaseService* ErrorDb() const { return m_spErrorDb.Get(); }

    // A component with a "root" item and one communication entity per
    // protocol, in this order.
    CNodeDouble& AddComponent(std::wstring_view name, const std::vector<std::wstring>& protocols = {});
    // A free item answering IPropertyData, IDataElement and ICharacteristic.
    CNodeDouble& AddItem(std::wstring_view name);
    CNodeDouble* FindNode(IUnknown* pUnknown) const;

    // The query service's and the context's classes, registered for this
    // process's creations until Dispose revokes them.
    HRESULT RegisterServices();
    // The items a select of one of the two paths below gives from a node.
    std::vector<CNodeDouble*> Evaluate(CNodeDouble* pContext, std::wstring_view path) const;

    // References held on the host's objects beyond the host's own.
    long ForeignReferences() const;
    // With recording off: the enumerator kept for a select.
    Microsoft::WRL::ComPtr<NewZUR::IDataQueryResult> KeptResult(CNodeDouble* pContext, std::wstring_view path);

    void Dispose();

private:
    CHostDouble() = default;

    Microsoft::WRL::ComPtr<NewZUR::ITopology> m_spTopology;
    Microsoft::WRL::ComPtr<NewZUR::IDataSchema> m_spSchema;
    Microsoft::WRL::ComPtr<NewZUR::IErrorDatabaseService> m_spErrorDb;
    std::vector<Microsoft::WRL::ComPtr<CNodeDouble>> m_vecNodes;
    std::map<IUnknown*, CNodeDouble*> m_mapByIdentity;
    std::map<std::pair<CNodeDouble*, bool>, Microsoft::WRL::ComPtr<CQueryResultDouble>> m_mapKept;
    DWORD m_adwCookies[2] = {};
};

// The two paths the layer selects.
using LayerNames::kProtocolPath;
inline constexpr wchar_t kOwnerPath[] = L"..==>.";

// The host's COM objects, each kind in its own file.
void NewTopologyDoubles(std::weak_ptr<CHostDouble> wpHost, Microsoft::WRL::ComPtr<NewZUR::ITopology>& spTopology,
                        Microsoft::WRL::ComPtr<NewZUR::IDataSchema>& spSchema,
                        Microsoft::WRL::ComPtr<NewZUR::IErrorDatabaseService>& spErrorDb);
Microsoft::WRL::ComPtr<IUnknown> NewQueryDouble(std::weak_ptr<CHostDouble> wpHost);
Microsoft::WRL::ComPtr<IUnknown> NewContextDouble(std::weak_ptr<CHostDouble> wpHost);
