#pragma once
// The twelve checks, written once: the host's arguments of each (IAssistLayer2
// and IAssist2 share their signatures), how they are passed on to an
// assistant, and the methods that take them from the host.
#include <windows.h>
#include "LayerLib2.h"

enum class CheckId
{
    NewDevice,
    All,
    PropertyChange,
    InsertDrag,
    InsertDrop,
    MoveDrag,
    MoveDrop,
    ReplaceDrag,
    ReplaceDrop,
    Connect,
    Disconnect,
    Delete
};
inline constexpr int kCheckCount = 12;

// Every argument any check takes; each check passes on the ones it has.
struct CheckArgs
{
    IComponent* piRoot = nullptr;
    IComponent* piComp = nullptr;  // piComponent3, piCompIns, piCompMove, piCompPalett, piComp
    IComponent* piOther = nullptr; // piCompDest, piCompReplace
    LONG bAsChild = 0;
    ICharacteristic* piChar1 = nullptr; // the ends of a connection
    ICharacteristic* piChar2 = nullptr;
    IPropertyData* pData = nullptr;
    VARIANT vValue{};                       // bit for bit as the host passed it: never copied, never cleared
    ICharacteristic** ppCharErr1 = nullptr; // CheckAll's in/out characteristics
    ICharacteristic** ppCharErr2 = nullptr;
};

// Puts one check to a layer or an assistant.
template <class Itf>
HRESULT CallCheck(Itf* p, CheckId id, BSTR* m, const CheckArgs& a, BSTR* d)
{
    switch (id) {
    case CheckId::NewDevice:
        return p->CheckNewDevice(m, a.piComp, d);
    case CheckId::All:
        return p->CheckAll(m, a.piRoot, a.ppCharErr1, a.ppCharErr2, d);
    case CheckId::PropertyChange:
        return p->CheckPropertyChange(m, a.piRoot, a.pData, a.vValue, d);
    case CheckId::InsertDrag:
        return p->CheckInsertDrag(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
    case CheckId::InsertDrop:
        return p->CheckInsertDrop(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
    case CheckId::MoveDrag:
        return p->CheckMoveDrag(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
    case CheckId::MoveDrop:
        return p->CheckMoveDrop(m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d);
    case CheckId::ReplaceDrag:
        return p->CheckReplaceDrag(m, a.piRoot, a.piComp, a.piOther, d);
    case CheckId::ReplaceDrop:
        return p->CheckReplaceDrop(m, a.piRoot, a.piComp, a.piOther, d);
    case CheckId::Connect:
        return p->CheckConnect(m, a.piRoot, a.piChar1, a.piChar2, d);
    case CheckId::Disconnect:
        return p->CheckDisconnect(m, a.piRoot, a.piChar1, a.piChar2, d);
    case CheckId::Delete:
        return p->CheckDelete(m, a.piRoot, a.piComp, d);
    }
    return E_UNEXPECTED;
}

// The twelve methods of a class that runs every check through
// RunCheck(CheckId, const CheckArgs&, BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB).
// CheckAll walks its root: the root is also the component.
#define DECLARE_CHECK_METHODS                                                                                         \
    STDMETHODIMP CheckNewDevice(BSTR* pbstrErrMsg, IComponent* piComponent3, BSTR* UUIDOfErrorDB) override;           \
    STDMETHODIMP CheckAll(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic** piCharErr1,                    \
                          ICharacteristic** piCharErr2, BSTR* UUIDOfErrorDB) override;                                \
    STDMETHODIMP CheckPropertyChange(BSTR* pbstrErrMsg, IComponent* piCompRoot, IPropertyData* pData, VARIANT vValue, \
                                     BSTR* UUIDOfErrorDB) override;                                                   \
    STDMETHODIMP CheckInsertDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,                    \
                                 IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB) override;                \
    STDMETHODIMP CheckInsertDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,                    \
                                 IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB) override;                \
    STDMETHODIMP CheckMoveDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,                     \
                               IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB) override;                  \
    STDMETHODIMP CheckMoveDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,                     \
                               IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB) override;                  \
    STDMETHODIMP CheckReplaceDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,                \
                                  IComponent* piCompReplace, BSTR* UUIDOfErrorDB) override;                           \
    STDMETHODIMP CheckReplaceDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,                \
                                  IComponent* piCompReplace, BSTR* UUIDOfErrorDB) override;                           \
    STDMETHODIMP CheckConnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,                \
                              ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB) override;                            \
    STDMETHODIMP CheckDisconnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,             \
                                 ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB) override;                         \
    STDMETHODIMP CheckDelete(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piComp, BSTR* UUIDOfErrorDB)      \
        override;

