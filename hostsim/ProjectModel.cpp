// Loading, checking and editing the plant project.
#include "hostsim/ProjectModel.h"
#include "com/Owners.h"
#include "hostfiles/TextFile.h"
#include "hostfiles/XmlCheck.h"
#include "interfaces/LayerNames.h"
#include <algorithm>
#include <set>

namespace {

// The communication entities below a component's item.
const std::wstring kEntitiesOfComponent = std::wstring(L"root/") + LayerNames::kEntityPath;

std::wstring Quoted(const std::wstring& name)
{
    return L"'" + name + L"'";
}

std::vector<ComPtr<IXMLDOMNode>> NodesOf(IXMLDOMNode* pNode, std::wstring_view xpath)
{
    std::vector<ComPtr<IXMLDOMNode>> nodes;
    ComPtr<IXMLDOMNodeList> spList;
    if (FAILED(SelectNodes(pNode, xpath, spList)))
        return nodes;
    ComPtr<IXMLDOMNode> spNode;
    while (spList->nextNode(spNode.ReleaseAndGetAddressOf()) == S_OK && spNode)
        nodes.push_back(spNode);
    return nodes;
}

std::pair<std::wstring, std::wstring> SplitPort(const std::wstring& portRef)
{
    size_t colon = portRef.rfind(L':');
    if (colon == std::wstring::npos || colon == 0 || colon + 1 == portRef.size())
        throw CSimFault(E_INVALIDARG, L"port " + Quoted(portRef) + L" is not written as <component>:<port>");
    return {portRef.substr(0, colon), portRef.substr(colon + 1)};
}

void Check(HRESULT hr, const wchar_t* what)
{
    if (FAILED(hr))
        throw CSimFault(hr, std::wstring(L"the project document cannot be changed: ") + what);
}

} // namespace

void CProjectModel::Load(const std::wstring& path)
{
    ComPtr<IXMLDOMDocument2> spDoc;
    HRESULT hr = CreateXmlDocument(spDoc);
    if (FAILED(hr))
        throw CSimFault(hr, L"the XML parser (Msxml2.DOMDocument.6.0) is not available");
    std::string bytes;
    std::wstring reason;
    if (!ReadFileBytes(path, bytes, reason))
        throw CSimFault(E_INVALIDARG, path + L": " + reason);
    if (!CheckXmlText(bytes, reason) || FAILED(LoadXmlFile(spDoc.Get(), path, reason)))
        throw CSimFault(E_INVALIDARG, path + L": not a well-formed project: " + reason);
    ComPtr<IXMLDOMElement> spTop;
    if (FAILED(spDoc->get_documentElement(&spTop)) || !spTop || NodeName(spTop.Get()) != L"project")
        throw CSimFault(E_INVALIDARG, path + L": the document element must be <project>");
    auto roots = NodesOf(spTop.Get(), L"topology/component");
    if (roots.size() != 1)
        throw CSimFault(E_INVALIDARG, path +
                                          L": missing root: <topology> must hold exactly one root <component> (found " +
                                          std::to_wstring(roots.size()) + L")");
    m_spDoc = spDoc;
    m_spRootComponent = roots[0];
    m_strName = AttributeText(spTop.Get(), L"name");
    size_t slash = path.find_last_of(L"\\/");
    m_strFolder = slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
    m_mapElements.clear();
    try {
        IndexComponents();
        CheckConnections();
    } catch (const CSimFault& fault) {
        m_spDoc.Reset();
        m_spRootComponent.Reset();
        throw CSimFault(fault.Result(), path + L": " + fault.Text());
    }
    // Error databases the project names itself, beside the registered ones.
    for (auto& spDb : NodesOf(spTop.Get(), L"errorDatabase")) {
        auto db = std::make_unique<CErrorDatabase>();
        std::wstring file = AttributeText(spDb.Get(), L"file");
        if (file.size() < 2 || (file[1] != L':' && file[0] != L'\\' && file[0] != L'/'))
            file.insert(0, m_strFolder);
        if (!db->LoadFile(file, reason))
            throw CSimFault(E_INVALIDARG, reason);
        m_mapDatabases[AttributeText(spDb.Get(), L"id")] = std::move(db);
    }
}

void CProjectModel::IndexComponents()
{
    ComPtr<IXMLDOMElement> spTop;
    m_spDoc->get_documentElement(&spTop);
    for (auto& spComponent : NodesOf(spTop.Get(), L"topology//component | palette//component"))
        CheckComponent(spComponent.Get());
}

