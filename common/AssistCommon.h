#pragma once
// The base shared by the layer and the proxy, by duty: the debug options and
// the control-event trace (AssistOptions.cpp); the assistant catalogue and its
// lifecycle (AssistCatalogue.cpp); the answers of one check and the verdict
// handed to the host (AssistVerdict.cpp).
#include <windows.h>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include <wrl/client.h>
#include "LayerLib2.h"
#include "com/Owners.h"
#include "common/AssistBlockCache.h"
#include "common/AssistResult.h"
#include "common/TraceTexts.h"
#include "interfaces/AssistChecks.h"

// Catalogue keys compare ordinally, UTF-16 code unit by code unit as unsigned
// numbers; a shorter key that is a prefix of a longer one sorts first.
// Transparent: a protocol name read from the host is looked up as it is,
// without a std::wstring made for it. Inline: a lookup takes a handful of
// comparisons, each as short as the common prefix of two names.
struct ProtocolLess
{
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const noexcept
    {
        const size_t n = a.size() < b.size() ? a.size() : b.size();
        for (size_t i = 0; i < n; ++i)
            if (a[i] != b[i])
                return static_cast<unsigned short>(a[i]) < static_cast<unsigned short>(b[i]);
        return a.size() < b.size();
    }
};

using AssistantMap = std::map<std::wstring, Microsoft::WRL::ComPtr<IAssist2>, ProtocolLess>;
using ErrorDBMap = std::map<std::wstring, std::wstring, ProtocolLess>;
// A check's answers in the order the assistants gave them; owns its results.
using ResultList = std::vector<std::unique_ptr<CAssistResult>, CKeptBlockAllocator<std::unique_ptr<CAssistResult>>>;

// The two strings one assistant answers through: null before its call,
// freed after it.
struct CAnswerStrings
{
    CBstr bstrErrMsg;
    CBstr bstrErrDB;
};

// CheckAll's working characteristics: read from the host's variables on
// entry, handed to each assistant in turn (each sees what the one before it
// left), released when the call ends. Other checks have none. The arguments
// passed on to the assistants are the host's, with CheckAll's characteristic
// slots pointing at the working ones.
class CCheckCharacteristics
{
public:
    CCheckCharacteristics(CheckId id, const CheckArgs& args);
    CCheckCharacteristics(const CCheckCharacteristics&) = delete;
    CCheckCharacteristics& operator=(const CCheckCharacteristics&) = delete;
    bool IsActive() const noexcept { return m_bActive; }
    ICharacteristic* First() const noexcept { return m_spChar1.Get(); }
    ICharacteristic* Second() const noexcept { return m_spChar2.Get(); }
    CheckArgs& Passed() noexcept { return m_passed; }

private:
    bool m_bActive;
    CheckArgs m_passed;
    Microsoft::WRL::ComPtr<ICharacteristic> m_spChar1;
    Microsoft::WRL::ComPtr<ICharacteristic> m_spChar2;
};

enum class ResultSelector
{
    Worst,
    First
};

// How the verdict's strings reach the host when memory runs short: the layer
// hands out null and still answers, the proxy fails with E_OUTOFMEMORY and
// leaves the host's variables alone.
enum class HostCopies
{
    NullWhenShort,
    Required
};

// Reads one 32-bit value through a new host context object.
HRESULT ReadRegistryLong(long lScope, const wchar_t* keyPath, const wchar_t* valueName, long* plValue);

class CAssistCommon
{
public:
    CAssistCommon() noexcept = default;
    // The members go in reverse order of declaration: the trace texts, the protocol walk, the
    // query service and the topology first, then the error databases and the
    // assistants. No assistant is told to terminate here; that is Term's work.
    virtual ~CAssistCommon() = default;
    CAssistCommon(const CAssistCommon&) = delete;
    CAssistCommon& operator=(const CAssistCommon&) = delete;

protected:
    using CatalogueEntry = std::pair<std::wstring, Microsoft::WRL::ComPtr<IAssist2>>;
    using CatalogueSnapshot = std::vector<CatalogueEntry, CKeptBlockAllocator<CatalogueEntry>>;

