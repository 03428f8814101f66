#pragma once
// A small declarative object model: each class lists the interfaces it answers
// in a table, picks a reference-count model, and CComObject<T> supplies the
// IUnknown methods from both. FinalConstruct runs with the count held at one.
#include <windows.h>
#include <unknwn.h>
#include <oaidl.h>
#include <cstddef>
#include <new>
#include <utility>
#include "common/ComError.h"

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
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
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

#define BEGIN_INTERFACE_TABLE(Class)                       \
    using ThisClass = Class;                               \
    static const InterfaceEntry* InterfaceTable() noexcept \
    {                                                      \
        static const InterfaceEntry table[] = {
#define INTERFACE_ENTRY(Itf) {&__uuidof(Itf), InterfaceOffset<ThisClass, Itf>()},
#define INTERFACE_ENTRY_IID(iid, Itf) {&(iid), InterfaceOffset<ThisClass, Itf>()},
#define END_INTERFACE_TABLE() \
    {                         \
        nullptr, 0            \
    }                         \
    }                         \
    ;                         \
    return table;             \
    }

// Objects of the single-threaded model: a plain count.
class CSingleThreadedCount
{
public:
    ULONG Increment() noexcept { return static_cast<ULONG>(++m_l); }
    ULONG Decrement() noexcept { return static_cast<ULONG>(--m_l); }
    ULONG Value() const noexcept { return static_cast<ULONG>(m_l); }

private:
    LONG m_l = 0;
};

// Objects of the multi-threaded model: references may come and go on any thread.
class CMultiThreadedCount
{
public:
    ULONG Increment() noexcept { return static_cast<ULONG>(InterlockedIncrement(&m_l)); }
    ULONG Decrement() noexcept { return static_cast<ULONG>(InterlockedDecrement(&m_l)); }
    ULONG Value() const noexcept { return static_cast<ULONG>(m_l); }

private:
    volatile LONG m_l = 0;
};

// T provides InterfaceTable(), a count member m_refCount and FinalConstruct().
template <class T>
class CComObject final : public T
{
public:
    template <class... A>
    explicit CComObject(A&&... args) : T(std::forward<A>(args)...)
    {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return QueryInterfaceFromTable(this, T::InterfaceTable(), riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return this->m_refCount.Increment(); }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG l = this->m_refCount.Decrement();
        if (l == 0)
            delete this;
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
        CComObject* pObject = nullptr;
        HRESULT hr = ComBoundary([&] {
            pObject = new CComObject(std::forward<A>(args)...);
            return S_OK;
        });
        if (FAILED(hr))
            return hr;
        pObject->m_refCount.Increment();
        hr = ComBoundary([&] { return pObject->FinalConstruct(); });
        if (SUCCEEDED(hr))
            hr = pObject->QueryInterface(riid, ppv);
        pObject->Release();
        return hr;
    }
};

// Reference-counting roots: a class derives from the one of its threading model.
class CComRootSingleThreaded
{
public:
    CSingleThreadedCount m_refCount;
};

class CComRootMultiThreaded
{
public:
    CMultiThreadedCount m_refCount;
};

// IDispatch of an object reached through its vtable only: it offers no type
// information and no late binding.
template <class Itf>
class CNoDispatch : public Itf
{
public:
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        if (pctinfo)
            *pctinfo = 0;
        return pctinfo ? S_OK : E_POINTER;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override
    {
        if (ppTInfo)
            *ppTInfo = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
};
