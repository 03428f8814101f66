#pragma once
// One scope's bindings as the catalogue reads them, by position, up to the
// first that cannot be read or is refused; zurhost's warnings walk it too.
#include <windows.h>
#include <string_view>
#include "NewZUR.h"
#include "com/FunctionRef.h"

struct Binding
{
    std::wstring_view protocol, progId, errorDb;
    HRESULT hrErrorDB; // a failure: its data could not be read
};

// Why a binding stopped the walk.
enum class BindingStep
{
    Read,
    FindErrorDB,
    Take
};

// Each binding from position lFirst on handed to take. S_FALSE when a key is
// missing or the first is empty; else the failure that stopped the walk
// (*plStopped its position, *pStep why) or take's last result.
HRESULT WalkBindings(NewZUR::IContext* piContext, long lScope, std::wstring_view suffix, long lFirst,
                     CFunctionRef<HRESULT(const Binding&)> take, long* plStopped = nullptr,
                     BindingStep* pStep = nullptr);
