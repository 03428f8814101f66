#pragma once
// The failure carrier inside C++ code, and the one place where it is turned
// back into an HRESULT. No C++ exception may cross a COM method: every method
// body that can throw runs inside ComBoundary.
#include <windows.h>
#include <new>
#include <utility>

class CComError
{
public:
    explicit CComError(HRESULT hr) noexcept : m_hr(hr) {}
    HRESULT Result() const noexcept { return m_hr; }

private:
    HRESULT m_hr;
};

// A string or variant that cannot be allocated raises E_OUTOFMEMORY.
template <class T>
inline T* ThrowIfNull(T* p)
{
    if (!p)
        throw CComError(E_OUTOFMEMORY);
    return p;
}

// Runs f and turns whatever it throws into the HRESULT it stands for: a
// CComError carries its own; anything else is the runtime's, which throws
// when memory runs out. The one mapping of an exception to an HRESULT.
template <class F>
inline HRESULT ComBoundary(F&& f) noexcept
{
    try {
        return std::forward<F>(f)();
    } catch (const CComError& e) {
        return e.Result();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// A failed call ends the function with its HRESULT.
#define RETURN_IF_FAILED(expr)          \
    do {                                \
        const HRESULT hrFailed_ = expr; \
        if (FAILED(hrFailed_))          \
            return hrFailed_;           \
    } while (0)
