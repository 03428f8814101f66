// The simulated host's project object.
#include "hostsim/SimProject.h"
#include "com/ComError.h"
#include "com/Owners.h"
#include "hostsim/SimNode.h"
#include "hostsim/SimServices.h"
#include <set>

namespace {

const wchar_t kNotLoaded[] = L"no project is loaded";

void SetErrorText(const std::wstring& text) noexcept
{
    ComPtr<ICreateErrorInfo> spCreate;
    ComPtr<IErrorInfo> spInfo;
    if (FAILED(CreateErrorInfo(&spCreate)))
        return;
    spCreate->SetGUID(__uuidof(ISimProject));
    spCreate->SetSource(const_cast<LPOLESTR>(L"HostSim.Project"));
    spCreate->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    if (SUCCEEDED(spCreate.As(&spInfo)))
        SetErrorInfo(0, spInfo.Get());
}

std::wstring Text(BSTR bstr)
{
    return std::wstring(BstrView(bstr));
}

} // namespace

template <class F>
HRESULT CSimProject::Run(F&& f) noexcept
{
    SetErrorInfo(0, nullptr);
    // The simulator's own faults carry a text for the script; the rest is the kit's boundary.
    return ComBoundary([&]() -> HRESULT {
        try {
            if (!m_spModel->IsLoaded())
                throw CSimFault(E_UNEXPECTED, kNotLoaded);
            return f();
        } catch (const CSimFault& fault) {
            SetErrorText(fault.Text());
            return fault.Result();
        }
    });
}

STDMETHODIMP CSimProject::Load(BSTR bstrPath)
{
    SetErrorInfo(0, nullptr);
    return ComBoundary([&] {
        try {
            auto spModel = std::make_shared<CProjectModel>();
            spModel->Load(Text(bstrPath));
            m_spModel = spModel;
            return S_OK;
        } catch (const CSimFault& fault) {
            SetErrorText(fault.Text());
            return fault.Result();
        }
    });
}

STDMETHODIMP CSimProject::get_Name(BSTR* pbstrName)
{
    if (!pbstrName)
        return E_POINTER;
    *pbstrName = nullptr;
    return Run([&] {
        *pbstrName = CBstr::Alloc(m_spModel->Name());
        return S_OK;
    });
}

STDMETHODIMP CSimProject::get_RootComponent(IDispatch** ppComponent)
{
    if (!ppComponent)
        return E_POINTER;
    *ppComponent = nullptr;
    return Run([&] {
        return GetSimComponent(m_spModel, AttributeText(m_spModel->RootElement().Get(), L"name"), ppComponent);
    });
}

STDMETHODIMP CSimProject::Component(BSTR bstrName, IDispatch** ppComponent)
{
    if (!ppComponent)
        return E_POINTER;
    *ppComponent = nullptr;
    return Run([&] {
        HRESULT hr = GetSimComponent(m_spModel, Text(bstrName), ppComponent);
        if (hr == S_FALSE)
            throw CSimFault(E_INVALIDARG, L"the project has no component '" + Text(bstrName) + L"'");
        return hr;
    });
}

STDMETHODIMP CSimProject::Port(BSTR bstrPort, IDispatch** ppPort)
{
    if (!ppPort)
        return E_POINTER;
    *ppPort = nullptr;
    return Run([&] {
        ComPtr<IXMLDOMNode> spNode = m_spModel->PortNode(Text(bstrPort));
        if (!spNode)
            throw CSimFault(E_INVALIDARG, L"the project has no port '" + Text(bstrPort) + L"'");
        return CreateSimItem(m_spModel, spNode.Get(), ppPort);
    });
}

STDMETHODIMP CSimProject::Item(BSTR bstrComponent, BSTR bstrPath, IDispatch** ppItem)
{
    if (!ppItem)
        return E_POINTER;
    *ppItem = nullptr;
    return Run([&] {
        return CreateSimItem(m_spModel, m_spModel->ItemNode(Text(bstrComponent), Text(bstrPath)).Get(), ppItem);
    });
}

