#pragma once
// The scriptable assistant: scripted answers per method, every call recorded
// in a record that outlives the object.
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <wrl/client.h>
#include "LayerLib2.h"

enum class AssistantKind
{
    Assist2,   // IAssist2 only: QueryInterface for IAssist3 gives E_NOINTERFACE
    Assist3,   // IAssist3 and IAssist2
    NoAssist2, // neither: only IUnknown and IDispatch
};

// The slots of the two methods that hand on the topology and the layer.
inline constexpr int kSlotInit = 7, kSlotInitEx = 22;

struct CAnswer
{
    HRESULT hr = S_OK;
    std::optional<std::wstring> optMsg{};   // nullopt: a null *pbstrErrMsg
    std::optional<std::wstring> optErrDB{}; // nullopt: a null *UUIDOfErrorDB
    // CheckAll's first characteristic handed out; the second is left as found.
    Microsoft::WRL::ComPtr<ICharacteristic> spCharErr1{};
    bool bLeaveOuts = false;    // write no out-parameter at all
    bool bReleaseFound = false; // CheckAll: release what the first slot held before storing

    static CAnswer Of(HRESULT hr) { return CAnswer{hr}; }
    static CAnswer Of(HRESULT hr, std::wstring msg, std::wstring errDB)
    {
        return CAnswer{hr, std::move(msg), std::move(errDB)};
    }
};

// Answers per method name; a sequence is given call by call, then its last.
class CAssistantScript
{
public:
    void Answer(std::wstring_view method, CAnswer answer) { AnswerSequence(method, {std::move(answer)}); }
    void AnswerSequence(std::wstring_view method, std::vector<CAnswer> answers)
    {
        m_mapAnswers[std::wstring(method)] = std::move(answers);
    }
    void AnswerAll(CAnswer answer) { m_optDefault = std::move(answer); } // every method without an answer of its own
    const CAnswer* Find(std::wstring_view method, size_t nCall) const;

private:
    std::map<std::wstring, std::vector<CAnswer>, std::less<>> m_mapAnswers;
    std::optional<CAnswer> m_optDefault;
};

struct CAssistCall
{
    std::wstring strMethod;
    std::vector<const void*> vecIn{};
    long bAsChild = 0;
    VARIANT vValueBits{};                      // CheckPropertyChange
    std::optional<std::wstring> optProtocol{}; // InitEx: the text, full length
    const void* pCharErr1In = nullptr;         // CheckAll: *piCharErr1 on entry
};

class CAssistantState
{
public:
    // The instances of a class share its script; without one the state has its own.
    CAssistantState(std::wstring_view name, AssistantKind kind, std::shared_ptr<CAssistantScript> spScript)
        : m_strName(name),
          m_kind(kind),
          m_spScript(spScript ? std::move(spScript) : std::make_shared<CAssistantScript>())
    {}

    const std::wstring& Name() const { return m_strName; }
    AssistantKind Kind() const { return m_kind; }
    CAssistantScript& Script() { return *m_spScript; }
    const std::vector<CAssistCall>& Calls() const { return m_vecCalls; }
    const CAssistCall* LastCallOf(std::wstring_view method) const;

    bool IsAlive() const { return m_pObject != nullptr; }
    ULONG References() const;                      // 0 once destroyed
    IUnknown* Object() const { return m_pObject; } // no reference added; null once destroyed

    // The double's own.
    const CAnswer& AnswerFor(std::wstring_view method, int nSlot);
    void Record(CAssistCall call) { m_vecCalls.push_back(std::move(call)); }
    void Attach(IUnknown* pObject) { m_pObject = pObject; }

private:
    std::wstring m_strName;
    AssistantKind m_kind;
    std::shared_ptr<CAssistantScript> m_spScript;
    std::vector<CAssistCall> m_vecCalls;
    std::array<size_t, kSlotInitEx + 1> m_anCalls{}; // per slot, also with recording off
    IUnknown* m_pObject = nullptr;
};

// Every assistant call in order, kept also with recording off.
struct CAssistOrder
{
    const CAssistantState* pState;
    int nSlot;
    bool bFaulted;

    static std::vector<CAssistOrder>& All();
    static void Add(const CAssistantState* pState, int nSlot, bool bFaulted);
};

struct CAssistantHandle
{
    Microsoft::WRL::ComPtr<IUnknown> spUnknown;
    std::shared_ptr<CAssistantState> spState;

    IAssist2* Assist2() const; // no reference added; null for NoAssist2
};
CAssistantHandle NewAssistant(std::wstring_view name, AssistantKind kind,
                              std::shared_ptr<CAssistantScript> spClassScript = nullptr);

// A class registered under a ProgID; its instances are "<name>", "<name>#2", ...
class CAssistantClass
{
public:
    CAssistantClass(std::wstring_view name, std::wstring_view progId, AssistantKind kind);
    ~CAssistantClass();
    CAssistantClass(const CAssistantClass&) = delete;
    CAssistantClass& operator=(const CAssistantClass&) = delete;

    HRESULT Registered() const { return m_hrRegister; }

    AssistantKind kind; // of the instances created from now on
    CAssistantScript& Script() { return *m_spScript; }
    CAssistantState& Instance(size_t n) const { return *m_vecInstances.at(n); }
    long CreateCalls() const { return static_cast<long>(m_vecInstances.size()); }

private:
    HRESULT CreateInstance(REFIID riid, void** ppv);

    std::wstring m_strName;
    std::wstring m_strProgId;
    DWORD m_dwCookie = 0;
    HRESULT m_hrRegister = E_FAIL;
    std::shared_ptr<CAssistantScript> m_spScript = std::make_shared<CAssistantScript>();
    std::vector<std::shared_ptr<CAssistantState>> m_vecInstances;
};
