// The sample assistants judge edits of the example plant by their bus rules.
#include "hostsim/Plant.h"
#include "LayerLib2.h"
#include "samples/BusRules.h"
#include <functional>

namespace {

const wchar_t g_szDP[] = L"Samples.ProfibusDP.1";
const wchar_t g_szPN[] = L"Samples.ProfinetIO.1";
const wchar_t g_szCAN[] = L"Samples.CANopen.1";

class BusRulesTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { RegisterSimulatorServers(); }
    void SetUp() override { ASSERT_EQ(LoadProject(ExampleFile(L"plant.xml"), m_spProject), S_OK); }

    ComPtr<IAssist3> Assistant(const wchar_t* progId, const wchar_t* protocol, HRESULT hrInit = S_OK)
    {
        CLSID clsid;
        ComPtr<IAssist3> spAssistant;
        EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spAssistant)), S_OK);
        ComPtr<IDispatch> spTopology;
        m_spProject.As(&spTopology);
        CBstr bstrProtocol(protocol);
        EXPECT_EQ(spAssistant->InitEx(spTopology.Get(), nullptr, bstrProtocol), hrInit);
        return spAssistant;
    }
    ComPtr<IComponent> C(const wchar_t* name) { return ItemAs<IComponent>(m_spProject.Get(), name); }
    ComPtr<ICharacteristic> P(const wchar_t* ref)
    {
        ComPtr<IDispatch> spDisp;
        ComPtr<ICharacteristic> spPort;
        CBstr bstrRef(ref);
        EXPECT_EQ(m_spProject->Port(bstrRef, &spDisp), S_OK) << ref;
        spDisp.As(&spPort);
        return spPort;
    }
    ComPtr<IPropertyData> Item(const wchar_t* component, const wchar_t* tail)
    {
        return ItemAs<IPropertyData>(m_spProject.Get(), component, (std::wstring(g_szEntity) + tail).c_str());
    }

    ComPtr<ISimProject> m_spProject;
};

using Call = std::function<HRESULT(IAssist3*, BSTR*, BSTR*)>;

struct Case
{
    const wchar_t* pszAssistant;
    const wchar_t* pszProtocol;
    Call call;
    HRESULT hr;
    const wchar_t* pszMessage;
};

// The rules the bottling scenario does not reach (its full table is compared
// end to end; the rules are written once for every bus, so a rule it meets on
// one bus is met on all). Each row judges the example plant as loaded; only
// the last one changes it (Drive-2's address) before it judges the whole plant.
TEST_F(BusRulesTest, EachBusJudgesByItsOwnRules)
{
    IComponent* const pNone = nullptr;
    auto connect = [&](const wchar_t* p1, const wchar_t* p2) {
        return Call([=, this](IAssist3* a, BSTR* m, BSTR* d) {
            return a->CheckConnect(m, pNone, P(p1).Get(), P(p2).Get(), d);
        });
    };
    auto set = [&](const wchar_t* component, const wchar_t* tail, const wchar_t* value) {
        return Call([=, this](IAssist3* a, BSTR* m, BSTR* d) {
            CVariant v = CVariant::String(value);
            return a->CheckPropertyChange(m, pNone, Item(component, tail).Get(), v, d);
        });
    };
    // The whole plant, after a change of Drive-2's address.
    auto all = [&](const wchar_t* address) {
        return Call([=, this](IAssist3* a, BSTR* m, BSTR* d) {
            EXPECT_EQ(m_spProject->SetValue(CBstr(L"Drive-2"), CBstr((std::wstring(g_szEntity) + L"/@address").c_str()),
                                            CBstr(address)),
                      S_OK);
            ComPtr<ICharacteristic> spChar1, spChar2;
            return a->CheckAll(m, C(L"Bottling line").Get(), &spChar1, &spChar2, d);
        });
    };
    const Case cases[] = {
        {g_szPN, L"PROFINET IO", connect(L"HMI-1:P1", L"HMI-1:P2"), Bus::E_SAME_DEVICE,
         L"Ports 'P1' and 'P2' both belong to 'HMI-1'."},
        {g_szCAN, L"CANopen", set(L"Drive-2", L"/@address", L"0"), Bus::E_ADDRESS_RANGE,
         L"Node-ID 0 of 'Drive-2' is outside 1..127."},
        {g_szCAN, L"CANopen", all(L"10"), Bus::E_ADDRESS_IN_USE,
         L"Node-ID 10 of 'Drive-2' is already used by 'Drive-1' on the bus of 'Gateway-1'."},
    };
    for (const auto& c : cases) {
        auto spAssistant = Assistant(c.pszAssistant, c.pszProtocol);
        CBstr message, db;
        EXPECT_EQ(c.call(spAssistant.Get(), message.Out(), db.Out()), c.hr) << c.pszMessage;
        EXPECT_EQ(message.View(), c.pszMessage);
        // A failing verdict names the bus's error database.
        EXPECT_FALSE(db.IsNull());
        EXPECT_EQ(spAssistant->Term(), S_OK);
    }
}

TEST_F(BusRulesTest, AnAssistantServesOnlyItsOwnBusAndOnlyOnceInitialised)
{
    Assistant(g_szDP, L"CANopen", E_INVALIDARG);
    CLSID clsid;
    ComPtr<IAssist2> spFresh;
    ASSERT_EQ(CLSIDFromProgID(g_szCAN, &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spFresh)), S_OK);
    CBstr message, db;
    EXPECT_EQ(spFresh->CheckDelete(message.Out(), nullptr, C(L"Drive-1").Get(), db.Out()), Bus::E_NOT_INITIALIZED);
    EXPECT_EQ(db.View(), L"{8E3B5C13-2A47-4F0D-9B61-5D2C7A90E341}");
    EXPECT_EQ(spFresh->CheckDelete(nullptr, nullptr, C(L"Drive-1").Get(), db.Out()), E_POINTER);
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
