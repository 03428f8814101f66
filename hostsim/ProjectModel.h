#pragma once
// The plant project behind every simulator object: the parsed document, the
// components by name, the schema's type identifiers, the control events the
// host received and the error databases it has read. Shared by the project
// object and every component and item handed out, so they stay valid however
// long a client holds them.
#include "hostfiles/ErrorDatabase.h"
#include "hostfiles/Xml.h"
#include <map>
#include <memory>
#include <string>
#include <vector>

// A failure with a text for the user.
class CSimFault
{
public:
    CSimFault(HRESULT hr, std::wstring text) : m_hr(hr), m_strText(std::move(text)) {}
    HRESULT Result() const { return m_hr; }
    const std::wstring& Text() const { return m_strText; }

private:
    HRESULT m_hr;
    std::wstring m_strText;
};

class CSimComponent;

class CProjectModel
{
public:
    // Parses and checks a project file; throws CSimFault with a clear message.
    void Load(const std::wstring& path);
    bool IsLoaded() const { return m_spDoc != nullptr; }

    ComPtr<IXMLDOMNode> ComponentElement(const std::wstring& name) const;
    // The name of the component whose data tree (or element) holds the node.
    std::wstring OwnerName(IXMLDOMNode* pNode) const;
    ComPtr<IXMLDOMNode> RootElement() const { return m_spRootComponent; }
    bool IsInPlant(IXMLDOMNode* pComponent) const;
    bool IsRoot(const std::wstring& name) const;

    // Component objects are one per name while anybody holds them.
    CSimComponent* FindLive(const std::wstring& name) const;
    void AddLive(const std::wstring& name, CSimComponent* pComponent) { m_mapLive[name] = pComponent; }
    void RemoveLive(const std::wstring& name) { m_mapLive.erase(name); }

    long TypeId(const std::wstring& typeName);

    void AddEvent(std::wstring text) { m_vecEvents.push_back(std::move(text)); }
    const std::vector<std::wstring>& Events() const { return m_vecEvents; }
    void ClearEvents() { m_vecEvents.clear(); }

    // The class and text the host gives a code; unknown databases and codes get defaults.
    void Classify(long lCode, std::wstring_view message, std::wstring_view errDB, long& lClass, std::wstring& text);
    // Symbolic name of a code in a database, or "".
    std::wstring Symbol(long lCode, std::wstring_view errDB);
    const CErrorDatabase* Database(std::wstring_view errDB);
    // The code of a symbol in the project's databases or a registered one.
    bool FindSymbol(std::wstring_view symbol, long& lCode);

    // The edits a host performs once the layer has accepted them.
    void Insert(const std::wstring& palette, const std::wstring& newName, const std::wstring& dest, bool bAsChild);
    void Move(const std::wstring& name, const std::wstring& dest, bool bAsChild);
    void Replace(const std::wstring& name, const std::wstring& palette);
    void Delete(const std::wstring& name);
    void Connect(const std::wstring& port1, const std::wstring& port2);
    void Disconnect(const std::wstring& port1, const std::wstring& port2);
    void SetValue(const std::wstring& component, const std::wstring& xpath, const std::wstring& value);

    // A node below a component's element by a path ("root/..."), or a port "Comp:Port".
    ComPtr<IXMLDOMNode> ItemNode(const std::wstring& component, const std::wstring& xpath) const;
    ComPtr<IXMLDOMNode> PortNode(const std::wstring& portRef) const;
    // The plant as an indented tree with each device's buses.
    std::wstring Tree() const;
    const std::wstring& Name() const { return m_strName; }

private:
    void IndexComponents();
    void CheckComponent(IXMLDOMNode* pComponent);
    void CheckConnections();
    ComPtr<IXMLDOMNode> Require(const std::wstring& name) const;
    ComPtr<IXMLDOMNode> ConnectionNode(const std::wstring& port1, const std::wstring& port2) const;
    void PlaceNode(IXMLDOMNode* pNode, const std::wstring& dest, bool bAsChild);
    void AppendTree(IXMLDOMNode* pComponent, int depth, std::wstring& out) const;

    ComPtr<IXMLDOMDocument2> m_spDoc;
    ComPtr<IXMLDOMNode> m_spRootComponent;
    std::wstring m_strName;
    std::wstring m_strFolder;
    std::map<std::wstring, ComPtr<IXMLDOMNode>> m_mapElements;
    std::map<std::wstring, CSimComponent*> m_mapLive;
    std::map<std::wstring, long> m_mapTypeIds;
    std::vector<std::wstring> m_vecEvents;
    std::map<std::wstring, std::unique_ptr<CErrorDatabase>> m_mapDatabases;
};

using ProjectModelPtr = std::shared_ptr<CProjectModel>;
