// The rules of the sample buses.
#include "samples/BusRules.h"
#include "hostfiles/Xml.h"
#include "interfaces/LayerNames.h"
#include <map>
#include <set>

const BusDescriptor kBusProfibusDP = {
    L"PROFIBUS DP", L"address", L"Station address", 1,   125,
    false,          true,       L"RS485",           125, L"{8E3B5C11-2A47-4F0D-9B61-5D2C7A90E341}"};
const BusDescriptor kBusProfinetIO = {L"PROFINET IO", nullptr, nullptr, 0,  0,
                                      true,           false,   L"RJ45", 64, L"{8E3B5C12-2A47-4F0D-9B61-5D2C7A90E341}"};
const BusDescriptor kBusCANopen = {L"CANopen", L"address", L"Node-ID", 1,   127,
                                   false,      true,       L"CAN",     127, L"{8E3B5C13-2A47-4F0D-9B61-5D2C7A90E341}"};

namespace {

using LayerNames::kEntityPath;

Verdict Fail(HRESULT hr, std::wstring message)
{
    return Verdict{hr, std::move(message)};
}

bool ParseAddress(const std::wstring& text, long& lAddress)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    lAddress = std::stol(text);
    return true;
}

// The cables that end at a port, named by its quoted "Comp:Port" literal.
std::wstring CablesAt(const std::wstring& portLiteral)
{
    std::wstring path = L"/project/connections/connection[@from=";
    path += portLiteral;
    path += L" or @to=";
    path += portLiteral;
    path += L"]";
    return path;
}

} // namespace

const wchar_t* DeviceNameFault(const std::wstring& name)
{
    if (name.empty())
        return Bus::kNameEmpty;
    if (name.size() > 240)
        return Bus::kNameTooLong;
    if (name.find_first_not_of(L"abcdefghijklmnopqrstuvwxyz0123456789-.") != std::wstring::npos)
        return Bus::kNameChars;
    size_t start = 0;
    for (;;) {
        size_t dot = name.find(L'.', start);
        std::wstring label = name.substr(start, dot == std::wstring::npos ? std::wstring::npos : dot - start);
        if (label.empty() || label.size() > 63 || label.front() == L'-' || label.back() == L'-')
            return Bus::kNameLabels;
        if (dot == std::wstring::npos)
            break;
        start = dot + 1;
    }
    size_t digitsEnd = name.find_first_not_of(L"0123456789", 5);
    if (name.compare(0, 5, L"port-") == 0 &&
        (digitsEnd == 8 || (digitsEnd == std::wstring::npos && name.size() == 8)) &&
        (name.size() == 8 || name[8] == L'-'))
        return Bus::kNamePort;
    return nullptr;
}

CBusRules::Item CBusRules::Entity(NewZUR::IPropertyData* pRoot, const wchar_t* pszRole) const
{
    std::wstring filter = L"[@protocol=" + XPathLiteral(m_bus.pszProtocol) + L"]";
    if (pszRole)
        filter += std::wstring(L"[@role='") + pszRole + L"']";
    ItemList items = m_reader.Select(pRoot, kEntityPath + filter);
    return items.empty() ? nullptr : items[0];
}

// The master of this bus offered by a component (given as its element's item).
CBusRules::Item CBusRules::MasterOfHost(NewZUR::IPropertyData* pHostComponent) const
{
    ItemList roots = m_reader.Select(pHostComponent, L"self::component/root");
    return roots.empty() ? nullptr : Entity(roots[0].Get(), L"master");
}

CBusRules::Item CBusRules::MasterOf(NewZUR::IPropertyData* pSlaveEntity) const
{
    ItemList hosts = m_reader.Select(pSlaveEntity, L"ancestor::component[2]");
    return hosts.empty() ? nullptr : MasterOfHost(hosts[0].Get());
}

ItemList CBusRules::SlavesOf(NewZUR::IPropertyData* pMasterEntity) const
{
    return m_reader.Select(pMasterEntity, L"ancestor::component[1]/component/root/" + std::wstring(kEntityPath) +
                                              L"[@protocol=" + XPathLiteral(m_bus.pszProtocol) + L"][@role='slave']");
}

ItemList CBusRules::PlantEntities(NewZUR::IPropertyData* pContext) const
{
    // Entities without a role are the networks the project itself lists.
    return m_reader.Select(pContext, L"/project/topology//component/root/" + std::wstring(kEntityPath) +
                                         L"[@protocol=" + XPathLiteral(m_bus.pszProtocol) +
                                         L"][@role='master' or @role='slave']");
}