void CProjectModel::CheckComponent(IXMLDOMNode* pComponent)
{
    std::wstring name = AttributeText(pComponent, L"name");
    if (name.empty())
        throw CSimFault(E_INVALIDARG, L"a <component> has no name");
    if (name.find(L':') != std::wstring::npos)
        throw CSimFault(E_INVALIDARG, L"component name " + Quoted(name) + L" must not contain ':'");
    if (!m_mapElements.emplace(name, pComponent).second)
        throw CSimFault(E_INVALIDARG, L"two components are named " + Quoted(name));
    if (NodesOf(pComponent, L"root").size() > 1)
        throw CSimFault(E_INVALIDARG, L"component " + Quoted(name) + L" has more than one <root>");
    for (auto& spEntity : NodesOf(pComponent, kEntitiesOfComponent)) {
        std::wstring protocol = AttributeText(spEntity.Get(), L"protocol");
        if (protocol.empty())
            throw CSimFault(E_INVALIDARG, L"a communication entity of " + Quoted(name) + L" has no protocol");
        std::wstring role = AttributeText(spEntity.Get(), L"role");
        if (!role.empty() && role != L"master" && role != L"slave")
            throw CSimFault(E_INVALIDARG, L"the " + protocol + L" entity of " + Quoted(name) + L" has role " +
                                              Quoted(role) + L"; expected 'master' or 'slave'");
    }
    std::set<std::wstring> ports;
    for (auto& spPort : NodesOf(pComponent, L"root//port"))
        if (!ports.insert(AttributeText(spPort.Get(), L"name")).second)
            throw CSimFault(E_INVALIDARG, L"component " + Quoted(name) + L" has two ports named " +
                                              Quoted(AttributeText(spPort.Get(), L"name")));
}

void CProjectModel::CheckConnections()
{
    ComPtr<IXMLDOMElement> spTop;
    m_spDoc->get_documentElement(&spTop);
    std::set<std::pair<std::wstring, std::wstring>> cables;
    for (auto& spConnection : NodesOf(spTop.Get(), L"connections/connection")) {
        for (const wchar_t* end : {L"from", L"to"}) {
            std::wstring ref = AttributeText(spConnection.Get(), end);
            if (!PortNode(ref))
                throw CSimFault(E_INVALIDARG, L"connection end " + Quoted(ref) + L" names no port of the project");
        }
        std::wstring from = AttributeText(spConnection.Get(), L"from"), to = AttributeText(spConnection.Get(), L"to");
        if (from == to)
            throw CSimFault(E_INVALIDARG, L"a connection joins port " + Quoted(from) + L" to itself");
        if (!cables.insert(std::minmax(from, to)).second)
            throw CSimFault(E_INVALIDARG, L"two connections join " + Quoted(from) + L" and " + Quoted(to));
    }
}

ComPtr<IXMLDOMNode> CProjectModel::ComponentElement(const std::wstring& name) const
{
    auto it = m_mapElements.find(name);
    return it == m_mapElements.end() ? nullptr : it->second;
}

ComPtr<IXMLDOMNode> CProjectModel::Require(const std::wstring& name) const
{
    ComPtr<IXMLDOMNode> spElement = ComponentElement(name);
    if (!spElement)
        throw CSimFault(E_INVALIDARG, L"the project has no component " + Quoted(name));
    return spElement;
}

std::wstring CProjectModel::OwnerName(IXMLDOMNode* pNode) const
{
    ComPtr<IXMLDOMNode> spOwner = SelectNode(pNode, L"ancestor-or-self::component[1]");
    return spOwner ? AttributeText(spOwner.Get(), L"name") : std::wstring();
}

// The parser hands out a new wrapper per visit, so nodes are told apart by their unique names.
bool CProjectModel::IsRoot(const std::wstring& name) const
{
    return name == AttributeText(m_spRootComponent.Get(), L"name");
}

bool CProjectModel::IsInPlant(IXMLDOMNode* pComponent) const
{
    return SelectNode(pComponent, L"ancestor::topology") != nullptr;
}

CSimComponent* CProjectModel::FindLive(const std::wstring& name) const
{
    auto it = m_mapLive.find(name);
    return it == m_mapLive.end() ? nullptr : it->second;
}

long CProjectModel::TypeId(const std::wstring& typeName)
{
    auto it = m_mapTypeIds.emplace(typeName, static_cast<long>(m_mapTypeIds.size()) + 1001).first;
    return it->second;
}

