// The project of a conformance run.
#include "zurhost/conformance/Plant.h"
#include "com/Owners.h"
#include "hostfiles/Xml.h"
#include "zurhost/Names.h"
#include "zurhost/Setup.h"

namespace {

std::vector<ComPtr<IXMLDOMNode>> Nodes(IXMLDOMNode* pNode, const std::wstring& xpath)
{
    std::vector<ComPtr<IXMLDOMNode>> nodes;
    ComPtr<IXMLDOMNodeList> spList;
    if (FAILED(SelectNodes(pNode, xpath, spList)) || !spList)
        return nodes;
    ComPtr<IXMLDOMNode> spNode;
    while (spList->nextNode(spNode.ReleaseAndGetAddressOf()) == S_OK && spNode)
        nodes.push_back(spNode);
    return nodes;
}

template <class Itf>
ComPtr<Itf> As(HRESULT hr, const ComPtr<IDispatch>& spDisp)
{
    ComPtr<Itf> sp;
    if (SUCCEEDED(hr) && spDisp)
        spDisp.As(&sp);
    return sp;
}

} // namespace

void CPlant::Load(const std::wstring& path)
{
    m_spProject = LoadProject(path);
    CBstr name;
    m_spProject->get_Name(name.Out());
    strName = name.View();
    ReadNames(path);
}

// Components in document order, the plant's before the palette's; each
// port as "component:port"; each bus attribute of each entity as an item.
void CPlant::ReadNames(const std::wstring& path)
{
    ComPtr<IXMLDOMDocument2> spDoc;
    std::wstring reason;
    if (HRESULT hr = CreateXmlDocument(spDoc); FAILED(hr))
        throw CCannotRun(path + L": cannot be loaded: " + HexCode(hr));
    if (FAILED(LoadXmlFile(spDoc.Get(), path, reason)))
        throw CCannotRun(reason);
    const std::wstring entities = std::wstring(L"root/") + LayerNames::kEntityPath;
    for (auto& spComponent : Nodes(spDoc.Get(), L"/project/topology//component|/project/palette//component")) {
        std::wstring name = AttributeText(spComponent.Get(), L"name");
        bool bPalette = !Nodes(spComponent.Get(), L"ancestor::palette").empty();
        (bPalette ? palette : plant).push_back(name);
        for (auto& spPort : Nodes(spComponent.Get(), L"root//port"))
            ports.push_back(name + L":" + AttributeText(spPort.Get(), L"name"));
        for (auto& spEntity : Nodes(spComponent.Get(), entities)) {
            std::wstring entity =
                entities + L"[@protocol=" + XPathLiteral(AttributeText(spEntity.Get(), L"protocol")) + L"]";
            for (const wchar_t* pszName : {L"address", L"deviceName", L"maxDevices"})
                if (HasAttribute(spEntity.Get(), pszName))
                    items.push_back({name, entity + L"/@" + pszName, AttributeText(spEntity.Get(), pszName)});
        }
    }
}

ComPtr<IDispatch> CPlant::Topology() const
{
    ComPtr<IDispatch> spTopology;
    m_spProject.As(&spTopology);
    return spTopology;
}

ComPtr<IComponent> CPlant::Root() const
{
    ComPtr<IDispatch> spDisp;
    HRESULT hr = m_spProject->get_RootComponent(&spDisp);
    return As<IComponent>(hr, spDisp);
}

ComPtr<IComponent> CPlant::Component(const std::wstring& name) const
{
    ComPtr<IDispatch> spDisp;
    CBstr bstrName(name);
    HRESULT hr = m_spProject->Component(bstrName, &spDisp);
    return As<IComponent>(hr, spDisp);
}

ComPtr<ICharacteristic> CPlant::Port(const std::wstring& ref) const
{
    ComPtr<IDispatch> spDisp;
    CBstr bstrRef(ref);
    HRESULT hr = m_spProject->Port(bstrRef, &spDisp);
    return As<ICharacteristic>(hr, spDisp);
}

ComPtr<IPropertyData> CPlant::Item(const PlantItem& item) const
{
    ComPtr<IDispatch> spDisp;
    CBstr component(item.strComponent), path(item.strPath);
    HRESULT hr = m_spProject->Item(component, path, &spDisp);
    return As<IPropertyData>(hr, spDisp);
}

long CPlant::LiveObjects() const
{
    long lCount = -1;
    m_spProject->get_LiveObjects(&lCount);
    return lCount;
}

bool CPlant::KnowsErrorDatabase(BSTR bstrErrDB) const
{
    // The service answers an unknown identifier with the identifier itself.
    CBstr name;
    return SysStringLen(bstrErrDB) > 0 && SUCCEEDED(m_spProject->ErrorDatabaseName(bstrErrDB, name.Out())) &&
           name.View() != BstrView(bstrErrDB);
}