std::wstring CBusRules::Owner(NewZUR::IPropertyData* pItem) const
{
    return m_reader.Text(pItem, L"ancestor-or-self::component[1]/@name");
}

std::wstring CBusRules::Role(NewZUR::IPropertyData* pEntity) const
{
    return m_reader.Text(pEntity, L"@role");
}

long CBusRules::MaxDevices(NewZUR::IPropertyData* pMasterEntity) const
{
    long lMax = 0;
    return ParseAddress(m_reader.Text(pMasterEntity, L"@maxDevices"), lMax) ? lMax : m_bus.lMaxDevices;
}

// Address in range and device name well formed; the values may be proposed ones.
Verdict CBusRules::Validity(NewZUR::IPropertyData* pEntity, const std::wstring* pAddress,
                            const std::wstring* pName) const
{
    std::wstring owner = Owner(pEntity);
    if (m_bus.pszAddressAttr) {
        std::wstring address = pAddress ? *pAddress : m_reader.Text(pEntity, std::wstring(L"@") + m_bus.pszAddressAttr);
        long lAddress = 0;
        if (address.empty())
            return Fail(Bus::E_ADDRESS_RANGE,
                        Bus::Format(Bus::kAddressMissing, {owner, m_bus.pszAddressWord, m_bus.pszProtocol}));
        if (!ParseAddress(address, lAddress) || lAddress < m_bus.lMinAddress || lAddress > m_bus.lMaxAddress)
            return Fail(Bus::E_ADDRESS_RANGE, Bus::Format(Bus::kAddressRange, {m_bus.pszAddressWord, address, owner,
                                                                               std::to_wstring(m_bus.lMinAddress),
                                                                               std::to_wstring(m_bus.lMaxAddress)}));
    }
    if (m_bus.bNamed) {
        std::wstring name = pName ? *pName : m_reader.Text(pEntity, L"@deviceName");
        if (const wchar_t* pszFault = DeviceNameFault(name))
            return Fail(Bus::E_NAME_INVALID, Bus::Format(Bus::kNameInvalid, {name, owner, pszFault}));
    }
    return {};
}

// No other device on the master's bus (nor the master itself) has the address.
Verdict CBusRules::AddressFree(NewZUR::IPropertyData* pMaster, const std::wstring& address,
                               const std::wstring& owner) const
{
    if (!m_bus.pszAddressAttr)
        return {};
    std::wstring attr = std::wstring(L"@") + m_bus.pszAddressAttr, masterName = Owner(pMaster);
    ItemList members = SlavesOf(pMaster);
    members.push_back(pMaster);
    long lWanted = 0, lOther = 0;
    ParseAddress(address, lWanted);
    for (auto& spMember : members) {
        std::wstring other = Owner(spMember.Get());
        if (other != owner && ParseAddress(m_reader.Text(spMember.Get(), attr), lOther) && lOther == lWanted)
            return Fail(Bus::E_ADDRESS_IN_USE,
                        Bus::Format(Bus::kAddressInUse, {m_bus.pszAddressWord, address, owner, other, masterName}));
    }
    return {};
}

Verdict CBusRules::NameFree(NewZUR::IPropertyData* pContext, const std::wstring& name, const std::wstring& owner) const
{
    if (!m_bus.bNamed)
        return {};
    for (auto& spEntity : PlantEntities(pContext)) {
        std::wstring other = Owner(spEntity.Get());
        if (other != owner && m_reader.Text(spEntity.Get(), L"@deviceName") == name)
            return Fail(Bus::E_NAME_IN_USE, Bus::Format(Bus::kNameInUse, {name, owner, other}));
    }
    return {};
}

Verdict CBusRules::NewDevice(IUnknown* pComponent) const
{
    Item spRoot = m_reader.Root(pComponent);
    Item spEntity = spRoot ? Entity(spRoot.Get()) : nullptr;
    return spEntity ? Validity(spEntity.Get()) : Verdict{};
}