STDMETHODIMP CSimProject::Insert(BSTR bstrPalette, BSTR bstrNewName, BSTR bstrDest, long bAsChild)
{
    return Run([&] {
        m_spModel->Insert(Text(bstrPalette), Text(bstrNewName), Text(bstrDest), bAsChild != 0);
        return S_OK;
    });
}

STDMETHODIMP CSimProject::Move(BSTR bstrName, BSTR bstrDest, long bAsChild)
{
    return Run([&] {
        m_spModel->Move(Text(bstrName), Text(bstrDest), bAsChild != 0);
        return S_OK;
    });
}

STDMETHODIMP CSimProject::Replace(BSTR bstrName, BSTR bstrPalette)
{
    return Run([&] {
        m_spModel->Replace(Text(bstrName), Text(bstrPalette));
        return S_OK;
    });
}

STDMETHODIMP CSimProject::Delete(BSTR bstrName)
{
    return Run([&] {
        m_spModel->Delete(Text(bstrName));
        return S_OK;
    });
}

STDMETHODIMP CSimProject::Connect(BSTR bstrPort1, BSTR bstrPort2)
{
    return Run([&] {
        m_spModel->Connect(Text(bstrPort1), Text(bstrPort2));
        return S_OK;
    });
}

STDMETHODIMP CSimProject::Disconnect(BSTR bstrPort1, BSTR bstrPort2)
{
    return Run([&] {
        m_spModel->Disconnect(Text(bstrPort1), Text(bstrPort2));
        return S_OK;
    });
}

STDMETHODIMP CSimProject::SetValue(BSTR bstrComponent, BSTR bstrPath, BSTR bstrValue)
{
    return Run([&] {
        m_spModel->SetValue(Text(bstrComponent), Text(bstrPath), Text(bstrValue));
        return S_OK;
    });
}

STDMETHODIMP CSimProject::get_EventCount(long* plCount)
{
    if (!plCount)
        return E_POINTER;
    *plCount = static_cast<long>(m_spModel->Events().size());
    return S_OK;
}

STDMETHODIMP CSimProject::EventText(long lIndex, BSTR* pbstrText)
{
    if (!pbstrText)
        return E_POINTER;
    *pbstrText = nullptr;
    const auto& events = m_spModel->Events();
    if (lIndex < 0 || static_cast<size_t>(lIndex) >= events.size())
        return DISP_E_BADINDEX;
    return ComBoundary([&] {
        *pbstrText = CBstr::Alloc(events[lIndex]);
        return S_OK;
    });
}

STDMETHODIMP CSimProject::ClearEvents()
{
    m_spModel->ClearEvents();
    return S_OK;
}

STDMETHODIMP CSimProject::ErrorText(long lCode, BSTR bstrErrDB, BSTR* pbstrText)
{
    if (!pbstrText)
        return E_POINTER;
    *pbstrText = nullptr;
    return ComBoundary([&] {
        long lClass = 0;
        std::wstring text;
        m_spModel->Classify(lCode, L"", BstrView(bstrErrDB), lClass, text);
        *pbstrText = CBstr::Alloc(text);
        return S_OK;
    });
}

STDMETHODIMP CSimProject::ErrorClass(long lCode, BSTR bstrErrDB, long* plClass)
{
    if (!plClass)
        return E_POINTER;
    return ComBoundary([&] {
        std::wstring text;
        m_spModel->Classify(lCode, L"", BstrView(bstrErrDB), *plClass, text);
        return S_OK;
    });
}

STDMETHODIMP CSimProject::ErrorSymbol(long lCode, BSTR bstrErrDB, BSTR* pbstrSymbol)
{
    if (!pbstrSymbol)
        return E_POINTER;
    *pbstrSymbol = nullptr;
    return ComBoundary([&] {
        *pbstrSymbol = CBstr::Alloc(m_spModel->Symbol(lCode, BstrView(bstrErrDB)));
        return S_OK;
    });
}

