// The sample assistants judge edits of the example plant by their bus rules.
#include "hostsim/Plant.h"
#include "LayerLib2.h"
#include "samples/BusRules.h"

namespace {

const wchar_t g_szDP[] = L"Samples.ProfibusDP.1";
const wchar_t g_szPN[] = L"Samples.ProfinetIO.1";
const wchar_t g_szCAN[] = L"Samples.CANopen.1";

class BusRulesTest : public PlantTest
{
protected:
    // A sample assistant, started with InitEx on the plant unless protocol is null.
    ComPtr<IAssist3> Assistant(const wchar_t* progId, const wchar_t* protocol, HRESULT hrInit = S_OK)
    {
        CLSID clsid;
        ComPtr<IAssist3> spAssistant;
        EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spAssistant)), S_OK);
        if (!protocol)
            return spAssistant;
        ComPtr<IDispatch> spTopology;
        m_spProject.As(&spTopology);
        EXPECT_EQ(spAssistant->InitEx(spTopology.Get(), nullptr, CBstr(protocol)), hrInit);
        return spAssistant;
    }
};

// A verdict's code and message. (That a failing verdict names the bus's error
// database is met by every rejected edit of the bottling scenario.)
void ExpectVerdict(HRESULT hr, const CBstr& message, HRESULT hrExpected, const wchar_t* pszMessage)
{
    EXPECT_EQ(hr, hrExpected) << pszMessage;
    EXPECT_EQ(message.View(), pszMessage);
}

// The rules the bottling scenario does not reach (its full table is compared
// end to end; the rules are written once for every bus, so a rule it meets on
// one bus is met on all). The checks judge the example plant as loaded; only
// the last one changes it (Drive-2's address) before it judges the whole plant.
TEST_F(BusRulesTest, EachBusJudgesByItsOwnRules)
{
    CBstr message, db;
    auto spPN = Assistant(g_szPN, L"PROFINET IO");
    auto spP1 = ItemAs<ICharacteristic>(L"HMI-1", L"root//port[@name='P1']");
    auto spP2 = ItemAs<ICharacteristic>(L"HMI-1", L"root//port[@name='P2']");
    ExpectVerdict(spPN->CheckConnect(message.Out(), nullptr, spP1.Get(), spP2.Get(), db.Out()), message,
                  Bus::E_SAME_DEVICE, L"Ports 'P1' and 'P2' both belong to 'HMI-1'.");
    EXPECT_EQ(spPN->Term(), S_OK);
    auto spCAN = Assistant(g_szCAN, L"CANopen");
    const std::wstring address = std::wstring(g_szEntity) + L"/@address";
    auto spAddress = ItemAs<IPropertyData>(L"Drive-2", address.c_str());
    ExpectVerdict(spCAN->CheckPropertyChange(message.Out(), nullptr, spAddress.Get(), CVariant::String(L"0"), db.Out()),
                  message, Bus::E_ADDRESS_RANGE, L"Node-ID 0 of 'Drive-2' is outside 1..127.");
    ASSERT_EQ(m_spProject->SetValue(CBstr(L"Drive-2"), CBstr(address.c_str()), CBstr(L"10")), S_OK);
    ComPtr<ICharacteristic> spChar1, spChar2;
    ExpectVerdict(
        spCAN->CheckAll(message.Out(), ItemAs<IComponent>(L"Bottling line").Get(), &spChar1, &spChar2, db.Out()),
        message, Bus::E_ADDRESS_IN_USE,
        L"Node-ID 10 of 'Drive-2' is already used by 'Drive-1' on the bus of 'Gateway-1'.");
    EXPECT_EQ(spCAN->Term(), S_OK);
}

TEST_F(BusRulesTest, AnAssistantServesOnlyItsOwnBusAndOnlyOnceInitialised)
{
    Assistant(g_szDP, L"CANopen", E_INVALIDARG);
    auto spFresh = Assistant(g_szCAN, nullptr);
    CBstr message, db;
    EXPECT_EQ(spFresh->CheckDelete(message.Out(), nullptr, ItemAs<IComponent>(L"Drive-1").Get(), db.Out()),
              Bus::E_NOT_INITIALIZED);
    EXPECT_EQ(spFresh->CheckDelete(nullptr, nullptr, ItemAs<IComponent>(L"Drive-1").Get(), db.Out()), E_POINTER);
}

TEST(DeviceNames, FollowTheNamingRule)
{
    const struct
    {
        std::wstring name;
        const wchar_t* pszFault;
    } cases[] = {
        {L"camera-1", nullptr},           {L"line1.camera-1", nullptr},
        {L"", Bus::g_szNameEmpty},        {std::wstring(241, L'a'), Bus::g_szNameTooLong},
        {L"Camera", Bus::g_szNameChars},  {L"-cam", Bus::g_szNameLabels},
        {L"a..b", Bus::g_szNameLabels},   {std::wstring(64, L'a'), Bus::g_szNameLabels},
        {L"port-123", Bus::g_szNamePort}, {L"port-1234", nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeviceNameFault(c.name), c.pszFault) << c.name.c_str();
}

} // namespace
