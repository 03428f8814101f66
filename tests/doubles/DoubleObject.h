#pragma once
// The base of every double: a counted object with a per-instance interface
// list, the doubles alive, one call log, the fault plan, the recording switch
// and the placeholder slots that fail the running test.
#include <windows.h>
#include <oaidl.h>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include <wrl/client.h>
#include "com/ComObject.h"
#include "com/NoDispatch.h"

// Recording off: no logs or call records, and a select hands out the
// enumerator it kept for that context and path, so a call allocates nothing.
inline bool g_bRecording = true;

// Every host or assistant call counts; call number s_lFailAt shows the fault.
enum class Fault
{
    None,
    Error,        // kInjectedError, out-parameters null
    NullObject,   // S_OK, out-parameters null
    OtherSuccess, // S_FALSE instead of S_OK, out-parameters as usual
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
    static bool Outright(Fault fault) noexcept { return fault == Fault::Error || fault == Fault::NullObject; }
    // What a call answers under the fault: an outright one answers at once,
    // without the body; else the body runs and OtherSuccess makes its S_OK
    // an S_FALSE.
    template <class Body>
    static HRESULT Shown(Fault fault, Body&& body)
    {
        if (Outright(fault))
            return fault == Fault::Error ? kInjectedError : S_OK;
        const HRESULT hr = body();
        return fault == Fault::OtherSuccess && hr == S_OK ? S_FALSE : hr;
    }
};

template <class T, class U>
void HandOut(T** pp, U* p) noexcept
{
    if ((*pp = p) != nullptr)
        (*pp)->AddRef();
}

inline ULONG RefCount(IUnknown* p)
{
    p->AddRef();
    return p->Release();
}

// A placeholder slot called: the hook fails the test, else stderr hears of it.
using UnexpectedCallHook = void (*)(const std::wstring& text);
inline UnexpectedCallHook g_pfnUnexpectedCall = nullptr;

// Entries "<object>.<method>": "A.InitEx", "A#2.Create", "host.GetSchema",
// "query.Select"; kept only with recording on.
struct CCallLog
{
    static inline std::vector<std::wstring> s_vecEntries;
    static void Add(std::wstring_view object, std::wstring_view method);
    // The entries starting with one of the prefixes.
    static std::vector<std::wstring> Only(std::initializer_list<std::wstring_view> prefixes);
    static void Clear() { s_vecEntries.clear(); }
};

// Enters the live list on construction, leaves it on destruction.
class CDoubleBase : public CComRootSingleThreaded
{
public:
    CDoubleBase(std::wstring_view kind, std::wstring_view name);
    virtual ~CDoubleBase();
    CDoubleBase(const CDoubleBase&) = delete;
    CDoubleBase& operator=(const CDoubleBase&) = delete;

    const std::wstring& Name() const noexcept { return m_strName; }
    std::wstring_view Kind() const noexcept { return m_kind; }
    ULONG References() const noexcept { return m_refCount.Value(); }
    virtual bool AnswersInterface(REFIID) const noexcept { return true; }
    HRESULT UnexpectedSlot(int nSlot) const;

protected:
    void LogCall(std::wstring_view method) const { CCallLog::Add(m_strName, method); }
    // The procedure of a host call: logged under pszMethod (unless null),
    // the out-parameter checked and emptied, the planned fault shown, else
    // the body run, its exceptions turned into HRESULTs and its S_OK into
    // what the fault makes of it.
    template <class Out, class Body>
    HRESULT Answer(const wchar_t* pszMethod, Out* pOut, Body&& body) const
    {
        if (!pOut)
            return E_POINTER;
        *pOut = {};
        return Answer(pszMethod, std::forward<Body>(body));
    }
    template <class Body>
    HRESULT Answer(const wchar_t* pszMethod, Body&& body) const
    {
        if (pszMethod)
            LogCall(pszMethod);
        return CFaultPlan::Shown(CFaultPlan::Next(), [&] { return ComBoundary(std::forward<Body>(body)); });
    }

    std::wstring m_strName;
    std::wstring_view m_kind; // a literal
};

// The doubles alive; Forget starts a test's count afresh.
struct CLiveDoubles
{
    static inline std::set<const CDoubleBase*> s_setLive;
    static void Forget() { s_setLive.clear(); }
    static long Count() { return static_cast<long>(s_setLive.size()); }
    static std::wstring Describe(); // kind, name and references, a line each
};

// A class object whose creations fnCreate makes; a creation fails outright
// or not at all.
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
    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        const Fault fault = CFaultPlan::Next();
        return CFaultPlan::Shown(fault == Fault::OtherSuccess ? Fault::None : fault, [&] {
            return pOuter ? CLASS_E_NOAGGREGATION : ComBoundary([&] { return m_fnCreate(riid, ppv); });
        });
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    CreateFn m_fnCreate;
};

#define DOUBLE_INTERFACE_TABLE(Class, Itf)  \
    BEGIN_INTERFACE_TABLE(Class)            \
    INTERFACE_ENTRY(Itf)                    \
    INTERFACE_ENTRY_IID(IID_IDispatch, Itf) \
    END_INTERFACE_TABLE()

// Reserved7() answering UnexpectedSlot(7), logged as "<name>.Reserved7".
#define DOUBLE_RESERVED(n)                                                \
    STDMETHODIMP Reserved##n()                                            \
    {                                                                     \
        return dynamic_cast<const CDoubleBase&>(*this).UnexpectedSlot(n); \
    }

// A host interface of a double: each placeholder slot Reserved7() to
// Reserved31() the interface holds fails the running test; the others are
// never called.
template <class Itf>
class CHostInterface : public CNoDispatch<Itf>
{
public:
    // clang-format off
    DOUBLE_RESERVED(7) DOUBLE_RESERVED(8) DOUBLE_RESERVED(9) DOUBLE_RESERVED(10) DOUBLE_RESERVED(11)
    DOUBLE_RESERVED(12) DOUBLE_RESERVED(13) DOUBLE_RESERVED(14) DOUBLE_RESERVED(15) DOUBLE_RESERVED(16)
    DOUBLE_RESERVED(17) DOUBLE_RESERVED(18) DOUBLE_RESERVED(19) DOUBLE_RESERVED(20) DOUBLE_RESERVED(21)
    DOUBLE_RESERVED(22) DOUBLE_RESERVED(23) DOUBLE_RESERVED(24) DOUBLE_RESERVED(25) DOUBLE_RESERVED(26)
    DOUBLE_RESERVED(27) DOUBLE_RESERVED(28) DOUBLE_RESERVED(29) DOUBLE_RESERVED(30) DOUBLE_RESERVED(31)
    // clang-format on
};
