#pragma once
// A layer on a scripted host, with scripted assistants added by hand, and a
// table of its twelve checks that calls any of them with one argument set.
#include <stdexcept>
#include <string>
#include <vector>
#include "LayerLib2.h"
#include "common/Bstr.h"
#include "support/DoublesTest.h"

// Every argument any check takes; each check passes on the ones it has.
struct CheckArgs
{
    IComponent* piRoot = nullptr;
    IComponent* piComp = nullptr;    // piComponent3, piCompIns, piCompMove, piCompPalett, piComp
    IComponent* piOther = nullptr;   // piCompDest, piCompReplace
    LONG bAsChild = 0;
    ICharacteristic* piChar1 = nullptr;
    ICharacteristic* piChar2 = nullptr;
    IPropertyData* pData = nullptr;
    VARIANT vValue{};
    ICharacteristic** ppCharErr1 = nullptr;
    ICharacteristic** ppCharErr2 = nullptr;
};

struct CheckKind
{
    const wchar_t* name;
    int nSlot;
    HRESULT (*pfnCall)(IAssistLayer2* pLayer, BSTR* pbstrErrMsg, const CheckArgs& args, BSTR* UUIDOfErrorDB);
};
// The twelve, the nine component checks first (CheckAll second).
extern const CheckKind kChecks[12];
inline const CheckKind& Check(const wchar_t* name)
{
    for (const CheckKind& kind : kChecks)
        if (std::wstring(kind.name) == name)
            return kind;
    throw std::invalid_argument("no such check");
}

class ChecksTest : public DoublesTest
{
protected:
    void TearDown() override;

    // A new layer with this debug option (2: normal work), initialised on the host.
    void MakeLayer(long lDebug = 2, bool bInit = true);
    // An assistant for the protocol, added to the layer with error database "db<protocol>".
    CAssistantState& AddAssistant(std::wstring_view protocol);
    // A component with one communication entity per protocol, in this order.
    CNodeDouble& Component(std::wstring_view name, std::initializer_list<const wchar_t*> protocols);
    // Runs a check into m_bstrMsg and m_bstrDB, with the host's traces cleared first.
    HRESULT Run(const CheckKind& kind, const CheckArgs& args);
    std::wstring BusName();
    std::vector<std::wstring> Traces() { return Host().topology.EventTexts(); }

    Microsoft::WRL::ComPtr<IAssistLayer2> m_spLayer;
    std::vector<std::shared_ptr<CAssistantState>> m_vecAssistants;
    CBstr m_bstrMsg;
    CBstr m_bstrDB;
};

// The text of a string the layer handed out, or "<null>".
std::wstring Text(const CBstr& bstr);
