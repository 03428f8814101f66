#pragma once
// Puts each edit of a scenario to the layer, as the host would before doing
// it, and performs the edits the layer accepts on the simulated project.
#include "HostSim.h"
#include "LayerLib2.h"
#include "zurhost/Scenario.h"
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

struct Row
{
    Edit edit;
    bool bAsked = false; // false: the edit named something the project lacks
    HRESULT hr = S_OK;
    std::wstring strSymbol;
    std::wstring strBus;
    std::wstring strMessage;
    std::wstring strErrDB;
    std::wstring strErrDBName;
    std::wstring strNote; // why it was not asked or not applied
    bool bExpectationMet = true;
    std::vector<std::wstring> trace; // the control events the edit caused
};

class CRunner
{
public:
    CRunner(ComPtr<ISimProject> spProject, ComPtr<IAssistLayer2> spLayer)
        : m_spProject(std::move(spProject)), m_spLayer(std::move(spLayer))
    {}
    Row Run(const Edit& edit);
    // The control events the host received since the last call.
    std::vector<std::wstring> NewEvents();

private:
    HRESULT Ask(const Edit& edit, BSTR* pbstrMsg, BSTR* pbstrErrDB);
    HRESULT Apply(const Edit& edit);
    void Describe(Row& row);

    ComPtr<ISimProject> m_spProject;
    ComPtr<IAssistLayer2> m_spLayer;
    long m_lEventsSeen = 0;
};

// The text of the last failure an object reported, or "".
std::wstring LastErrorText();
