#include "module/SingletonClassFactory.h"
#include <new>
#include "layer/AssistLayer.h"
#include "module/CachedComObject.h"

CSingletonClassFactory::CSingletonClassFactory() noexcept
{
    InitializeCriticalSection(&m_lock);
}

// Process detach: the layer is destroyed here unless a client still holds it;
// its assistants are not terminated.
CSingletonClassFactory::~CSingletonClassFactory()
{
    if (m_pUnkLayer)
        m_pUnkLayer->Release();
    DeleteCriticalSection(&m_lock);
}

void CSingletonClassFactory::CreateLayerOnce() noexcept
{
    if (m_pUnkLayer || FAILED(m_hrFailure))
        return;
    EnterCriticalSection(&m_lock);
    if (!m_pUnkLayer && SUCCEEDED(m_hrFailure)) {
        IUnknown* pUnk = nullptr;
        HRESULT hr = CCachedComObject<CAssistLayer>::Create(&pUnk);
        if (SUCCEEDED(hr))
            m_pUnkLayer = pUnk;
        else
            m_hrFailure = hr;
    }
    LeaveCriticalSection(&m_lock);
}

HRESULT CSingletonClassFactory::CreateObject(REFIID riid, void** ppv) noexcept
{
    CreateLayerOnce();
    if (FAILED(m_hrFailure))
        return m_hrFailure;
    return m_pUnkLayer->QueryInterface(riid, ppv);
}

HRESULT CreateLayerClassObject(IUnknown** ppUnk) noexcept
{
    CSingletonClassFactory* pFactory = new (std::nothrow) CSingletonClassFactory();
    if (!pFactory)
        return E_OUTOFMEMORY;
    *ppUnk = pFactory;
    return S_OK;
}
