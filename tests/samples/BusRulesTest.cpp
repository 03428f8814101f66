// The sample assistants' own guards and the device-name rule. Their bus rules
// are judged end to end, by zurhost's scenarios on the example plant.
#include "hostsim/Plant.h"
#include "LayerLib2.h"
#include "samples/BusRules.h"

namespace {

ComPtr<IAssist3> Create(const wchar_t* progId)
{
    CLSID clsid = GUID_NULL;
    ComPtr<IAssist3> spAssistant;
    EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spAssistant)), S_OK);
    return spAssistant;
}

using BusRulesTest = PlantTest;

TEST_F(BusRulesTest, AnAssistantServesOnlyItsOwnBusAndOnlyOnceInitialised)
{
    ComPtr<IAssist3> spDP = Create(L"Samples.ProfibusDP.1"), spFresh = Create(L"Samples.CANopen.1");
    ComPtr<IDispatch> spTopology;
    ASSERT_TRUE(spDP && spFresh && SUCCEEDED(m_spProject.As(&spTopology)));
    EXPECT_EQ(spDP->InitEx(spTopology.Get(), nullptr, CBstr(L"CANopen")), E_INVALIDARG);
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
        {L"camera-1", nullptr},        {L"line1.camera-1", nullptr},
        {L"", Bus::kNameEmpty},        {std::wstring(241, L'a'), Bus::kNameTooLong},
        {L"Camera", Bus::kNameChars},  {L"-cam", Bus::kNameLabels},
        {L"a..b", Bus::kNameLabels},   {std::wstring(64, L'a'), Bus::kNameLabels},
        {L"port-123", Bus::kNamePort}, {L"port-1234", nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeviceNameFault(c.name), c.pszFault) << c.name.c_str();
}

} // namespace
