#pragma once
// The rules of one fieldbus, judged on the plant as the host's query service
// shows it. What differs between the buses is a descriptor; the rules are
// written once.
#include "samples/Messages.h"
#include "samples/TopologyReader.h"

struct BusDescriptor
{
    const wchar_t* pszProtocol;    // the protocol attribute of its communication entities
    const wchar_t* pszAddressAttr; // null: devices have no numeric address
    const wchar_t* pszAddressWord; // how the bus calls an address
    long lMinAddress;
    long lMaxAddress;
    bool bNamed;                // devices carry a device name, unique in the plant
    bool bSegmented;            // cables stay within the bus of one master
    const wchar_t* pszPortType; // the connector of its ports
    long lMaxDevices;           // devices per master unless the master says otherwise
    const wchar_t* pszErrorDatabase;
};

extern const BusDescriptor kBusProfibusDP;
extern const BusDescriptor kBusProfinetIO;
extern const BusDescriptor kBusCANopen;

struct Verdict
{
    HRESULT hr = S_OK;
    std::wstring strMessage;
};

class CBusRules
{
public:
    CBusRules(const BusDescriptor& bus, const CTopologyReader& reader) : m_bus(bus), m_reader(reader) {}

    Verdict NewDevice(IUnknown* pComponent) const;
    // Insert and move: the device placed below (or beside) the destination.
    Verdict Place(IUnknown* pComponent, IUnknown* pDest, bool bAsChild) const;
    Verdict Replace(IUnknown* pPalette, IUnknown* pReplaced) const;
    Verdict Delete(IUnknown* pComponent) const;
    Verdict Connect(IUnknown* pPort1, IUnknown* pPort2) const;
    Verdict Disconnect(IUnknown* pPort1, IUnknown* pPort2) const;
    Verdict PropertyChange(IUnknown* pItem, const std::wstring& value) const;
    Verdict All(IUnknown* pRoot) const;

private:
    using Item = ComPtr<NewZUR::IPropertyData>;
    Item Entity(NewZUR::IPropertyData* pRoot, const wchar_t* pszRole = nullptr) const;
    Item MasterOfHost(NewZUR::IPropertyData* pHostComponent) const;
    Item MasterOf(NewZUR::IPropertyData* pSlaveEntity) const;
    ItemList SlavesOf(NewZUR::IPropertyData* pMasterEntity) const;
    ItemList PlantEntities(NewZUR::IPropertyData* pContext) const;
    std::wstring Owner(NewZUR::IPropertyData* pItem) const;
    std::wstring Role(NewZUR::IPropertyData* pEntity) const;
    long MaxDevices(NewZUR::IPropertyData* pMasterEntity) const;

    Verdict Validity(NewZUR::IPropertyData* pEntity, const std::wstring* pAddress = nullptr,
                     const std::wstring* pName = nullptr) const;
    Verdict AddressFree(NewZUR::IPropertyData* pMaster, const std::wstring& address, const std::wstring& owner) const;
    Verdict NameFree(NewZUR::IPropertyData* pContext, const std::wstring& name, const std::wstring& owner) const;
    Verdict PortOfBus(NewZUR::IPropertyData* pPort, Item& spEntity) const;
    std::wstring PortRef(NewZUR::IPropertyData* pPort) const;

    const BusDescriptor& m_bus;
    const CTopologyReader& m_reader;
};

// Why a device name breaks the naming rule, or null when it is valid.
const wchar_t* DeviceNameFault(const std::wstring& name);
