#pragma once
// An object that its class object keeps alive for the whole process. The
// class object's reference is the first one and does not count in the lock
// count; the object counts there only while some client holds it.
#include <windows.h>
#include <unknwn.h>
#include <utility>
#include "common/ComError.h"
#include "common/ComObject.h"
#include "module/Module.h"

template <class T>
class CCachedComObject final : public T
{
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return QueryInterfaceFromTable(this, T::InterfaceTable(), riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        ULONG l = this->m_refCount.Increment();
        if (l == 2)
            ModuleLock();
        return l;
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG l = this->m_refCount.Decrement();
        if (l == 1)
            ModuleUnlock();
        else if (l == 0)
            delete this;
        return l;
    }

    // Constructs and runs FinalConstruct with the count held at one; that
    // reference is the holder's IUnknown. On failure the object is destroyed.
    static HRESULT Create(IUnknown** ppUnk) noexcept
    {
        *ppUnk = nullptr;
        CCachedComObject* pObject = nullptr;
        HRESULT hr = ComBoundary([&] {
            pObject = new CCachedComObject();
            return S_OK;
        });
        if (FAILED(hr))
            return hr;
        pObject->m_refCount.Increment();
        hr = ComBoundary([&] { return pObject->FinalConstruct(); });
        IUnknown* pUnk = nullptr;
        if (SUCCEEDED(hr))
            hr = pObject->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pUnk));
        pObject->Release();
        if (SUCCEEDED(hr))
            *ppUnk = pUnk;
        return hr;
    }
};
