#pragma once
// IDispatch for the simulator's dual interfaces, served from a type library:
// the host framework's (NewZUR.tlb) or the simulator's own. Reserved slots of
// the host interfaces answer E_NOTIMPL through SIM_RESERVED, the one place
// that says so.
#include <windows.h>
#include "com/Dispatch.h"
#include "com/TypeInfoCache.h"
#include "interfaces/NewZUR.h"

inline HRESULT NotImplemented() noexcept
{
    return E_NOTIMPL;
}
#define SIM_RESERVED(n)                 \
    STDMETHODIMP Reserved##n() override \
    {                                   \
        return NotImplemented();        \
    }

struct NewZURLibrary
{
    static HRESULT TypeInfo(REFIID riid, ITypeInfo** ppTypeInfo) noexcept;
};

struct HostSimLibrary
{
    static HRESULT TypeInfo(REFIID riid, ITypeInfo** ppTypeInfo) noexcept;
};

// The simulator's live objects: each counts itself while it lives, so a host
// can tell whether the objects it handed out all came back.
LONG SimLiveObjects() noexcept;

class CSimLiveCount
{
public:
    CSimLiveCount() noexcept;
    CSimLiveCount(const CSimLiveCount&) = delete;
    CSimLiveCount& operator=(const CSimLiveCount&) = delete;
    ~CSimLiveCount();
};

template <class Lib, class Itf, class... Others>
class CSimDispatch : public CTypeLibDispatch<Lib, Itf, Others...>
{
private:
    CSimLiveCount m_liveCount;
};
