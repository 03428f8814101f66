#pragma once
// What both class objects share: IUnknown and IClassFactory's checks and
// LockServer. The class table holds the first reference; only references
// beyond it (a class object held by a client) count in the lock count.
#include <windows.h>
#include <unknwn.h>

class CClassObjectRoot : public IClassFactory
{
public:
    CClassObjectRoot(const CClassObjectRoot&) = delete;
    CClassObjectRoot& operator=(const CClassObjectRoot&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // Null out-pointer, then aggregation, then the object itself.
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) final;
    STDMETHODIMP LockServer(BOOL fLock) override;

protected:
    CClassObjectRoot() noexcept = default;
    virtual ~CClassObjectRoot() = default;
    virtual HRESULT CreateObject(REFIID riid, void** ppv) noexcept = 0;

private:
    volatile LONG m_lRef = 1; // the class table's reference
};