Verdict CBusRules::Place(IUnknown* pComponent, IUnknown* pDest, bool bAsChild) const
{
    Item spRoot = m_reader.Root(pComponent);
    Item spEntity = spRoot ? Entity(spRoot.Get()) : nullptr;
    if (!spEntity)
        return {};
    Verdict verdict = Validity(spEntity.Get());
    std::wstring name = Owner(spEntity.Get()), deviceName = m_reader.Text(spEntity.Get(), L"@deviceName");
    if (FAILED(verdict.hr) || FAILED((verdict = NameFree(spEntity.Get(), deviceName, name)).hr))
        return verdict;
    if (Role(spEntity.Get()) == L"master")
        return {};
    // A slave hangs on the master of its new parent.
    Item spDestRoot = m_reader.Root(pDest);
    ItemList hosts = spDestRoot ? m_reader.Select(spDestRoot.Get(), bAsChild ? L".." : L"../..") : ItemList{};
    Item spMaster = hosts.empty() ? nullptr : MasterOfHost(hosts[0].Get());
    if (!spMaster) {
        std::wstring host = hosts.empty() ? std::wstring() : m_reader.Text(hosts[0].Get(), L"@name");
        return Fail(Bus::E_NO_MASTER,
                    Bus::Format(Bus::kNoMaster, {name, m_bus.pszProtocol, host.empty() ? L"its place" : host}));
    }
    std::wstring masterName = Owner(spMaster.Get());
    long lOthers = 0, lMax = MaxDevices(spMaster.Get());
    for (auto& spSlave : SlavesOf(spMaster.Get()))
        lOthers += Owner(spSlave.Get()) != name;
    if (lOthers >= lMax)
        return Fail(Bus::E_MASTER_FULL,
                    Bus::Format(Bus::kMasterFull, {masterName, std::to_wstring(lMax), m_bus.pszProtocol}));
    if (m_bus.pszAddressAttr) {
        verdict =
            AddressFree(spMaster.Get(), m_reader.Text(spEntity.Get(), std::wstring(L"@") + m_bus.pszAddressAttr), name);
        if (FAILED(verdict.hr))
            return verdict;
    }
    if (lOthers + 1 == lMax)
        return Fail(Bus::W_LAST_PLACE,
                    Bus::Format(Bus::kLastPlace, {name, std::to_wstring(lMax), m_bus.pszProtocol, masterName}));
    return {};
}

Verdict CBusRules::Replace(IUnknown* pPalette, IUnknown* pReplaced) const
{
    Item spNewRoot = m_reader.Root(pPalette), spOldRoot = m_reader.Root(pReplaced);
    Item spNew = spNewRoot ? Entity(spNewRoot.Get()) : nullptr;
    Item spOld = spOldRoot ? Entity(spOldRoot.Get()) : nullptr;
    if (!spNew)
        return {};
    std::wstring newName = Owner(spNew.Get()), newRole = Role(spNew.Get());
    std::wstring oldName = spOldRoot ? m_reader.Text(spOldRoot.Get(), L"../@name") : std::wstring();
    if (!spOld || Role(spOld.Get()) != newRole) {
        std::wstring oldWhat = spOld ? std::wstring(m_bus.pszProtocol) + L" " + Role(spOld.Get())
                                     : L"no " + std::wstring(m_bus.pszProtocol) + L" interface";
        return Fail(Bus::E_INCOMPATIBLE,
                    Bus::Format(Bus::kRoleMismatch, {newName, m_bus.pszProtocol, newRole, oldName, oldWhat}));
    }
    Verdict verdict = Validity(spNew.Get());
    if (FAILED(verdict.hr))
        return verdict;
    if (newRole == L"master") {
        long lSlaves = static_cast<long>(SlavesOf(spOld.Get()).size()), lMax = MaxDevices(spNew.Get());
        if (lSlaves > lMax)
            return Fail(Bus::E_MASTER_FULL,
                        Bus::Format(Bus::kMasterFull, {newName, std::to_wstring(lMax), m_bus.pszProtocol}));
        return {};
    }
    // The new device takes the old one's place: only the others count.
    Item spMaster = MasterOf(spOld.Get());
    if (spMaster && m_bus.pszAddressAttr)
        verdict =
            AddressFree(spMaster.Get(), m_reader.Text(spNew.Get(), std::wstring(L"@") + m_bus.pszAddressAttr), oldName);
    if (SUCCEEDED(verdict.hr))
        verdict = NameFree(spOld.Get(), m_reader.Text(spNew.Get(), L"@deviceName"), oldName);
    return verdict;
}

