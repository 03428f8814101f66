#pragma once
// The classes the module serves, in their fixed order: the order of
// registration, unregistration and class-object lookup.
#include <windows.h>

// DllGetClassObject: finds the class, creates its class object once.
HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) noexcept;
// Process detach: every class object created is released, its slot cleared.
void ReleaseClassObjects() noexcept;
// The keys of every class under HKEY_CLASSES_ROOT, written or removed; the
// first failure stops.
HRESULT RegisterClasses();
HRESULT UnregisterClasses();
