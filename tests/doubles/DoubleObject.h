#pragma once
// The base every test double stands on: a counted COM object whose interface
// list may be narrowed per instance, a process-wide count of the doubles alive,
// one ordered log of the calls all doubles received, the fault plan, the
// switch that turns recording off for timing, and the placeholder slots of
// the host interfaces, each of which fails the running test when called.
#include <windows.h>
#include <oaidl.h>
#include <string>
#include <string_view>
#include <vector>
#include <wrl/client.h>
#include "com/ComObject.h"
#include "com/NoDispatch.h"

// ---- the switches of a run ---------------------------------------------------
// With recording off the doubles keep no call log, no call records and no
// registry log, and a select hands out the enumerator it made for that
// context and path the first time (the tree must not change meanwhile): a
// call then allocates nothing of the doubles' own.
struct CRecording
{
    static inline bool s_bOn = true;
    static bool On() noexcept { return s_bOn; }
};

// A host or assistant call made to fail. Every call counts; the one whose
// number is s_lFailAt shows the planned fault. Unplanned, a call costs one
// increment and one comparison.
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
    static HRESULT OutrightResult(Fault fault) noexcept { return fault == Fault::Error ? kInjectedError : S_OK; }
    // What a call that went on answers: S_FALSE for S_OK under OtherSuccess.
    static HRESULT Result(Fault fault, HRESULT hr) noexcept
    {
        return fault == Fault::OtherSuccess && hr == S_OK ? S_FALSE : hr;
    }
};

// The planned fault of this call; a call that fails outright returns here,
// after the method has nulled its out-parameters.
#define DOUBLE_FAULT_POINT()                \
    const Fault fault = CFaultPlan::Next(); \
    if (CFaultPlan::Outright(fault))        \
    return CFaultPlan::OutrightResult(fault)

// A call nobody expected (a placeholder slot): the hook fails the running
// test; without one the call is printed on stderr.
using UnexpectedCallHook = void (*)(const std::wstring& text);
void SetUnexpectedCallHook(UnexpectedCallHook pfnHook);

// ---- the call log shared by all doubles -------------------------------------
// Entries read "<object>.<method>", e.g. "A.InitEx" or "host.FireControlEvent".
// The objects: assistants by their names ("A", "A#2", with "A.Create" when
// their class object makes one), "host" (the topology), "schema", "errordb",
// "query" (Create, Attach, Select), "queryresult" (Next), "context" (Create,
// OpenKey); data-tree nodes log only calls of their placeholder slots, and
// keep their own calls in CNodeDouble::vecCalls.
class CCallLog
{
public:
    static void Add(std::wstring_view object, std::wstring_view method);
    static const std::vector<std::wstring>& Entries();
    // The entries without those whose text starts with one of the prefixes.
    static std::vector<std::wstring> Without(std::initializer_list<std::wstring_view> prefixes);
    // Only the entries whose text starts with one of the prefixes.
    static std::vector<std::wstring> Only(std::initializer_list<std::wstring_view> prefixes);
    static void Clear();
};

// ---- the doubles alive -------------------------------------------------------
class CDoubleBase;
class CLiveDoubles
{
public:
    // From now on Count and Describe see only doubles made after this call.
    static void Mark();
    static long Count();
    // One line per double alive: its kind, name and reference count.
    static std::wstring Describe();
    static void Enter(const CDoubleBase* pDouble);
    static void Leave(const void* pObject);
};

// Every double derives from this: it enters the live list on construction and
// leaves it on destruction; the kit's CComObject<T> supplies its IUnknown.
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

    // Per-instance narrowing of the interface table; the default answers all.
    virtual bool AnswersInterface(REFIID) const noexcept { return true; }

protected:
    // Records "<name>.<method>" in the call log.
    void LogCall(std::wstring_view method) const;
    // What a placeholder slot answers: logged, the hook called, E_NOTIMPL.
    HRESULT UnexpectedSlot(int nSlot) const;

    std::wstring m_strName;
    std::wstring_view m_kind; // a literal
};

// A double's COM object: QueryInterface from T's table filtered by the
// instance; New makes one held by the returned pointer.
template <class T>
using CDoubleObject = CComObject<T>;

// A double with several interface bases names the IUnknown methods once, so
// ComPtr<Double> resolves them; CComObject<T> supplies them.
#define DOUBLE_IUNKNOWN_METHODS                                        \
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override = 0; \
    STDMETHODIMP_(ULONG) AddRef() override = 0;                        \
    STDMETHODIMP_(ULONG) Release() override = 0;

// The table of a double serving one interface, which is also its IDispatch.
#define DOUBLE_INTERFACE_TABLE(Class, Itf)  \
    BEGIN_INTERFACE_TABLE(Class)            \
    INTERFACE_ENTRY(Itf)                    \
    INTERFACE_ENTRY_IID(IID_IDispatch, Itf) \
    END_INTERFACE_TABLE()

// ---- placeholder slots --------------------------------------------------------
// DOUBLE_RESERVED(7) defines Reserved7() answering UnexpectedSlot(7): a call the
// layer should never make fails the test and shows up in the call log as
// "<name>.Reserved7".
// DOUBLE_RESERVED_TENS(1) defines Reserved10() to Reserved19().
#define DOUBLE_RESERVED(n)              \
    STDMETHODIMP Reserved##n() override \
    {                                   \
        return UnexpectedSlot(n);       \
    }
#define DOUBLE_RESERVED_TENS(d) \
    DOUBLE_RESERVED(d##0)       \
    DOUBLE_RESERVED(d##1)       \
    DOUBLE_RESERVED(d##2)       \
    DOUBLE_RESERVED(d##3)       \
    DOUBLE_RESERVED(d##4)       \
    DOUBLE_RESERVED(d##5)       \
    DOUBLE_RESERVED(d##6)       \
    DOUBLE_RESERVED(d##7)       \
    DOUBLE_RESERVED(d##8)       \
    DOUBLE_RESERVED(d##9)