const CErrorDatabase* CProjectModel::Database(std::wstring_view errDB)
{
    std::wstring id(errDB);
    auto it = m_mapDatabases.find(id);
    if (it != m_mapDatabases.end())
        return it->second.get();
    // Registered databases are read once; an unreadable one stays unknown.
    auto db = std::make_unique<CErrorDatabase>();
    std::wstring file = RegisteredErrorDatabaseFile(id), reason;
    if (file.empty() || !db->LoadFile(file, reason))
        db.reset();
    return (m_mapDatabases[id] = std::move(db)).get();
}

void CProjectModel::Classify(long lCode, std::wstring_view message, std::wstring_view errDB, long& lClass,
                             std::wstring& text)
{
    const CErrorDatabase* pDb = Database(errDB);
    const ErrorEntry* pEntry = pDb ? pDb->Find(lCode) : nullptr;
    lClass = pEntry ? pEntry->lClass : DefaultMessageClass(lCode);
    if (pEntry)
        text = pEntry->strText;
    else if (!message.empty())
        text = message;
    else {
        wchar_t hex[16];
        swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(lCode));
        text = hex;
    }
}

bool CProjectModel::FindSymbol(std::wstring_view symbol, long& lCode)
{
    std::vector<std::wstring> ids = RegisteredErrorDatabases();
    for (const auto& [id, spDb] : m_mapDatabases)
        ids.push_back(id);
    for (const auto& id : ids) {
        const CErrorDatabase* pDb = Database(id);
        if (pDb && pDb->FindSymbol(symbol, lCode))
            return true;
    }
    return false;
}

std::wstring CProjectModel::Symbol(long lCode, std::wstring_view errDB)
{
    const CErrorDatabase* pDb = Database(errDB);
    const ErrorEntry* pEntry = pDb ? pDb->Find(lCode) : nullptr;
    return pEntry ? pEntry->strSymbol : std::wstring();
}

ComPtr<IXMLDOMNode> CProjectModel::ItemNode(const std::wstring& component, const std::wstring& xpath) const
{
    ComPtr<IXMLDOMNode> spElement = Require(component);
    ComPtr<IXMLDOMNodeList> spList;
    if (FAILED(SelectNodes(spElement.Get(), xpath, spList)))
        throw CSimFault(E_INVALIDARG, L"bad path " + Quoted(xpath));
    ComPtr<IXMLDOMNode> spNode;
    if (spList->nextNode(&spNode) != S_OK || !spNode)
        throw CSimFault(E_INVALIDARG, L"component " + Quoted(component) + L" has no item " + Quoted(xpath));
    return spNode;
}

ComPtr<IXMLDOMNode> CProjectModel::PortNode(const std::wstring& portRef) const
{
    auto [component, port] = SplitPort(portRef);
    ComPtr<IXMLDOMNode> spElement = ComponentElement(component);
    return spElement ? SelectNode(spElement.Get(), L"root//port[@name=" + XPathLiteral(port) + L"]") : nullptr;
}

ComPtr<IXMLDOMNode> CProjectModel::ConnectionNode(const std::wstring& port1, const std::wstring& port2) const
{
    ComPtr<IXMLDOMElement> spTop;
    m_spDoc->get_documentElement(&spTop);
    std::wstring a = XPathLiteral(port1), b = XPathLiteral(port2);
    return SelectNode(spTop.Get(), L"connections/connection[(@from=" + a + L" and @to=" + b + L") or (@from=" + b +
                                       L" and @to=" + a + L")]");
}

void CProjectModel::PlaceNode(IXMLDOMNode* pNode, const std::wstring& dest, bool bAsChild)
{
    ComPtr<IXMLDOMNode> spDest = Require(dest);
    ComPtr<IXMLDOMNode> spAdded;
    if (bAsChild) {
        Check(spDest->appendChild(pNode, &spAdded), L"append");
        return;
    }
    ComPtr<IXMLDOMNode> spParent, spNext;
    spDest->get_parentNode(&spParent);
    if (!spParent || NodeName(spParent.Get()) != L"component")
        throw CSimFault(E_INVALIDARG, L"nothing can be placed beside " + Quoted(dest));
    spDest->get_nextSibling(&spNext);
    CVariant before;
    if (spNext) {
        before.vt = VT_UNKNOWN;
        spNext.CopyTo(&before.punkVal);
    }
    Check(spParent->insertBefore(pNode, before, &spAdded), L"insert");
}

