#include "testbed/FastHost.h"
#include <cwchar>

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kProtocolPath[] = L"deviceInfo/device/DeviceManagerObject/communicationEntity/@protocol";
// {7A1C52B0-3E0D-4F5B-9C41-2B8E9D6F0A17}
constexpr CLSID kClsidFastAssistant = {0x7a1c52b0, 0x3e0d, 0x4f5b, {0x9c, 0x41, 0x2b, 0x8e, 0x9d, 0x6f, 0x0a, 0x17}};

template <class T>
T* NewObject()
{
    auto* p = new CComObject<T>();
    p->AddRef();
    return p;
}

template <class I>
HRESULT HandOut(I* p, I** pp)
{
    const Fault fault = CFaultPlan::Next();
    if (fault == Fault::Error || fault == Fault::NullObject) {
        *pp = nullptr;
        return CFaultPlan::Outright(fault);
    }
    if (p)
        p->AddRef();
    *pp = p;
    return p ? CFaultPlan::Success(fault) : S_FALSE;
}

// The planned fault of a call whose out-parameters are plain values.
#define FAULT_POINT()                                        \
    const Fault fault = CFaultPlan::Next();                  \
    if (fault == Fault::Error || fault == Fault::NullObject) \
        return CFaultPlan::Outright(fault);

// A class object that hands out one shared object, or a new one per request.
class CFastClassObject : public CComRootSingleThreaded, public IClassFactory
{
public:
    BEGIN_INTERFACE_TABLE(CFastClassObject)
    INTERFACE_ENTRY(IClassFactory)
    END_INTERFACE_TABLE()