#define DEFINE_CHECK_METHOD(Class, Name, Params, ...)                 \
    STDMETHODIMP Class::Check##Name Params                            \
    {                                                                 \
        return RunCheck(CheckId::Name, CheckArgs{__VA_ARGS__}, m, d); \
    }
#define DEFINE_CHECK_METHODS(Class)                                                                                    \
    DEFINE_CHECK_METHOD(Class, NewDevice, (BSTR * m, IComponent * c, BSTR * d), nullptr, c)                            \
    DEFINE_CHECK_METHOD(Class, All,                                                                                    \
                        (BSTR * m, IComponent * r, ICharacteristic * *e1, ICharacteristic * *e2, BSTR * d), r, r,      \
                        nullptr, 0, nullptr, nullptr, nullptr, {}, e1, e2)                                             \
    DEFINE_CHECK_METHOD(Class, PropertyChange, (BSTR * m, IComponent * r, IPropertyData * p, VARIANT v, BSTR * d), r,  \
                        nullptr, nullptr, 0, nullptr, nullptr, p, v)                                                   \
    DEFINE_CHECK_METHOD(Class, InsertDrag,                                                                             \
                        (BSTR * m, IComponent * r, IComponent * c, IComponent * o, LONG b, BSTR * d), r, c, o, b)      \
    DEFINE_CHECK_METHOD(Class, InsertDrop,                                                                             \
                        (BSTR * m, IComponent * r, IComponent * c, IComponent * o, LONG b, BSTR * d), r, c, o, b)      \
    DEFINE_CHECK_METHOD(Class, MoveDrag, (BSTR * m, IComponent * r, IComponent * c, IComponent * o, LONG b, BSTR * d), \
                        r, c, o, b)                                                                                    \
    DEFINE_CHECK_METHOD(Class, MoveDrop, (BSTR * m, IComponent * r, IComponent * c, IComponent * o, LONG b, BSTR * d), \
                        r, c, o, b)                                                                                    \
    DEFINE_CHECK_METHOD(Class, ReplaceDrag, (BSTR * m, IComponent * r, IComponent * c, IComponent * o, BSTR * d), r,   \
                        c, o)                                                                                          \
    DEFINE_CHECK_METHOD(Class, ReplaceDrop, (BSTR * m, IComponent * r, IComponent * c, IComponent * o, BSTR * d), r,   \
                        c, o)                                                                                          \
    DEFINE_CHECK_METHOD(Class, Connect,                                                                                \
                        (BSTR * m, IComponent * r, ICharacteristic * c1, ICharacteristic * c2, BSTR * d), r, nullptr,  \
                        nullptr, 0, c1, c2)                                                                            \
    DEFINE_CHECK_METHOD(Class, Disconnect,                                                                             \
                        (BSTR * m, IComponent * r, ICharacteristic * c1, ICharacteristic * c2, BSTR * d), r, nullptr,  \
                        nullptr, 0, c1, c2)                                                                            \
    DEFINE_CHECK_METHOD(Class, Delete, (BSTR * m, IComponent * r, IComponent * c, BSTR * d), r, c)
