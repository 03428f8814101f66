#pragma once
// The project a conformance run drives the assistant over: the simulator's
// project object, and the names of its components, ports and data items,
// read from the project file.
#include "HostSim.h"
#include "LayerLib2.h"
#include "zurhost/CannotRun.h"
#include <wrl/client.h>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

struct PlantItem
{
    std::wstring strComponent, strPath, strValue;
};

class CPlant
{
public:
    // Loads the file; CCannotRun with the reason (file, line, what was expected).
    void Load(const std::wstring& path);

    ComPtr<IDispatch> Topology() const;
    ComPtr<IComponent> Root() const;
    ComPtr<IComponent> Component(const std::wstring& name) const;
    ComPtr<ICharacteristic> Port(const std::wstring& ref) const;
    ComPtr<IPropertyData> Item(const PlantItem& item) const;
    long LiveObjects() const;
    // The host's error-database service names the database.
    bool KnowsErrorDatabase(BSTR bstrErrDB) const;

    std::wstring strName;
    std::vector<std::wstring> plant, palette, ports;
    std::vector<PlantItem> items;

private:
    void ReadNames(const std::wstring& path);
    ComPtr<ISimProject> m_spProject;
};