Verdict CBusRules::Delete(IUnknown* pComponent) const
{
    Item spRoot = m_reader.Root(pComponent);
    Item spMaster = spRoot ? Entity(spRoot.Get(), L"master") : nullptr;
    if (!spMaster)
        return {};
    size_t nSlaves = SlavesOf(spMaster.Get()).size();
    if (nSlaves)
        return Fail(Bus::E_HAS_DEVICES, Bus::Format(Bus::kHasDevices, {Owner(spMaster.Get()), m_bus.pszProtocol,
                                                                       std::to_wstring(nSlaves)}));
    return {};
}

std::wstring CBusRules::PortRef(NewZUR::IPropertyData* pPort) const
{
    return Owner(pPort) + L":" + m_reader.Text(pPort, L"@name");
}

Verdict CBusRules::PortOfBus(NewZUR::IPropertyData* pPort, Item& spEntity) const
{
    ItemList entities = m_reader.Select(pPort, L"ancestor::communicationEntity[1]");
    spEntity = entities.empty() ? nullptr : entities[0];
    if (!spEntity || m_reader.Text(spEntity.Get(), L"@protocol") != m_bus.pszProtocol)
        return Fail(Bus::E_PORT_MISMATCH,
                    Bus::Format(Bus::kNotOurPort, {m_reader.Text(pPort, L"@name"), Owner(pPort), m_bus.pszProtocol}));
    return {};
}

Verdict CBusRules::Connect(IUnknown* pPort1, IUnknown* pPort2) const
{
    Item spPorts[2] = {m_reader.AsItem(pPort1), m_reader.AsItem(pPort2)}, spEntities[2];
    if (!spPorts[0] || !spPorts[1])
        return Fail(E_INVALIDARG, {});
    for (int i = 0; i < 2; ++i) {
        Verdict verdict = PortOfBus(spPorts[i].Get(), spEntities[i]);
        if (FAILED(verdict.hr))
            return verdict;
    }
    std::wstring names[2], owners[2], types[2];
    for (int i = 0; i < 2; ++i) {
        names[i] = m_reader.Text(spPorts[i].Get(), L"@name");
        owners[i] = Owner(spPorts[i].Get());
        types[i] = m_reader.Text(spPorts[i].Get(), L"@type");
    }
    if (types[0] != types[1] || types[0] != m_bus.pszPortType)
        return Fail(Bus::E_PORT_MISMATCH,
                    Bus::Format(Bus::kPortKinds, {names[0], owners[0], types[0], names[1], owners[1], types[1]}));
    if (owners[0] == owners[1])
        return Fail(Bus::E_SAME_DEVICE, Bus::Format(Bus::kSameDevice, {names[0], names[1], owners[0]}));
    for (int i = 0; i < 2; ++i) {
        std::wstring ref = XPathLiteral(PortRef(spPorts[i].Get()));
        if (!m_reader.Select(spPorts[i].Get(), CablesAt(ref)).empty())
            return Fail(Bus::E_PORT_BUSY, Bus::Format(Bus::kPortBusy, {names[i], owners[i]}));
    }
    if (m_bus.bSegmented) {
        std::wstring segments[2];
        for (int i = 0; i < 2; ++i) {
            Item spMaster = Role(spEntities[i].Get()) == L"master" ? spEntities[i] : MasterOf(spEntities[i].Get());
            segments[i] = spMaster ? Owner(spMaster.Get()) : std::wstring();
        }
        if (segments[0] != segments[1])
            return Fail(Bus::E_OTHER_SEGMENT,
                        Bus::Format(Bus::kOtherSegment, {owners[0], owners[1], segments[0], segments[1]}));
    }
    return {};
}

Verdict CBusRules::Disconnect(IUnknown* pPort1, IUnknown* pPort2) const
{
    Item spPort1 = m_reader.AsItem(pPort1), spPort2 = m_reader.AsItem(pPort2);
    if (!spPort1 || !spPort2)
        return Fail(E_INVALIDARG, {});
    std::wstring a = XPathLiteral(PortRef(spPort1.Get())), b = XPathLiteral(PortRef(spPort2.Get()));
    if (m_reader
            .Select(spPort1.Get(), L"/project/connections/connection[(@from=" + a + L" and @to=" + b + L") or (@from=" +
                                       b + L" and @to=" + a + L")]")
            .empty())
        return Fail(Bus::E_NOT_CONNECTED,
                    Bus::Format(Bus::kNotConnected, {PortRef(spPort1.Get()), PortRef(spPort2.Get())}));
    return {};
}

