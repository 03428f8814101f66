#pragma once
// The ordinary class object: a new CProxyAssistant for every request.
#include "module/ClassObjectRoot.h"

class CClassFactory final : public CClassObjectRoot
{
protected:
    HRESULT CreateObject(REFIID riid, void** ppv) noexcept override;
};

HRESULT CreateProxyClassObject(IUnknown** ppUnk) noexcept;
