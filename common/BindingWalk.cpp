#include "common/BindingWalk.h"
#include <string>
#include <wrl/client.h>
#include "com/Owners.h"
#include "common/HostCall.h"
#include "interfaces/LayerNames.h"

using Microsoft::WRL::ComPtr;

namespace {

HRESULT OpenKey(NewZUR::IContext* piContext, long lScope, const wchar_t* key, std::wstring_view suffix,
                ComPtr<NewZUR::IRegistryKey>& spKey)
{
    const std::wstring path = suffix.empty() ? key : std::wstring(key) + L"\\" + std::wstring(suffix);
    return RequireObject(piContext->OpenKey(lScope, CBstr(path), spKey.ReleaseAndGetAddressOf()), spKey);
}

HRESULT GetItem(NewZUR::IRegistryKey* piKey, const VARIANT& vIndex, ComPtr<NewZUR::IRegistryValue>& spValue)
{
    return RequireObject(piKey->GetItem(vIndex, spValue.ReleaseAndGetAddressOf()), spValue);
}

// Data of another type is converted to text in place.
HRESULT AsText(CVariant& vData)
{
    return vData.vt == VT_BSTR ? S_OK : VariantChangeType(&vData, &vData, 0, VT_BSTR);
}

HRESULT TakeBinding(NewZUR::IRegistryKey* piAssistants, NewZUR::IRegistryKey* piErrorDBs, long i,
                    CFunctionRef<HRESULT(const Binding&)> take, BindingStep& step)
{
    ComPtr<NewZUR::IRegistryValue> spValue, spErrorDB;
    step = BindingStep::Read;
    RETURN_IF_FAILED(GetItem(piAssistants, CVariant::Long(i), spValue));
    // A value without a name is entered under the empty name.
    CBstr bstrName;
    spValue->GetName(bstrName.Out());
    step = BindingStep::FindErrorDB;
    RETURN_IF_FAILED(GetItem(piErrorDBs, CVariant::String(bstrName.View()), spErrorDB));
    step = BindingStep::Read;
    CVariant vProgId, vErrorDB;
    const HRESULT hr = spValue->GetData(vProgId.Out());
    RETURN_IF_FAILED(SUCCEEDED(hr) ? AsText(vProgId) : hr);
    const HRESULT hrErrorDB = spErrorDB->GetData(vErrorDB.Out());
    if (SUCCEEDED(hrErrorDB))
        RETURN_IF_FAILED(AsText(vErrorDB));
    step = BindingStep::Take;
    return take({bstrName.View(), BstrView(vProgId.bstrVal), BstrView(vErrorDB.bstrVal), hrErrorDB});
}

} // namespace

HRESULT WalkBindings(NewZUR::IContext* piContext, long lScope, std::wstring_view suffix, long lFirst,
                     CFunctionRef<HRESULT(const Binding&)> take, long* plStopped, BindingStep* pStep)
{
    ComPtr<NewZUR::IRegistryKey> spAssistants, spErrorDBs;
    if (plStopped)
        *plStopped = -1;
    if (FAILED(OpenKey(piContext, lScope, LayerNames::kAssistantsKey, suffix, spAssistants)) ||
        FAILED(OpenKey(piContext, lScope, LayerNames::kErrorDBsKey, suffix, spErrorDBs)))
        return S_FALSE;
    long lCount = 0;
    RETURN_IF_FAILED(spAssistants->GetCount(&lCount));
    if (lCount <= 0)
        return S_FALSE;
    HRESULT hr = S_OK;
    BindingStep step = BindingStep::Read;
    for (long i = lFirst; i < lCount; ++i) {
        if (FAILED(hr = TakeBinding(spAssistants.Get(), spErrorDBs.Get(), i, take, step))) {
            if (plStopped)
                *plStopped = i, *pStep = step;
            return hr;
        }
    }
    return hr;
}