Verdict CBusRules::PropertyChange(IUnknown* pItem, const std::wstring& value) const
{
    Item spItem = m_reader.AsItem(pItem);
    if (!spItem)
        return Fail(E_INVALIDARG, {});
    std::wstring path = m_reader.PathText(spItem.Get());
    ItemList entities = m_reader.Select(spItem.Get(), L"parent::communicationEntity");
    if (entities.empty() || m_reader.Text(entities[0].Get(), L"@protocol") != m_bus.pszProtocol)
        return {};
    Item spEntity = entities[0];
    std::wstring owner = Owner(spEntity.Get());
    auto endsWith = [&](const std::wstring& tail) {
        return path.size() >= tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (m_bus.pszAddressAttr && endsWith(std::wstring(L"@") + m_bus.pszAddressAttr)) {
        Verdict verdict = Validity(spEntity.Get(), &value);
        if (FAILED(verdict.hr))
            return verdict;
        Item spMaster = Role(spEntity.Get()) == L"master" ? spEntity : MasterOf(spEntity.Get());
        return spMaster ? AddressFree(spMaster.Get(), value, owner) : Verdict{};
    }
    if (m_bus.bNamed && endsWith(L"@deviceName")) {
        Verdict verdict = Validity(spEntity.Get(), nullptr, &value);
        return FAILED(verdict.hr) ? verdict : NameFree(spEntity.Get(), value, owner);
    }
    return {};
}

Verdict CBusRules::All(IUnknown* pRoot) const
{
    Item spContext = m_reader.Root(pRoot);
    if (!spContext)
        return {};
    std::map<std::wstring, std::wstring> names;
    std::wstring uncabled;
    for (auto& spEntity : PlantEntities(spContext.Get())) {
        std::wstring owner = Owner(spEntity.Get());
        Verdict verdict = Validity(spEntity.Get());
        if (FAILED(verdict.hr))
            return verdict;
        if (m_bus.bNamed) {
            std::wstring name = m_reader.Text(spEntity.Get(), L"@deviceName");
            auto [it, fresh] = names.emplace(name, owner);
            if (!fresh)
                return Fail(Bus::E_NAME_IN_USE, Bus::Format(Bus::kNameInUse, {name, owner, it->second}));
        }
        if (Role(spEntity.Get()) == L"master") {
            ItemList slaves = SlavesOf(spEntity.Get());
            long lMax = MaxDevices(spEntity.Get());
            if (static_cast<long>(slaves.size()) > lMax)
                return Fail(Bus::E_MASTER_FULL,
                            Bus::Format(Bus::kMasterFull, {owner, std::to_wstring(lMax), m_bus.pszProtocol}));
            if (m_bus.pszAddressAttr) {
                std::wstring attr = std::wstring(L"@") + m_bus.pszAddressAttr;
                std::map<long, std::wstring> used;
                long lAddress = 0;
                if (ParseAddress(m_reader.Text(spEntity.Get(), attr), lAddress))
                    used[lAddress] = owner;
                for (auto& spSlave : slaves) {
                    std::wstring address = m_reader.Text(spSlave.Get(), attr), slave = Owner(spSlave.Get());
                    if (!ParseAddress(address, lAddress))
                        continue;
                    auto [it, fresh] = used.emplace(lAddress, slave);
                    if (!fresh)
                        return Fail(
                            Bus::E_ADDRESS_IN_USE,
                            Bus::Format(Bus::kAddressInUse, {m_bus.pszAddressWord, address, slave, it->second, owner}));
                }
            }
        } else if (!MasterOf(spEntity.Get())) {
            return Fail(Bus::E_NO_MASTER,
                        Bus::Format(Bus::kNoMaster, {owner, m_bus.pszProtocol,
                                                     m_reader.Text(spEntity.Get(), L"ancestor::component[2]/@name")}));
        }
        if (uncabled.empty() && !m_reader.Select(spEntity.Get(), L"port").empty()) {
            bool cabled = false;
            for (auto& spPort : m_reader.Select(spEntity.Get(), L"port")) {
                std::wstring portRef = XPathLiteral(owner + L":" + m_reader.Text(spPort.Get(), L"@name"));
                cabled = cabled || !m_reader.Select(spPort.Get(), CablesAt(portRef)).empty();
            }
            if (!cabled)
                uncabled = owner;
        }
    }
    if (!uncabled.empty())
        return Fail(Bus::I_UNCABLED, Bus::Format(Bus::kUncabled, {uncabled, m_bus.pszProtocol}));
    return {};
}
