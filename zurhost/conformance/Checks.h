#pragma once
// The twelve checks as calls a conformance run makes: which check, with which
// components, ports or item, and how it is put to an assistant or the layer.
#include "com/Owners.h"
#include "interfaces/AssistChecks.h"
#include "zurhost/conformance/Plant.h"
#include <string>
#include <vector>

// An empty name stands for a null object.
struct CheckCall
{
    CheckId id;
    std::wstring strFirst, strSecond; // components or "component:port" references
    long bAsChild = 0;
    PlantItem item; // CheckPropertyChange: the item and the value asked about
};

// The strings start as a pointer no assistant can hand out, so one that is
// left unset shows. CheckAll's characteristics start null, as a host passes
// them: the layer reads them on entry and an assistant may replace them.
struct CheckOuts
{
    CheckOuts();
    CheckOuts(const CheckOuts&) = delete;
    CheckOuts& operator=(const CheckOuts&) = delete;
    static bool IsUnset(BSTR bstr);

    BSTR bstrMsg, bstrErrDB;
    ICharacteristic *pChar1, *pChar2;
    std::wstring strMsg, strErrDB; // the strings' texts, once taken and freed
};

// The call as a line of the report: "CheckDelete(root, "Valve-1")".
std::wstring Describe(const CheckCall& call);
// Every check on every component, port and item of the plant: the checks
// of one component on each, the placing checks on each pair (both ways of
// placing), the connection checks on each pair of ports.
std::vector<CheckCall> AllChecks(const CPlant& plant);

// A check ready to be put: the host's objects it names are looked up first,
// so a guarded, timed call covers the answer alone. Its arguments point into
// itself, so it stays where it was made.
class CPreparedCheck
{
public:
    CPreparedCheck(const CPlant& plant, const CheckCall& call);
    CPreparedCheck(const CPreparedCheck&) = delete;
    CPreparedCheck& operator=(const CPreparedCheck&) = delete;

    // Puts the check to an assistant or the layer.
    template <class Itf>
    HRESULT Ask(Itf* p)
    {
        return CallCheck(p, m_id, &outs.bstrMsg, m_args, &outs.bstrErrDB);
    }

    CheckOuts outs;

private:
    CheckId m_id;
    ComPtr<IComponent> m_spRoot, m_spFirst, m_spSecond;
    ComPtr<ICharacteristic> m_spPort1, m_spPort2;
    ComPtr<IPropertyData> m_spItem;
    CVariant m_value;
    CheckArgs m_args;
};
