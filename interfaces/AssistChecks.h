#pragma once
// The twelve checks: the arguments they carry, and the one list of their ids,
// their names and how each puts its arguments to a layer or an assistant
// (IAssistLayer2 and IAssist2 share their signatures).
#include <windows.h>
#include "LayerLib2.h"
#include <iterator>

// Every argument any check takes; each check fills the ones it has.
struct CheckArgs
{
    IComponent* piRoot = nullptr;
    IComponent* piComp = nullptr;  // piComponent3, piCompIns, piCompMove, piCompPalett, piComp
    IComponent* piOther = nullptr; // piCompDest, piCompReplace
    LONG bAsChild = 0;
    ICharacteristic* piChar1 = nullptr; // the ends of a connection
    ICharacteristic* piChar2 = nullptr;
    IPropertyData* pData = nullptr;
    const VARIANT* pvValue = nullptr;       // the host's value: passed on bit for bit, never cleared
    ICharacteristic** ppCharErr1 = nullptr; // CheckAll's in/out characteristics
    ICharacteristic** ppCharErr2 = nullptr;

    // The value passed on: the host's, or empty for a check without one. Held by
    // pointer: a VARIANT among the arguments would make every check clear it.
    VARIANT Value() const noexcept { return pvValue ? *pvValue : VARIANT{}; }
};

// The checks in slot order: the name, and the arguments of the call that puts
// the check to a layer or an assistant (m the message, a the CheckArgs, d the
// error database). Kept one check a line, aligned, so the list reads as a table:
// clang-format off
#define ASSIST_CHECKS(X, C)                                                \
    X(C, NewDevice,      (m, a.piComp, d))                                 \
    X(C, All,            (m, a.piRoot, a.ppCharErr1, a.ppCharErr2, d))     \
    X(C, PropertyChange, (m, a.piRoot, a.pData, a.Value(), d))             \
    X(C, InsertDrag,     (m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d)) \
    X(C, InsertDrop,     (m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d)) \
    X(C, MoveDrag,       (m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d)) \
    X(C, MoveDrop,       (m, a.piRoot, a.piComp, a.piOther, a.bAsChild, d)) \
    X(C, ReplaceDrag,    (m, a.piRoot, a.piComp, a.piOther, d))            \
    X(C, ReplaceDrop,    (m, a.piRoot, a.piComp, a.piOther, d))            \
    X(C, Connect,        (m, a.piRoot, a.piChar1, a.piChar2, d))           \
    X(C, Disconnect,     (m, a.piRoot, a.piChar1, a.piChar2, d))           \
    X(C, Delete,         (m, a.piRoot, a.piComp, d))

#define CHECK_ID(C, Name, Passed) Name,
#define CHECK_NAME(C, Name, Passed) C L"Check" #Name,
#define CHECK_CALL(C, Name, Passed) case CheckId::Name: return p->Check##Name Passed;
// clang-format on

enum class CheckId
{
    ASSIST_CHECKS(CHECK_ID, )
};
// The methods' names, "CheckNewDevice" ...; ASSIST_CHECKS(CHECK_NAME,
// L"CClass::") lists them with a prefix. Their number is the number of checks.
inline constexpr const wchar_t* kCheckNames[] = {ASSIST_CHECKS(CHECK_NAME, )};
inline constexpr int kCheckCount = static_cast<int>(std::size(kCheckNames));

inline const wchar_t* CheckName(CheckId id)
{
    return kCheckNames[static_cast<int>(id)];
}

// Puts one check to a layer or an assistant.
template <class Itf>
HRESULT CallCheck(Itf* p, CheckId id, BSTR* m, const CheckArgs& a, BSTR* d)
{
    switch (id) {
        ASSIST_CHECKS(CHECK_CALL, )
    }
    return E_UNEXPECTED;
}