void CProjectModel::Insert(const std::wstring& palette, const std::wstring& newName, const std::wstring& dest,
                           bool bAsChild)
{
    ComPtr<IXMLDOMNode> spTemplate = Require(palette), spCopy;
    if (ComponentElement(newName))
        throw CSimFault(E_INVALIDARG, L"the project already has a component " + Quoted(newName));
    Check(spTemplate->cloneNode(VARIANT_TRUE, &spCopy), L"copy");
    for (auto& spNested : NodesOf(spCopy.Get(), L".//component")) {
        ComPtr<IXMLDOMNode> spParent, spOld;
        spNested->get_parentNode(&spParent);
        spParent->removeChild(spNested.Get(), &spOld);
    }
    SetAttributeText(spCopy.Get(), L"name", newName);
    PlaceNode(spCopy.Get(), dest, bAsChild);
    m_mapElements[newName] = spCopy;
}

void CProjectModel::Move(const std::wstring& name, const std::wstring& dest, bool bAsChild)
{
    ComPtr<IXMLDOMNode> spNode = Require(name);
    if (IsRoot(name))
        throw CSimFault(E_INVALIDARG, L"the root component cannot be moved");
    if (SelectNode(Require(dest).Get(), L"ancestor-or-self::component[@name=" + XPathLiteral(name) + L"]"))
        throw CSimFault(E_INVALIDARG, Quoted(name) + L" cannot be moved below itself");
    ComPtr<IXMLDOMNode> spParent, spOld;
    spNode->get_parentNode(&spParent);
    Check(spParent->removeChild(spNode.Get(), &spOld), L"remove");
    PlaceNode(spNode.Get(), dest, bAsChild);
}

void CProjectModel::Replace(const std::wstring& name, const std::wstring& palette)
{
    ComPtr<IXMLDOMNode> spNode = Require(name), spTemplate = Require(palette);
    ComPtr<IXMLDOMNode> spNewRoot = SelectNode(spTemplate.Get(), L"root"),
                        spOldRoot = SelectNode(spNode.Get(), L"root");
    ComPtr<IXMLDOMNode> spCopy, spOut;
    if (spOldRoot)
        Check(spNode->removeChild(spOldRoot.Get(), &spOut), L"remove");
    if (spNewRoot) {
        Check(spNewRoot->cloneNode(VARIANT_TRUE, &spCopy), L"copy");
        ComPtr<IXMLDOMNode> spFirst, spAdded;
        spNode->get_firstChild(&spFirst);
        CVariant before;
        if (spFirst) {
            before.vt = VT_UNKNOWN;
            spFirst.CopyTo(&before.punkVal);
        }
        Check(spNode->insertBefore(spCopy.Get(), before, &spAdded), L"insert");
    }
    SetAttributeText(spNode.Get(), L"type", AttributeText(spTemplate.Get(), L"type"));
    // Cables to ports the new device does not have go with the old one.
    ComPtr<IXMLDOMElement> spTop;
    m_spDoc->get_documentElement(&spTop);
    for (auto& spConnection : NodesOf(spTop.Get(), L"connections/connection"))
        if (!PortNode(AttributeText(spConnection.Get(), L"from")) ||
            !PortNode(AttributeText(spConnection.Get(), L"to"))) {
            ComPtr<IXMLDOMNode> spParent, spOld;
            spConnection->get_parentNode(&spParent);
            spParent->removeChild(spConnection.Get(), &spOld);
        }
}

void CProjectModel::Delete(const std::wstring& name)
{
    ComPtr<IXMLDOMNode> spNode = Require(name);
    if (IsRoot(name))
        throw CSimFault(E_INVALIDARG, L"the root component cannot be deleted");
    std::vector<std::wstring> gone;
    for (auto& spComponent : NodesOf(spNode.Get(), L"descendant-or-self::component"))
        gone.push_back(AttributeText(spComponent.Get(), L"name"));
    ComPtr<IXMLDOMNode> spParent, spOld;
    spNode->get_parentNode(&spParent);
    Check(spParent->removeChild(spNode.Get(), &spOld), L"remove");
    for (auto& goneName : gone)
        m_mapElements.erase(goneName);
    ComPtr<IXMLDOMElement> spTop;
    m_spDoc->get_documentElement(&spTop);
    for (auto& spConnection : NodesOf(spTop.Get(), L"connections/connection"))
        if (!PortNode(AttributeText(spConnection.Get(), L"from")) ||
            !PortNode(AttributeText(spConnection.Get(), L"to"))) {
            ComPtr<IXMLDOMNode> spConnParent, spRemoved;
            spConnection->get_parentNode(&spConnParent);
            spConnParent->removeChild(spConnection.Get(), &spRemoved);
        }
}

