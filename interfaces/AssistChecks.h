#pragma once
// The twelve checks, written once: the host's arguments of each (IAssistLayer2
// and IAssist2 share their signatures), how they are passed on to an
// assistant, and the methods that take them from the host.
#include <windows.h>
#include "LayerLib2.h"

// clang-format off: one check a line
// The twelve checks in slot order: name, the host's parameters, the arguments
// they fill (CheckAll walks its root: the root is also the component), and how
// the arguments are passed on.
#define ASSIST_CHECKS(X, C)                                                                                          \
    X(C, NewDevice, (BSTR * pbstrErrMsg, IComponent * piComponent3, BSTR * UUIDOfErrorDB), (nullptr, piComponent3),  \
      (m, a.piComp, d))                                                                                              \
    X(C, All,                                                                                                        \
      (BSTR * pbstrErrMsg, IComponent * piCompRoot, ICharacteristic * *piCharErr1, ICharacteristic * *piCharErr2,    \
       BSTR * UUIDOfErrorDB),                                                                                        \
      (piCompRoot, piCompRoot, nullptr, 0, nullptr, nullptr, nullptr, {}, piCharErr1, piCharErr2),                   \
      (m, a.piRoot, a.ppCharErr1, a.ppCharErr2, d))                                                                  \
    X(C, PropertyChange,                                                                                             \
      (BSTR * pbstrErrMsg, IComponent * piCompRoot, IPropertyData * pData, VARIANT vValue, BSTR * UUIDOfErrorDB),    \
      (piCompRoot, nullptr, nullptr, 0, nullptr, nullptr, pData, vValue), (m, a.piRoot, a.pData, a.vValue, d))       \
    X(C, InsertDrag,                                                                                                 \
      (BSTR * pbstrErrMsg, IComponent * piCompRoot, IComponent * piCompIns, IComponent * piCompDest, LONG bAsChild,  \
       BSTR * UUIDOfErrorDB),                                                                                        \
      (piCompRoot, piCompIns, piCompDest, bAsChild), (m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d))              \
    X(C, InsertDrop,                                                                                                 \
      (BSTR * pbstrErrMsg, IComponent * piCompRoot, IComponent * piCompIns, IComponent * piCompDest, LONG bAsChild,  \
       BSTR * UUIDOfErrorDB),                                                                                        \
      (piCompRoot, piCompIns, piCompDest, bAsChild), (m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d))              \
    X(C, MoveDrag,                                                                                                   \
      (BSTR * pbstrErrMsg, IComponent * piCompRoot, IComponent * piCompMove, IComponent * piCompDest, LONG bAsChild, \
       BSTR * UUIDOfErrorDB),                                                                                        \
      (piCompRoot, piCompMove, piCompDest, bAsChild), (m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d))             \
    X(C, MoveDrop,                                                                                                   \
      (BSTR * pbstrErrMsg, IComponent * piCompRoot, IComponent * piCompMove, IComponent * piCompDest, LONG bAsChild, \
       BSTR * UUIDOfErrorDB),                                                                                        \
      (piCompRoot, piCompMove, piCompDest, bAsChild), (m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d))             \
    X(C, ReplaceDrag,                                                                                                \
      (BSTR * pbstrErrMsg, IComponent * piCompRoot, IComponent * piCompPalett, IComponent * piCompReplace,           \
       BSTR * UUIDOfErrorDB),                                                                                        \
      (piCompRoot, piCompPalett, piCompReplace), (m, a.piRoot, a.piComp, a.piOther, d))                              \
    X(C, ReplaceDrop,                                                                                                \
      (BSTR * pbstrErrMsg, IComponent * piCompRoot, IComponent * piCompPalett, IComponent * piCompReplace,           \
       BSTR * UUIDOfErrorDB),                                                                                        \
      (piCompRoot, piCompPalett, piCompReplace), (m, a.piRoot, a.piComp, a.piOther, d))                              \
    X(C, Connect,                                                                                                    \
      (BSTR * pbstrErrMsg, IComponent * piCompRoot, ICharacteristic * piCharConn1, ICharacteristic * piCharConn2,    \
       BSTR * UUIDOfErrorDB),                                                                                        \
      (piCompRoot, nullptr, nullptr, 0, piCharConn1, piCharConn2), (m, a.piRoot, a.piChar1, a.piChar2, d))           \
    X(C, Disconnect,                                                                                                 \
      (BSTR * pbstrErrMsg, IComponent * piCompRoot, ICharacteristic * piCharConn1, ICharacteristic * piCharConn2,    \
       BSTR * UUIDOfErrorDB),                                                                                        \
      (piCompRoot, nullptr, nullptr, 0, piCharConn1, piCharConn2), (m, a.piRoot, a.piChar1, a.piChar2, d))           \
    X(C, Delete, (BSTR * pbstrErrMsg, IComponent * piCompRoot, IComponent * piComp, BSTR * UUIDOfErrorDB),           \
      (piCompRoot, piComp), (m, a.piRoot, a.piComp, d))

#define CHECK_ID(C, Name, Params, Args, Passed) Name,
#define CHECK_NAME(C, Name, Params, Args, Passed) C L"Check" #Name,
#define CHECK_CALL(C, Name, Params, Args, Passed) \
    case CheckId::Name:                           \
        return p->Check##Name Passed;
#define CHECK_DECLARATION(C, Name, Params, Args, Passed) STDMETHODIMP Check##Name Params override;
#define CHECK_ARGS(...) \
    CheckArgs           \
    {                   \
        __VA_ARGS__     \
    }
#define CHECK_DEFINITION(C, Name, Params, Args, Passed)                              \
    STDMETHODIMP C::Check##Name Params                                               \
    {                                                                                \
        return RunCheck(CheckId::Name, CHECK_ARGS Args, pbstrErrMsg, UUIDOfErrorDB); \
    }

enum class CheckId
{
    ASSIST_CHECKS(CHECK_ID, )
};
inline constexpr int kCheckCount = 12;

// The method's name, "CheckNewDevice"; ASSIST_CHECKS(CHECK_NAME, L"CClass::")
// lists the twelve names with a prefix.
inline const wchar_t* CheckName(CheckId id)
{
    static constexpr const wchar_t* kNames[] = {ASSIST_CHECKS(CHECK_NAME, )};
    return kNames[static_cast<int>(id)];
}

// The twelve methods of a class that runs every check through
// RunCheck(CheckId, const CheckArgs&, BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB).
#define DECLARE_CHECK_METHODS ASSIST_CHECKS(CHECK_DECLARATION, )
#define DEFINE_CHECK_METHODS(Class) ASSIST_CHECKS(CHECK_DEFINITION, Class)
// clang-format on
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
        ASSIST_CHECKS(CHECK_CALL, )
    }
    return E_UNEXPECTED;
}
