#pragma once
// A callable passed down a call without being copied or allocated: it refers
// to the caller's function object, which outlives the call.
#include <type_traits>
#include <utility>

template <class Signature>
class CFunctionRef;

template <class R, class... A>
class CFunctionRef<R(A...)>
{
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, CFunctionRef>>>
    CFunctionRef(F&& f) noexcept // NOLINT: converts like the callable it refers to
        : m_pObject(const_cast<void*>(static_cast<const void*>(&f))), m_pfnCall(&Call<std::remove_reference_t<F>>)
    {}
    R operator()(A... args) const { return m_pfnCall(m_pObject, std::forward<A>(args)...); }

private:
    template <class F>
    static R Call(void* pObject, A... args)
    {
        return (*static_cast<F*>(pObject))(std::forward<A>(args)...);
    }

    void* m_pObject;
    R (*m_pfnCall)(void*, A...);
};
