#pragma once
// The class object of AssistLayer2: one CAssistLayer per process, shared by
// every client. A failed creation is remembered and never retried.
#include "module/ClassObjectRoot.h"

class CSingletonClassFactory final : public CClassObjectRoot
{
public:
    CSingletonClassFactory() noexcept;
    ~CSingletonClassFactory() override;

protected:
    HRESULT CreateObject(REFIID riid, void** ppv) noexcept override;

private:
    void CreateLayerOnce() noexcept;

    CRITICAL_SECTION m_lock; // serialises the one creation
    IUnknown* volatile m_pUnkLayer = nullptr;
    volatile HRESULT m_hrFailure = S_OK;
};

HRESULT CreateLayerClassObject(IUnknown** ppUnk) noexcept;