STDMETHODIMP CSimProject::get_Tree(BSTR* pbstrTree)
{
    if (!pbstrTree)
        return E_POINTER;
    *pbstrTree = nullptr;
    return Run([&] {
        *pbstrTree = CBstr::Alloc(m_spModel->Tree());
        return S_OK;
    });
}

STDMETHODIMP CSimProject::Protocols(BSTR* pbstrProtocols)
{
    if (!pbstrProtocols)
        return E_POINTER;
    *pbstrProtocols = nullptr;
    return Run([&] {
        std::set<std::wstring> protocols;
        ComPtr<IXMLDOMNodeList> spList;
        SelectNodes(m_spModel->RootElement().Get(),
                    L"descendant-or-self::component/root//communicationEntity/@protocol", spList);
        ComPtr<IXMLDOMNode> spNode;
        while (spList && spList->nextNode(spNode.ReleaseAndGetAddressOf()) == S_OK && spNode)
            protocols.insert(NodeText(spNode.Get()));
        std::wstring joined;
        for (auto& p : protocols)
            joined += (joined.empty() ? L"" : L"\n") + p;
        *pbstrProtocols = CBstr::Alloc(joined);
        return S_OK;
    });
}

// S_FALSE when no database of the project, nor any registered one, has the symbol.
STDMETHODIMP CSimProject::ErrorCode(BSTR bstrSymbol, long* plCode)
{
    if (!plCode)
        return E_POINTER;
    *plCode = 0;
    return ComBoundary([&] { return m_spModel->FindSymbol(BstrView(bstrSymbol), *plCode) ? S_OK : S_FALSE; });
}

// The name a database gives itself, else its identifier.
STDMETHODIMP CSimProject::ErrorDatabaseName(BSTR bstrErrDB, BSTR* pbstrName)
{
    if (!pbstrName)
        return E_POINTER;
    *pbstrName = nullptr;
    return ComBoundary([&] {
        const CErrorDatabase* pDb = m_spModel->Database(BstrView(bstrErrDB));
        *pbstrName = CBstr::Alloc(pDb && !pDb->Name().empty() ? pDb->Name() : BstrView(bstrErrDB));
        return S_OK;
    });
}

STDMETHODIMP CSimProject::get_LiveObjects(long* plCount)
{
    if (!plCount)
        return E_POINTER;
    *plCount = SimLiveObjects();
    return S_OK;
}

STDMETHODIMP CSimProject::GetSchema(NewZUR::IDataSchema** ppSchema)
{
    if (!ppSchema)
        return E_POINTER;
    return CComObject<CSimSchema>::CreateInstance(__uuidof(NewZUR::IDataSchema), reinterpret_cast<void**>(ppSchema),
                                                  m_spModel);
}

STDMETHODIMP CSimProject::GetErrorDatabaseService(NewZUR::IErrorDatabaseService** ppService)
{
    if (!ppService)
        return E_POINTER;
    return CComObject<CSimErrorService>::CreateInstance(__uuidof(NewZUR::IErrorDatabaseService),
                                                        reinterpret_cast<void**>(ppService), m_spModel);
}

// The host shows the text of every control event in its trace.
STDMETHODIMP CSimProject::FireControlEvent(long, long, long, VARIANT, VARIANT vArg2, long)
{
    return ComBoundary([&] {
        CVariant text;
        if (FAILED(VariantChangeType(&text, &vArg2, VARIANT_ALPHABOOL, VT_BSTR)))
            m_spModel->AddEvent(L"(no text)");
        else
            m_spModel->AddEvent(std::wstring(BstrView(text.bstrVal)));
        return S_OK;
    });
}

STDMETHODIMP CSimProject::InterfaceSupportsErrorInfo(REFIID riid)
{
    return IsEqualIID(riid, __uuidof(ISimProject)) ? S_OK : S_FALSE;
}
