#pragma once
// A small declarative object model: each class lists the interfaces it answers
// in a table and picks a root for its threading model; CComObject<T> supplies
// the one IUnknown and the one CreateInstance from both. FinalConstruct runs
// with the count held at one.
#include <windows.h>
#include <unknwn.h>
#include <oaidl.h>
#include <cstddef>
#include <new>
#include <utility>
#include <wrl/client.h>
#include "com/ComError.h"
#include "com/ModuleLock.h"

struct InterfaceEntry
{
    const IID* piid;       // null ends the table
    std::ptrdiff_t offset; // from the object's start to the interface pointer
};

template <class T, class I>
inline std::ptrdiff_t InterfaceOffset() noexcept
{
    alignas(T) static char probe[sizeof(void*)];
    T* pObject = reinterpret_cast<T*>(probe);
    return reinterpret_cast<char*>(static_cast<I*>(pObject)) - reinterpret_cast<char*>(pObject);
}

// The first entry also answers IUnknown.
inline HRESULT QueryInterfaceFromTable(void* pThis, const InterfaceEntry* pTable, REFIID riid, void** ppv) noexcept
{
    for (const InterfaceEntry* p = pTable; p->piid; ++p) {
        if (IsEqualIID(riid, *p->piid) || (p == pTable && IsEqualIID(riid, IID_IUnknown))) {
            IUnknown* pUnk = reinterpret_cast<IUnknown*>(static_cast<char*>(pThis) + p->offset);
            pUnk->AddRef();
            *ppv = pUnk;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

// The table's macros read as one declaration; the formatter would split them:
// clang-format off
#define BEGIN_INTERFACE_TABLE(Class)                       \
    using ThisClass = Class;                               \
    static const InterfaceEntry* InterfaceTable() noexcept \
    {                                                      \
        static const InterfaceEntry table[] = {
#define INTERFACE_ENTRY(Itf) {&__uuidof(Itf), InterfaceOffset<ThisClass, Itf>()},
#define INTERFACE_ENTRY_IID(iid, Itf) {&(iid), InterfaceOffset<ThisClass, Itf>()},
#define END_INTERFACE_TABLE() \
    {nullptr, 0}};            \
    return table;             \
    }
// clang-format on

// A reference count. Objects of the multi-threaded model take and drop
// references on any thread; those of the single-threaded model need no lock.
template <bool kInterlocked>
class CRefCount
{
public:
    ULONG Increment() noexcept { return static_cast<ULONG>(kInterlocked ? InterlockedIncrement(&m_l) : ++m_l); }
    ULONG Decrement() noexcept { return static_cast<ULONG>(kInterlocked ? InterlockedDecrement(&m_l) : --m_l); }
    ULONG Value() const noexcept { return static_cast<ULONG>(m_l); }

private:
    LONG m_l = 0;
};

// Reference-counting roots: a class derives from the one of its threading
// model, and may hide FinalConstruct or AnswersInterface (a per-instance
// narrowing of its table) with its own.
template <class Count>
class CComRoot
{
public:
    HRESULT FinalConstruct() { return S_OK; }
    bool AnswersInterface(REFIID) const noexcept { return true; }

    Count m_refCount;
};
using CComRootSingleThreaded = CComRoot<CRefCount<false>>;
using CComRootMultiThreaded = CComRoot<CRefCount<true>>;

// An object that lives on its own: its references do not touch the lock count.
struct CFreeLifetime
{
    static void Added(ULONG) noexcept {}
    static void Released(ULONG) noexcept {}
};

// An object the module holds for the process (a class object, a singleton):
// the holder's reference is the first and does not count in the lock count;
// the object counts there only while somebody else holds it too.
struct CHeldLifetime
{
    static void Added(ULONG l) noexcept
    {
        if (l == 2)
            ModuleLock();
    }
    static void Released(ULONG l) noexcept
    {
        if (l == 1)
            ModuleUnlock();
    }
};

// T provides InterfaceTable() and derives from a CComRoot.
template <class T, class Lifetime = CFreeLifetime>
class CComObject final : public T
{
public:
    template <class... A>
    explicit CComObject(A&&... args) : T(std::forward<A>(args)...)
    {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !this->AnswersInterface(riid))
            return E_NOINTERFACE;
        return QueryInterfaceFromTable(this, T::InterfaceTable(), riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        const ULONG l = this->m_refCount.Increment();
        Lifetime::Added(l);
        return l;
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG l = this->m_refCount.Decrement();
        if (l == 0)
            delete this;
        else
            Lifetime::Released(l);
        return l;
    }

    // Constructs, runs FinalConstruct with the count held at one, and hands
    // out the requested interface; on any failure the object is destroyed.
    template <class... A>
    static HRESULT CreateInstance(REFIID riid, void** ppv, A&&... args) noexcept
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        return ComBoundary([&] {
            Microsoft::WRL::ComPtr<CComObject> spObject = New(std::forward<A>(args)...);
            RETURN_IF_FAILED(spObject->FinalConstruct());
            return spObject->QueryInterface(riid, ppv);
        });
    }

    // For code that serves no COM call (tools, tests): a new object held by
    // the returned pointer; allocation failure raises, FinalConstruct is not run.
    template <class... A>
    static Microsoft::WRL::ComPtr<CComObject> New(A&&... args)
    {
        // The pointer's own reference is the first.
        return Microsoft::WRL::ComPtr<CComObject>(new CComObject(std::forward<A>(args)...));
    }
};

// An object that keeps the module loaded for as long as it lives.
template <class T>
class CModuleLocked : public T
{
public:
    CModuleLocked() { ModuleLock(); }
    ~CModuleLocked() override { ModuleUnlock(); }
};