    IUnknown* m_pShared = nullptr; // null: a new assistant per request

    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (pOuter)
            return CLASS_E_NOAGGREGATION;
        FAULT_POINT()
        if (m_pShared)
            return m_pShared->QueryInterface(riid, ppv);
        ComPtr<IAssist2> spAssistant = CFastAssistant::Create();
        return spAssistant->QueryInterface(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

HRESULT RegisterShared(REFCLSID clsid, IUnknown* pShared, DWORD* pdwCookie)
{
    ComPtr<CFastClassObject> spClass;
    spClass.Attach(NewObject<CFastClassObject>());
    spClass->m_pShared = pShared;
    return CoRegisterClassObject(clsid, static_cast<IClassFactory*>(spClass.Get()), CLSCTX_INPROC_SERVER,
                                 REGCLS_MULTIPLEUSE, pdwCookie);
}

} // namespace

// ---- nodes ----
CFastNode::~CFastNode()
{
    SysFreeString(m_bstrValue);
    SysFreeString(m_bstrPath);
}

STDMETHODIMP CFastNode::GetValue(VARIANT* pvValue)
{
    VariantInit(pvValue);
    FAULT_POINT()
    pvValue->vt = VT_BSTR;
    pvValue->bstrVal = SysAllocStringLen(m_bstrValue, SysStringLen(m_bstrValue));
    return CFaultPlan::Success(fault);
}

STDMETHODIMP CFastNode::GetParent(NewZUR::IDataElement** ppParent)
{
    return HandOut<NewZUR::IDataElement>(m_pParent, ppParent);
}

STDMETHODIMP CFastNode::GetPathText(BSTR* pbstrPath)
{
    *pbstrPath = nullptr;
    FAULT_POINT()
    *pbstrPath = SysAllocStringLen(m_bstrPath, SysStringLen(m_bstrPath));
    return CFaultPlan::Success(fault);
}

STDMETHODIMP CFastNode::GetOwningComponent(NewZUR::IComponent** ppComponent)
{
    return HandOut<NewZUR::IComponent>(m_pOwner, ppComponent);
}

STDMETHODIMP CFastNode::GetTypeId(long* plTypeId)
{
    FAULT_POINT()
    *plTypeId = m_lTypeId;
    return CFaultPlan::Success(fault);
}

STDMETHODIMP CFastNode::GetSubItem(BSTR bstrName, IUnknown** ppItem)
{
    CFastNode* pItem = nullptr;
    if (bstrName && std::wcscmp(bstrName, L"root") == 0)
        pItem = m_pRoot;
    else if (bstrName && std::wcscmp(bstrName, L"@protocol") == 0)
        pItem = m_pProtocol;
    return HandOut<IUnknown>(pItem ? static_cast<NewZUR::IPropertyData*>(pItem) : nullptr, ppItem);
}

// ---- query ----
STDMETHODIMP CFastEnum::Next(IDispatch** ppItem, long* plFound)
{
    if (m_nNext >= m_vecItems.size()) {
        CFaultPlan::Next();
        *ppItem = nullptr;
        *plFound = 0;
        return S_OK;
    }
    *plFound = 1;
    return HandOut<IDispatch>(static_cast<NewZUR::IPropertyData*>(m_vecItems[m_nNext++]), ppItem);
}

STDMETHODIMP CFastQuery::Select(NewZUR::IPropertyData* pContext, BSTR bstrPath, NewZUR::IDataQueryResult** ppResult)
{
    CFastEnum* pEnum = m_pEmpty;
    auto* pNode = static_cast<CFastNode*>(pContext);
    if (pNode && pNode->m_pProtocolEnum && std::wcscmp(bstrPath, kProtocolPath) == 0)
        pEnum = pNode->m_pProtocolEnum;
    pEnum->m_nNext = 0;
    return HandOut<NewZUR::IDataQueryResult>(pEnum, ppResult);
}

// ---- topology, schema and error-database service ----
STDMETHODIMP CFastTopology::GetSchema(NewZUR::IDataSchema** ppSchema)
{
    return HandOut<NewZUR::IDataSchema>(this, ppSchema);
}

STDMETHODIMP CFastTopology::GetErrorDatabaseService(NewZUR::IErrorDatabaseService** ppService)
{
    return HandOut<NewZUR::IErrorDatabaseService>(this, ppService);
}

STDMETHODIMP CFastTopology::FireControlEvent(long, long, long, VARIANT, VARIANT, long)
{
    ++m_lEvents;
    FAULT_POINT()
    return CFaultPlan::Success(fault);
}

STDMETHODIMP CFastTopology::GetTypeId(BSTR, long* plTypeId)
{
    FAULT_POINT()
    *plTypeId = CFastHost::kTypeEntity;
    return CFaultPlan::Success(fault);
}

// A message "class N" asks for class N; otherwise the class follows the code.
STDMETHODIMP CFastTopology::Classify(long lCode, long* plClass, BSTR bstrMessage, BSTR, BSTR*)
{
    FAULT_POINT()
    if (bstrMessage && std::wcsncmp(bstrMessage, L"class ", 6) == 0)
        *plClass = std::wcstol(bstrMessage + 6, nullptr, 10);
    else
        *plClass = lCode == S_OK ? 0 : lCode < 0 ? 3 : 2;
    return CFaultPlan::Success(fault);
}

// ---- registry ----
STDMETHODIMP CFastValue::GetData(VARIANT* pvData)
{
    VariantInit(pvData);
    FAULT_POINT()
    if (m_bVariant)
        return VariantCopy(pvData, &m_vData);
    if (m_bNumber) {
        pvData->vt = VT_I4;
        pvData->lVal = m_lNumber;
        return CFaultPlan::Success(fault);
    }
    pvData->vt = VT_BSTR;
    pvData->bstrVal = SysAllocStringLen(m_strText.data(), static_cast<UINT>(m_strText.size()));
    return CFaultPlan::Success(fault);
}

STDMETHODIMP CFastValue::GetName(BSTR* pbstrName)
{
    *pbstrName = nullptr;
    FAULT_POINT()
    *pbstrName = SysAllocStringLen(m_strName.data(), static_cast<UINT>(m_strName.size()));
    return CFaultPlan::Success(fault);
}

CFastKey::~CFastKey()
{
    for (CFastValue* pValue : m_vecValues)
        pValue->Release();
}

CFastValue& CFastKey::Set(std::wstring_view name)
{
    auto it = m_mapByName.find(name);
    if (it != m_mapByName.end())
        return *it->second;
    CFastValue* pValue = NewObject<CFastValue>();
    pValue->m_strName = name;
    m_vecValues.push_back(pValue);
    m_mapByName.emplace(std::wstring(name), pValue);
    return *pValue;
}

STDMETHODIMP CFastKey::GetCount(long* plCount)
{
    FAULT_POINT()
    *plCount = static_cast<long>(m_vecValues.size());
    return CFaultPlan::Success(fault);
}

STDMETHODIMP CFastKey::GetItem(VARIANT vIndex, NewZUR::IRegistryValue** ppValue)
{
    CFastValue* pValue = nullptr;
    if (vIndex.vt == VT_I4 && vIndex.lVal >= 0 && static_cast<size_t>(vIndex.lVal) < m_vecValues.size())
        pValue = m_vecValues[vIndex.lVal];
    if (vIndex.vt == VT_BSTR) {
        auto it = m_mapByName.find(std::wstring_view(vIndex.bstrVal, SysStringLen(vIndex.bstrVal)));
        pValue = it == m_mapByName.end() ? nullptr : it->second;
    }
    *ppValue = nullptr;
    if (!pValue) {
        CFaultPlan::Next();
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    return HandOut<NewZUR::IRegistryValue>(pValue, ppValue);
}

CFastContext::~CFastContext()
{
    for (auto& entry : m_mapKeys)
        entry.second->Release();
}

CFastKey& CFastContext::Key(long lScope, std::wstring_view path)
{
    auto key = std::make_pair(lScope, std::wstring(path));
    auto it = m_mapKeys.find(key);
    if (it == m_mapKeys.end())
        it = m_mapKeys.emplace(key, NewObject<CFastKey>()).first;
    return *it->second;
}

void CFastContext::RemoveKey(long lScope, std::wstring_view path)
{
    auto it = m_mapKeys.find(std::make_pair(lScope, std::wstring(path)));
    if (it == m_mapKeys.end())
        return;
    it->second->Release();
    m_mapKeys.erase(it);
}

STDMETHODIMP CFastContext::OpenKey(long lScope, BSTR bstrPath, NewZUR::IRegistryKey** ppKey)
{
    auto it = m_mapKeys.find(std::make_pair(lScope, std::wstring(bstrPath, SysStringLen(bstrPath))));
    *ppKey = nullptr;
    if (it == m_mapKeys.end()) {
        CFaultPlan::Next();
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    return HandOut<NewZUR::IRegistryKey>(it->second, ppKey);
}

// ---- the host ----
CFastHost::CFastHost()
    : m_pTopology(NewObject<CFastTopology>()), m_pQuery(NewObject<CFastQuery>()), m_pContext(NewObject<CFastContext>())
{
    m_pQuery->m_pEmpty = NewObject<CFastEnum>();
    m_vecEnums.push_back(m_pQuery->m_pEmpty);
}

CFastHost::~CFastHost()
{
    Revoke();
    for (CFastEnum* pEnum : m_vecEnums)
        pEnum->Release();
    for (CFastNode* pNode : m_vecNodes)
        pNode->Release();
    m_pContext->Release();
    m_pQuery->Release();
    m_pTopology->Release();
}

CFastNode* CFastHost::NewNode()
{
    m_vecNodes.push_back(NewObject<CFastNode>());
    return m_vecNodes.back();
}

CFastNode* CFastHost::AddComponent(const std::vector<std::wstring>& protocols)
{
    CFastNode* pComponent = NewNode();
    CFastNode* pRoot = NewNode();
    pComponent->m_pRoot = pRoot;
    pComponent->m_pOwner = pComponent;
    pRoot->m_pOwner = pComponent;
    pRoot->m_pParent = pComponent;
    pRoot->m_bstrPath = SysAllocString(L"root");
    CFastEnum* pEnum = NewObject<CFastEnum>();
    m_vecEnums.push_back(pEnum);
    pRoot->m_pProtocolEnum = pEnum;
    for (const std::wstring& protocol : protocols) {
        CFastNode* pEntity = NewNode();
        CFastNode* pAttribute = NewNode();
        pEntity->m_lTypeId = kTypeEntity;
        pEntity->m_pOwner = pAttribute->m_pOwner = pComponent;
        pEntity->m_pParent = pRoot;
        pEntity->m_pProtocol = pAttribute;
        pEntity->m_bstrPath = SysAllocString(L"root/communicationEntity");
        pAttribute->m_pParent = pEntity;
        pAttribute->m_bstrPath = SysAllocString(L"root/communicationEntity/@protocol");
        pAttribute->m_bstrValue = SysAllocStringLen(protocol.data(), static_cast<UINT>(protocol.size()));
        pEnum->m_vecItems.push_back(pAttribute);
    }
    return pComponent;
}

CFastNode* CFastHost::AddCharacteristic(CFastNode* pComponent)
{
    CFastNode* pChar = NewNode();
    pChar->m_pOwner = pComponent;
    pChar->m_pParent = pComponent->m_pRoot;
    pChar->m_bstrPath = SysAllocString(L"root/characteristic");
    return pChar;
}

long CFastHost::ForeignReferences() const
{
    auto beyondOne = [](const CComRootSingleThreaded& object) {
        return static_cast<long>(object.m_refCount.Value()) - 1;
    };
    long lForeign = beyondOne(*m_pTopology) + beyondOne(*m_pQuery) + beyondOne(*m_pContext);
    for (const CFastNode* pNode : m_vecNodes)
        lForeign += beyondOne(*pNode);
    for (const CFastEnum* pEnum : m_vecEnums)
        lForeign += beyondOne(*pEnum);
    for (const auto& entry : m_pContext->m_mapKeys) {
        lForeign += beyondOne(*entry.second);
        for (const CFastValue* pValue : entry.second->m_vecValues)
            lForeign += beyondOne(*pValue);
    }
    return lForeign;
}

HRESULT CFastHost::Register()
{
    HRESULT hr = RegisterShared(NewZUR::CLSID_DataQuery, static_cast<NewZUR::IDataQuery*>(m_pQuery), &m_dwQueryCookie);
    if (SUCCEEDED(hr))
        hr = RegisterShared(NewZUR::CLSID_Context, static_cast<NewZUR::IContext*>(m_pContext), &m_dwContextCookie);
    return hr;
}

void CFastHost::Revoke()
{
    if (m_dwQueryCookie)
        CoRevokeClassObject(m_dwQueryCookie);
    if (m_dwContextCookie)
        CoRevokeClassObject(m_dwContextCookie);
    m_dwQueryCookie = m_dwContextCookie = 0;
}

// ---- assistants ----
ComPtr<IAssist2> CFastAssistant::Create()
{
    ComPtr<IAssist2> sp;
    sp.Attach(static_cast<IAssist3*>(NewObject<CFastAssistant>()));
    return sp;
}

HRESULT CFastAssistantClass::Register()
{
    wchar_t szClsid[40];
    StringFromGUID2(kClsidFastAssistant, szClsid, 40);
    const std::wstring key = std::wstring(kProgId) + L"\\CLSID";
    LSTATUS status = RegSetValueW(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, szClsid,
                                  static_cast<DWORD>(std::wcslen(szClsid) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    return RegisterShared(kClsidFastAssistant, nullptr, &m_dwCookie);
}

void CFastAssistantClass::Revoke()
{
    if (m_dwCookie)
        CoRevokeClassObject(m_dwCookie);
    m_dwCookie = 0;
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
}
