#pragma once
// The classes the module serves, in their fixed order: the order of
// registration, unregistration and class-object lookup.
#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

struct ClassEntry
{
    const CLSID* pclsid;
    const wchar_t* pszProgId;
    UINT idsDescription; // string resource
    HRESULT (*pfnCreateClassObject)(IUnknown** ppUnk);
    Microsoft::WRL::ComPtr<IUnknown> spClassObject; // empty until first asked for
};

// The entries in table order.
ClassEntry* ClassTableBegin() noexcept;
ClassEntry* ClassTableEnd() noexcept;

// DllGetClassObject: finds the entry, creates its class object once.
HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) noexcept;
// Process detach: every class object created is released, its slot cleared.
void ReleaseClassObjects() noexcept;
