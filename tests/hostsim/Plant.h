#pragma once
// The simulated plant for tests: the simulator's and the samples' servers
// registered from the test program's folder, the example and scratch projects.
#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>
#include <string>
#include "HostSim.h"
#include "com/Owners.h"
#include "interfaces/NewZUR.h"
#include "support/TestEnvironment.h"

using Microsoft::WRL::ComPtr;

inline void RegisterSimulatorServers()
{
    for (const wchar_t* dll : {L"HostSim.dll", L"Samples.dll"}) {
        HMODULE hModule = LoadLibraryW((BinaryDirectory() + dll).c_str());
        ASSERT_NE(hModule, nullptr) << dll;
        const EntryPoint pfnRegister = ModuleExport<EntryPoint>(hModule, "DllRegisterServer");
        ASSERT_NE(pfnRegister, nullptr) << dll << " exports no DllRegisterServer";
        ASSERT_EQ(pfnRegister(), S_OK) << dll;
    }
}

// Cases on the example plant as loaded; the servers are registered once a suite.
class PlantTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { RegisterSimulatorServers(); }
    void SetUp() override
    {
        ASSERT_EQ(CoCreateInstance(CLSID_Project, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&m_spProject)), S_OK);
        ASSERT_EQ(m_spProject->Load(CBstr(BinaryDirectory() + L"examples\\plant.xml")), S_OK);
    }

    // A component (path null) or one of its data items, as Itf.
    template <class Itf>
    ComPtr<Itf> ItemAs(const wchar_t* component, const wchar_t* path = nullptr)
    {
        ComPtr<IDispatch> spDisp;
        ComPtr<Itf> spItf;
        HRESULT hr = path ? m_spProject->Item(CBstr(component), CBstr(path), &spDisp)
                          : m_spProject->Component(CBstr(component), &spDisp);
        EXPECT_EQ(hr, S_OK) << component << " " << (path ? path : L"");
        if (spDisp)
            spDisp.As(&spItf);
        return spItf;
    }

    ComPtr<ISimProject> m_spProject;
};
