#pragma once
// The work a check cannot do without, written as straight-line loops over
// the host double, recording off: the baseline (reach the assistants and ask them) and, step
// by step, what the layer's rules add to it. The layer and the proxy are
// measured against these loops.
#include <windows.h>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include <wrl/client.h>
#include "LayerLib2.h"
#include "doubles/HostDouble.h"
#include "common/AssistBlockCache.h"
#include "common/AssistCommon.h"
#include "com/Owners.h"

struct CheckTarget
{
    CNodeDouble* pComponent;
    CNodeDouble* pCharacteristic;
    IComponent* Component() const { return pComponent->AsComponent(); }
    ICharacteristic* Char() const { return pCharacteristic->AsCharacteristic(); }
    IPropertyData* Data() const { return pCharacteristic->AsPropertyData(); }
};

// How a check reaches its protocols: the component's own walk with each
// protocol's component looked up, both ends of a connection, or the owner of
// a property.
enum class Route
{
    Component,
    Connection,
    Property
};

struct BenchCheck
{
    const char* name;
    Route route;
    // On the component route: each assistant is handed the component its
    // protocol belongs to (looked up per protocol), else the host's own.
    bool bProtocolComponent;
    // CheckAll keeps a reference to its root for the whole call.
    bool bHoldsRoot;
    void (*pfnLayer)(IAssistLayer2* pLayer, const CheckTarget& target);
    // Asks one assistant; the two strings are the caller's to free.
    HRESULT (*pfnAssistant)(IAssist2* pAssist, const CheckTarget& target, BSTR* pbstrMsg, BSTR* pbstrDB);
};

extern const BenchCheck kBenchChecks[4];

// What the rules add to the baseline, in the order the breakdown adds them.
enum ForcedStep : unsigned
{
    kSecondRead = 1,   // each protocol's value read again when its assistant is looked up
    kReference = 2,    // the assistant handed out with a reference (CheckAll: its root held too)
    kRoute = 4,        // the component each protocol or characteristic belongs to
    kRecord = 8,       // a heap record per answer with copies of its three strings
    kClassify = 16,    // each answer classified, with copies of its two strings
    kHostStrings = 32, // new strings for the host: message, error database, bus name
    kAllSteps = 63,
};

struct StepName
{
    unsigned step;
    const char* text;
};
extern const StepName kStepNames[6];

// One answer as the rules keep it: a heap record with copies of its strings.
struct AnswerRecord
{
    HRESULT hr;
    std::wstring strBusName;
    std::wstring strErrMsg;
    std::wstring strErrDB;
    // Records and their list take the blocks the layer's own would.
    static void* operator new(size_t cb) { return AssistBlockCache::Take(cb); }
    static void operator delete(void* p, size_t cb) noexcept { AssistBlockCache::Give(p, cb); }
};
using AnswerRecords = std::vector<std::unique_ptr<AnswerRecord>, CKeptBlockAllocator<std::unique_ptr<AnswerRecord>>>;

// The control events of one check, as the host received them, sent again as
// cheaply as a straight loop can: one host call per event, its texts made
// once and its arguments built once, long before the calls copy them.
class CEventReplay
{
public:
    explicit CEventReplay(const std::vector<std::wstring>& texts);
    size_t Count() const noexcept { return m_vecTexts.size(); }
    void Fire(NewZUR::ITopology* piTopology) const;

private:
    std::vector<CBstr> m_vecTexts;
    std::vector<VARIANT> m_vecTextArgs; // each holds, not owns, its text's string
};

// The layer's job done by hand: walk, look up, ask, and the forced steps chosen.
class CForcedWork
{
public:
    CForcedWork();
    HRESULT Start(NewZUR::ITopology* piTopology);
    void Add(const std::wstring& protocol, IAssist2* pAssist) { m_mapCatalogue.emplace(protocol, pAssist); }
    void Run(const BenchCheck& kind, const CheckTarget& target, unsigned steps = 0);

private:
    // Walks the protocols of a component; ask(assistant, bus name) for each.
    template <class Ask>
    void Walk(IUnknown* pComponent, unsigned steps, bool bOwnerOfEach, Ask&& ask);
    // The component of a characteristic, found as the connection and property
    // checks find it: its path text looked at, then its owner.
    Microsoft::WRL::ComPtr<NewZUR::IComponent> OwnerOf(const CheckTarget& target, Route route);

    CBstr m_bstrRoot;
    CBstr m_bstrPath;
    CBstr m_bstrOwnerPath;
    Microsoft::WRL::ComPtr<NewZUR::IDataQuery> m_spQuery;
    Microsoft::WRL::ComPtr<NewZUR::ITopology> m_spTopology;
    // Looked up with the layer's own comparison of protocol names.
    AssistantMap m_mapCatalogue;
};

// Classifies the records (kClassify) and makes nHostStrings new strings from
// the worst (kHostStrings); the records are deleted with the list.
void AnswerHost(NewZUR::ITopology* piTopology, AnswerRecords& records, unsigned steps, int nHostStrings);

// The proxy's job done by hand: ask each of its assistants, with the
// reference, record, classification and the two host strings as steps.
void ForwardByHand(NewZUR::ITopology* piTopology, const std::vector<Microsoft::WRL::ComPtr<IAssist2>>& assistants,
                   const CheckTarget& target, const std::wstring& protocol, unsigned steps);
