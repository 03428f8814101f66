#pragma once
// IDispatch of the interfaces of LAYERLib2, served from the library: the
// registered one (version 7.0), else the TYPELIB resource of the module.
#include "LayerLib2.h"
#include "com/Dispatch.h"
#include "com/TypeInfoCache.h"

struct LayerLibrary
{
    static HRESULT Load(ITypeLib** ppTypeLib) noexcept
    {
        // Registered under the library's own locale; a neutral lookup does not find it.
        const LCID lcidLibrary = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
        return LoadRegisteredOrOwnTypeLib(LIBID_LAYERLib2, 7, 0, lcidLibrary, ppTypeLib);
    }
    static HRESULT TypeInfo(REFIID riid, ITypeInfo** ppTypeInfo) noexcept
    {
        return GetCachedTypeInfo(riid, Load, ppTypeInfo);
    }
};

template <class Itf>
using CDispatchImpl = CTypeLibDispatch<LayerLibrary, Itf>;
