#pragma once
// The scriptable assistant: answers IAssist3 (or only IAssist2, or neither),
// gives the answer scripted per method and records every call with its
// arguments. Its record outlives the object, so a test can look at the calls
// of an assistant the layer has already released.
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <wrl/client.h>
#include "LayerLib2.h"

class CDoubleBase;

enum class AssistantKind
{
    Assist2,   // IAssist2 only: QueryInterface for IAssist3 gives E_NOINTERFACE
    Assist3,   // IAssist3 and IAssist2
    NoAssist2, // neither: only IUnknown and IDispatch
};

// One scripted answer.
struct CAnswer
{
    HRESULT hr = S_OK;
    std::optional<std::wstring> optMsg;   // nullopt: a null *pbstrErrMsg
    std::optional<std::wstring> optErrDB; // nullopt: a null *UUIDOfErrorDB
    // CheckAll: what goes into *piCharErr1 / *piCharErr2 (reference added).
    Microsoft::WRL::ComPtr<ICharacteristic> spCharErr1;
    Microsoft::WRL::ComPtr<ICharacteristic> spCharErr2;
    bool bLeaveOuts = false;    // write no out-parameter at all
    bool bReleaseFound = false; // CheckAll: release what the two slots held before storing

    static CAnswer Of(HRESULT hr)
    {
        CAnswer a;
        a.hr = hr;
        return a;
    }
    static CAnswer Of(HRESULT hr, std::wstring msg, std::wstring errDB)
    {
        CAnswer a;
        a.hr = hr;
        a.optMsg = std::move(msg);
        a.optErrDB = std::move(errDB);
        return a;
    }
};

// Answers per method name ("CheckAll"); a method answered by a sequence gives
// its entries call by call and then keeps giving the last one.
class CAssistantScript
{
public:
    void Answer(std::wstring_view method, CAnswer answer) { m_mapAnswers[std::wstring(method)] = {std::move(answer)}; }
    void AnswerSequence(std::wstring_view method, std::vector<CAnswer> answers)
    {
        m_mapAnswers[std::wstring(method)] = std::move(answers);
    }
    void AnswerAll(CAnswer answer) { m_optDefault = std::move(answer); } // every method without an answer of its own
    // The answer for the nCall-th call (from 0) of a method, or null.
    const CAnswer* Find(std::wstring_view method, size_t nCall) const;

private:
    std::map<std::wstring, std::vector<CAnswer>, std::less<>> m_mapAnswers;
    std::optional<CAnswer> m_optDefault;
};

// One call as the assistant received it.
struct CAssistCall
{
    std::wstring strMethod;
    int nSlot = 0;
    // The interface pointers passed in, in argument order: Init/InitEx
    // (pdispTopology, pdispLayer); checks from piCompRoot/piComponent3 on.
    std::vector<const void*> vecIn;
    long bAsChild = 0;
    VARIANT vValueBits{};                     // CheckPropertyChange: the bits as passed
    std::optional<std::wstring> optValueText; // its text, when VT_BSTR and not null
    std::optional<std::wstring> optProtocol;  // InitEx: the text, full length
    const void* pCharErr1In = nullptr;        // CheckAll: *piCharErr1 on entry
};

// The shared record of one assistant double.
class CAssistantState
{
public:
    CAssistantState(std::wstring_view name, AssistantKind kind, std::shared_ptr<CAssistantScript> spClassScript);

    const std::wstring& Name() const { return m_strName; }
    AssistantKind Kind() const { return m_kind; }
    // Its own answers; they win over those of its class.
    CAssistantScript& Script() { return m_script; }
    const std::vector<CAssistCall>& Calls() const { return m_vecCalls; }
    std::vector<std::wstring> Methods() const; // the method names in call order
    size_t CountOf(std::wstring_view method) const;
    const CAssistCall* LastCallOf(std::wstring_view method) const;

    bool IsAlive() const { return m_pObject != nullptr; }
    ULONG References() const;                      // 0 once destroyed
    IUnknown* Object() const { return m_pObject; } // no reference added; null once destroyed

    // Used by the double itself: the answer to this call, counted.
    const CAnswer& AnswerFor(std::wstring_view method, int nSlot);
    void Record(CAssistCall call) { m_vecCalls.push_back(std::move(call)); }
    void Attach(IUnknown* pObject, const CDoubleBase* pDouble)
    {
        m_pObject = pObject;
        m_pDouble = pDouble;
    }

private:
    std::wstring m_strName;
    AssistantKind m_kind;
    CAssistantScript m_script;
    std::shared_ptr<CAssistantScript> m_spClassScript;
    std::vector<CAssistCall> m_vecCalls;
    std::array<size_t, 23> m_anCalls{}; // per slot, also with recording off
    IUnknown* m_pObject = nullptr;
    const CDoubleBase* m_pDouble = nullptr;
};

// Every call of every assistant in order, kept also with recording off:
// which assistant, the slot, and whether it showed the planned fault.
struct CAssistOrder
{
    const CAssistantState* pState;
    int nSlot;
    bool bFaulted;

    static std::vector<CAssistOrder>& All();
    static void Add(const CAssistantState* pState, int nSlot, bool bFaulted);
};

// A new assistant double (one reference held by spUnknown).
struct CAssistantHandle
{
    Microsoft::WRL::ComPtr<IUnknown> spUnknown;
    std::shared_ptr<CAssistantState> spState;

    IAssist2* Assist2() const; // no reference added; null for NoAssist2
};
CAssistantHandle NewAssistant(std::wstring_view name, AssistantKind kind,
                              std::shared_ptr<CAssistantScript> spClassScript = nullptr);

// An assistant class registered with the COM runtime under a ProgID written
// below HKEY_CLASSES_ROOT, with a fresh class id. Every instance created is
// named "<name>", the second "<name>#2", and so on.
class CAssistantClass
{
public:
    CAssistantClass(std::wstring_view name, std::wstring_view progId, AssistantKind kind);
    ~CAssistantClass(); // revokes the class object and removes the keys
    CAssistantClass(const CAssistantClass&) = delete;
    CAssistantClass& operator=(const CAssistantClass&) = delete;

    const std::wstring& ProgId() const { return m_strProgId; }
    HRESULT Registered() const { return m_hrRegister; }

    AssistantKind kind;      // of the instances created from now on
    HRESULT hrCreate = S_OK; // a failure creates nothing; a success code
                             // other than S_OK creates and returns it
    // Answers every instance gives unless it has its own.
    CAssistantScript& Script() { return *m_spScript; }
    CAssistantState& Instance(size_t n) const { return *m_vecInstances.at(n); }
    long CreateCalls() const { return m_lCreateCalls; }

    // Used by the class object.
    HRESULT CreateInstance(REFIID riid, void** ppv);

private:
    std::wstring m_strName;
    std::wstring m_strProgId;
    CLSID m_clsid{};
    DWORD m_dwCookie = 0;
    HRESULT m_hrRegister = E_FAIL;
    std::shared_ptr<CAssistantScript> m_spScript;
    std::vector<std::shared_ptr<CAssistantState>> m_vecInstances;
    long m_lCreateCalls = 0;
};