void CProjectModel::Connect(const std::wstring& port1, const std::wstring& port2)
{
    for (const auto& port : {port1, port2})
        if (!PortNode(port))
            throw CSimFault(E_INVALIDARG, L"the project has no port " + Quoted(port));
    ComPtr<IXMLDOMElement> spTop;
    m_spDoc->get_documentElement(&spTop);
    ComPtr<IXMLDOMNode> spList = SelectNode(spTop.Get(), L"connections");
    if (!spList) {
        ComPtr<IXMLDOMElement> spNew;
        CBstr tag(L"connections");
        Check(m_spDoc->createElement(tag, &spNew), L"create");
        Check(spTop->appendChild(spNew.Get(), &spList), L"append");
    }
    ComPtr<IXMLDOMElement> spConnection;
    CBstr tag(L"connection");
    Check(m_spDoc->createElement(tag, &spConnection), L"create");
    SetAttributeText(spConnection.Get(), L"from", port1);
    SetAttributeText(spConnection.Get(), L"to", port2);
    ComPtr<IXMLDOMNode> spAdded;
    Check(spList->appendChild(spConnection.Get(), &spAdded), L"append");
}

void CProjectModel::Disconnect(const std::wstring& port1, const std::wstring& port2)
{
    ComPtr<IXMLDOMNode> spConnection = ConnectionNode(port1, port2);
    if (!spConnection)
        throw CSimFault(E_INVALIDARG, Quoted(port1) + L" and " + Quoted(port2) + L" are not connected");
    ComPtr<IXMLDOMNode> spParent, spOld;
    spConnection->get_parentNode(&spParent);
    Check(spParent->removeChild(spConnection.Get(), &spOld), L"remove");
}

void CProjectModel::SetValue(const std::wstring& component, const std::wstring& xpath, const std::wstring& value)
{
    ComPtr<IXMLDOMNode> spNode = ItemNode(component, xpath);
    if (NodeType(spNode.Get()) == NODE_ATTRIBUTE) {
        CBstr text(value);
        Check(spNode->put_text(text), L"set");
    } else {
        SetAttributeText(spNode.Get(), L"value", value);
    }
}

std::wstring CProjectModel::Tree() const
{
    std::wstring out;
    if (!m_spRootComponent)
        return out;
    AppendTree(m_spRootComponent.Get(), 0, out);
    ComPtr<IXMLDOMElement> spTop;
    m_spDoc->get_documentElement(&spTop);
    auto palette = NodesOf(spTop.Get(), L"palette/component");
    if (!palette.empty())
        out += L"Palette:\n";
    for (auto& spComponent : palette)
        AppendTree(spComponent.Get(), 1, out);
    auto cables = NodesOf(spTop.Get(), L"connections/connection");
    if (!cables.empty())
        out += L"Cables:\n";
    for (auto& spCable : cables)
        out += L"  " + AttributeText(spCable.Get(), L"from") + L" - " + AttributeText(spCable.Get(), L"to") + L"\n";
    return out;
}

void CProjectModel::AppendTree(IXMLDOMNode* pComponent, int depth, std::wstring& out) const
{
    out.append(static_cast<size_t>(depth) * 2, L' ');
    out += AttributeText(pComponent, L"name");
    std::wstring type = AttributeText(pComponent, L"type");
    if (!type.empty())
        out += L" [" + type + L"]";
    std::wstring buses;
    for (auto& spEntity : NodesOf(pComponent, kEntitiesOfComponent)) {
        std::wstring bus = AttributeText(spEntity.Get(), L"protocol");
        std::wstring role = AttributeText(spEntity.Get(), L"role");
        if (!role.empty())
            bus += L" " + role;
        for (const wchar_t* attr : {L"address", L"deviceName"}) {
            std::wstring value = AttributeText(spEntity.Get(), attr);
            if (!value.empty())
                bus += std::wstring(L" ") + attr + L"=" + value;
        }
        buses += (buses.empty() ? L"" : L"; ") + bus;
    }
    if (!buses.empty())
        out += L"  (" + buses + L")";
    out += L"\n";
    for (auto& spChild : NodesOf(pComponent, L"component"))
        AppendTree(spChild.Get(), depth + 1, out);
}
