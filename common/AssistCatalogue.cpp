// CAssistCommon: the assistant catalogue, filled from the host's registry
// keys through its context object, and the error database of a failing answer.
#include <new>
#include "common/AssistCommon.h"
#include "common/AssistCommonTexts.h"
#include "com/Owners.h"
#include "common/HostCall.h"

using Microsoft::WRL::ComPtr;
namespace T = AssistCommonText;

namespace {

std::wstring KeyPath(const wchar_t* key, std::wstring_view suffix)
{
    std::wstring path(key);
    if (!suffix.empty()) {
        path += L'\\';
        path += suffix;
    }
    return path;
}

HRESULT OpenKey(NewZUR::IContext* piContext, long lScope, const std::wstring& path, ComPtr<NewZUR::IRegistryKey>& spKey)
{
    return RequireObject(piContext->OpenKey(lScope, CBstr(path), spKey.ReleaseAndGetAddressOf()), spKey);
}

HRESULT GetItem(NewZUR::IRegistryKey* piKey, const VARIANT& vIndex, ComPtr<NewZUR::IRegistryValue>& spValue)
{
    return RequireObject(piKey->GetItem(vIndex, spValue.ReleaseAndGetAddressOf()), spValue);
}

// A value's data as text; data of another type is converted in place.
HRESULT ReadText(NewZUR::IRegistryValue* piValue, CVariant& vData, bool* pbReadFailed)
{
    HRESULT hr = piValue->GetData(vData.Out());
    *pbReadFailed = FAILED(hr);
    if (FAILED(hr) || vData.vt == VT_BSTR)
        return hr;
    return VariantChangeType(&vData, &vData, 0, VT_BSTR);
}

} // namespace

HRESULT CAssistCommon::LoadAssistants(std::wstring_view suffix)
{
    ZURTrace(T::kTraceLoadAssistants);
    // Both scopes into one catalogue: an entry of the second replaces the first's.
    const HRESULT r9 = LoadAssistants(T::kFirstScope, suffix);
    const HRESULT r17 = LoadAssistants(T::kSecondScope, suffix);
    if (r9 == S_OK || r17 == S_OK)
        return S_OK;
    WriteLogRow(T::kRowNoAssistant, FAILED(r9) ? r9 : r17);
    return FAILED(r9) && FAILED(r17) ? E_FAIL : S_OK;
}

HRESULT CAssistCommon::LoadAssistants(long lScope, std::wstring_view suffix)
{
    ZURTrace(T::kTraceLoadAssistants);
    ComPtr<NewZUR::IContext> spContext;
    HRESULT hr = CreateContext(spContext);
    if (FAILED(hr)) {
        WriteLogRow(T::kRowNoContext, hr);
        return hr;
    }
    ComPtr<NewZUR::IRegistryKey> spAssistants, spErrorDBs;
    if (FAILED(OpenKey(spContext.Get(), lScope, KeyPath(T::kAssistantsKey, suffix), spAssistants)))
        return S_FALSE;
    if (FAILED(OpenKey(spContext.Get(), lScope, KeyPath(T::kErrorDBsKey, suffix), spErrorDBs)))
        return S_FALSE;
    long lCount = 0;
    RETURN_IF_FAILED(hr = spAssistants->GetCount(&lCount));
    if (lCount <= 0)
        return S_FALSE;

    for (long i = 0; i < lCount; ++i) {
        ComPtr<NewZUR::IRegistryValue> spValue, spErrorDB;
        RETURN_IF_FAILED(hr = GetItem(spAssistants.Get(), CVariant::Long(i), spValue));
        // A value without a name is entered under the empty name.
        CBstr bstrName;
        spValue->GetName(bstrName.Out());
        RETURN_IF_FAILED(hr = GetItem(spErrorDBs.Get(), CVariant::String(bstrName.View()), spErrorDB));
        CVariant vProgId, vErrorDB;
        bool bReadFailed = false;
        RETURN_IF_FAILED(hr = ReadText(spValue.Get(), vProgId, &bReadFailed));
        const std::wstring strProgId(BstrView(vProgId.bstrVal));
        hr = ReadText(spErrorDB.Get(), vErrorDB, &bReadFailed);
        if (bReadFailed) {
            WriteLogRow(T::kRowNoErrorDB, hr, strProgId.c_str());
            return T::kErrorDBUnreadable;
        }
        RETURN_IF_FAILED(hr);
        hr = InsertProtocolBusEntryIntoMap(bstrName.View(), strProgId, BstrView(vErrorDB.bstrVal));
        if (FAILED(hr)) {
            WriteLogRow(T::kRowInsertFailed, hr, strProgId.c_str());
            return hr;
        }
    }
    return hr;
}

namespace {

HRESULT CreateAssistant(const std::wstring& strProgId, ComPtr<IAssist2>& spAssist) noexcept
{
    // A ProgID never holds a zero; such a name cannot be registered.
    if (strProgId.find(L'\0') != std::wstring::npos)
        return CO_E_CLASSSTRING;
    CLSID clsid;
    RETURN_IF_FAILED(CLSIDFromProgID(strProgId.c_str(), &clsid));
    const HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IAssist2, reinterpret_cast<void**>(spAssist.GetAddressOf()));
    return RequireObject(hr, spAssist);
}

} // namespace

HRESULT CAssistCommon::InsertProtocolBusEntryIntoMap(std::wstring_view protocol, std::wstring_view progId,
                                                     std::wstring_view errorDb)
{
    const std::wstring strProgId(progId);
    ComPtr<IAssist2> spAssist;
    const HRESULT hr = CreateAssistant(strProgId, spAssist);
    // Only a plain S_OK counts; any other answer leaves the catalogue as it was.
    if (hr != S_OK) {
        WriteLogRow(T::kRowCreateAssistant, hr, strProgId.c_str());
        return hr;
    }
    try {
        m_mapAssistants[std::wstring(protocol)] = spAssist;
        m_mapErrorDBs[std::wstring(protocol)] = std::wstring(errorDb);
    } catch (const std::bad_alloc&) {
        WriteLogRow(T::kRowInsertOutOfMemory, S_OK, strProgId.c_str());
        return E_OUTOFMEMORY;
    } catch (const CComError&) {
        WriteLogRow(T::kRowInsertOutOfMemory, S_OK, strProgId.c_str());
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CAssistCommon::SelectProperErrorDBforRetval(HRESULT hr, std::wstring_view protocol, BSTR* pErrorDb)
{
    ZURTrace(T::kTraceSelectErrorDB);
    // An assistant's own identifier always wins; a success needs none.
    if (SUCCEEDED(hr) || !pErrorDb || *pErrorDb)
        return;
    // A protocol without an error database gets an empty, non-null identifier,
    // and an empty entry of its own.
    auto it = m_mapErrorDBs.find(protocol);
    if (it == m_mapErrorDBs.end())
        it = m_mapErrorDBs.emplace(std::wstring(protocol), std::wstring()).first;
    *pErrorDb = CBstr::Alloc(it->second);
}