    // Init and Term: the host's topology and query service, the catalogue of
    // both scopes under the suffix, the assistants told to start and to stop.
    void TakeTopology(IDispatch* pdispTopology);
    HRESULT AttachDataQuery();
    HRESULT LoadAssistants(std::wstring_view suffix);
    // Init (InitEx for IAssist3) of every assistant in catalogue order; the
    // first failure stops the pass and names its protocol in *pFailed.
    HRESULT InitAssistants(IDispatch* pdispTopology, IDispatch* pdispLayer, std::wstring* pFailed);
    // Term of every assistant; once all have agreed, the catalogue and the
    // host's objects are released.
    HRESULT TermAssistants(std::wstring* pFailed);
    // The catalogue as it is now, for a pass that calls the assistants.
    CatalogueSnapshot SnapshotCatalogue() const;

    // The steps of a check.
    // Trace, debug-option gate and null out-parameters: true when the check
    // answers at once with *phr.
    bool CheckAnswersAtOnce(const wchar_t* pszTrace, CheckId id, const CheckArgs& args, BSTR* pbstrErrMsg,
                            BSTR* pbstrErrDB, HRESULT* phr);
    // A check's result list with room for the answers of a usual component.
    static ResultList NewResultList();
    // Keeps an assistant's answer, given under busName; a failure without an
    // error database takes the protocol's. An S_FALSE is dropped, or counts as
    // E_FAIL when refused.
    void KeepAnswer(ResultList& results, HRESULT hrAnswer, CAnswerStrings& answer, std::wstring_view protocol,
                    std::wstring_view busName, bool bRefuseFalse, const CCheckCharacteristics& chars);
    // Selects the verdict and hands it (and CheckAll's characteristics) to the
    // host; *pbstrBusName, where given, takes the verdict's bus.
    HRESULT HandVerdict(ResultList& results, ResultSelector selector, const CheckArgs& args, BSTR* pbstrErrMsg,
                        BSTR* pbstrErrDB, const CCheckCharacteristics& chars, HostCopies copies,
                        CBstr* pbstrBusName = nullptr);

    // Options and trace.
    void LoadDebugOptions();
    // With the trace off or before Init: two comparisons, inline, nothing built.
    // A constant text goes as the string made for it at its first event.
    void ZURTrace(const wchar_t* pszText)
    {
        if (m_lTraceOption != 0 && m_spTopology)
            SendTrace(m_traceTexts.Of(pszText));
    }
    // A text that changes (a bus name) goes as it is, not copied; null as "".
    void ZURTrace(const CBstr& bstrText)
    {
        if (m_lTraceOption == 0 || !m_spTopology)
            return;
        VARIANT vText = m_traceTexts.Of(L"");
        if (!bstrText.IsNull())
            vText.bstrVal = bstrText.Get();
        SendTrace(vText);
    }
    // The debug-option gate: true when option 0 or 1 has answered (*phr set).
    bool DebugGateAnswers(HRESULT* phr) const noexcept;

    // The catalogue: the layer looks its protocols up, and its test interface
    // adds entries by hand.
    AssistantMap m_mapAssistants;
    ErrorDBMap m_mapErrorDBs;
    // The host's objects, held from Init to Term; the layer walks the data
    // tree with them.
    Microsoft::WRL::ComPtr<NewZUR::ITopology> m_spTopology;
    Microsoft::WRL::ComPtr<NewZUR::IDataQuery> m_spDataQuery;
    // The layer's protocol walk: an exhausted one stays until the next walk or Term.
    Microsoft::WRL::ComPtr<NewZUR::IDataQueryResult> m_spProtocolEnum;

private:
    // One control event; the host receives the text as an [in] value.
    void SendTrace(const VARIANT& vText);
    HRESULT LoadAssistants(long lScope, std::wstring_view suffix);
    HRESULT InsertProtocolBusEntryIntoMap(std::wstring_view protocol, std::wstring_view progId,
                                          std::wstring_view errorDb);
    void SelectProperErrorDBforRetval(HRESULT hr, std::wstring_view protocol, BSTR* pErrorDb);
    void ClearResults(ResultList& results);
    CAssistResult* GetFirstResult(ResultList& results);
    CAssistResult* GetWorstResult(ResultList& results);

    long m_lDebugOption = 0;
    long m_lTraceOption = 0;
    CTraceTexts m_traceTexts;
};
