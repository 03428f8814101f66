#pragma once
// The simulated host's project: a plant loaded from a project file. It is the
// topology the layer is initialised with (schema, error-database service,
// control events) and the scripting surface of the simulated host.
#include "HostSim.h"
#include "com/ComObject.h"
#include "hostsim/SimDispatch.h"
#include "hostsim/ProjectModel.h"

class CSimProject : public CComRootSingleThreaded,
                    public CSimDispatch<HostSimLibrary, ISimProject, NewZUR::ITopology>,
                    public ISupportErrorInfo
{
public:
    BEGIN_INTERFACE_TABLE(CSimProject)
    INTERFACE_ENTRY(ISimProject)
    INTERFACE_ENTRY_IID(IID_IDispatch, ISimProject)
    INTERFACE_ENTRY(NewZUR::ITopology)
    INTERFACE_ENTRY(ISupportErrorInfo)
    END_INTERFACE_TABLE()

    // ISimProject
    STDMETHODIMP Load(BSTR bstrPath) override;
    STDMETHODIMP get_Name(BSTR* pbstrName) override;
    STDMETHODIMP get_RootComponent(IDispatch** ppComponent) override;
    STDMETHODIMP Component(BSTR bstrName, IDispatch** ppComponent) override;
    STDMETHODIMP Port(BSTR bstrPort, IDispatch** ppPort) override;
    STDMETHODIMP Item(BSTR bstrComponent, BSTR bstrPath, IDispatch** ppItem) override;
    STDMETHODIMP Insert(BSTR bstrPalette, BSTR bstrNewName, BSTR bstrDest, long bAsChild) override;
    STDMETHODIMP Move(BSTR bstrName, BSTR bstrDest, long bAsChild) override;
    STDMETHODIMP Replace(BSTR bstrName, BSTR bstrPalette) override;
    STDMETHODIMP Delete(BSTR bstrName) override;
    STDMETHODIMP Connect(BSTR bstrPort1, BSTR bstrPort2) override;
    STDMETHODIMP Disconnect(BSTR bstrPort1, BSTR bstrPort2) override;
    STDMETHODIMP SetValue(BSTR bstrComponent, BSTR bstrPath, BSTR bstrValue) override;
    STDMETHODIMP get_EventCount(long* plCount) override;
    STDMETHODIMP EventText(long lIndex, BSTR* pbstrText) override;
    STDMETHODIMP ClearEvents() override;
    STDMETHODIMP ErrorText(long lCode, BSTR bstrErrDB, BSTR* pbstrText) override;
    STDMETHODIMP ErrorClass(long lCode, BSTR bstrErrDB, long* plClass) override;
    STDMETHODIMP ErrorSymbol(long lCode, BSTR bstrErrDB, BSTR* pbstrSymbol) override;
    STDMETHODIMP get_Tree(BSTR* pbstrTree) override;
    STDMETHODIMP Protocols(BSTR* pbstrProtocols) override;
    STDMETHODIMP ErrorCode(BSTR bstrSymbol, long* plCode) override;
    STDMETHODIMP ErrorDatabaseName(BSTR bstrErrDB, BSTR* pbstrName) override;
    STDMETHODIMP get_LiveObjects(long* plCount) override;

    // ITopology
    // clang-format off
    SIM_RESERVED(7) SIM_RESERVED(8) SIM_RESERVED(10) SIM_RESERVED(11) SIM_RESERVED(12) SIM_RESERVED(13)
    SIM_RESERVED(14) SIM_RESERVED(15) SIM_RESERVED(16) SIM_RESERVED(17) SIM_RESERVED(18) SIM_RESERVED(19)
    // clang-format on
    STDMETHODIMP
    GetSchema(NewZUR::IDataSchema** ppSchema) override;
    STDMETHODIMP GetErrorDatabaseService(NewZUR::IErrorDatabaseService** ppService) override;
    STDMETHODIMP FireControlEvent(long lEvent, long lParam1, long lParam2, VARIANT vArg1, VARIANT vArg2,
                                  long lParam3) override;

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

private:
    // Runs f with a loaded project; a CSimFault becomes the HRESULT and the error text.
    template <class F>
    HRESULT Run(F&& f) noexcept;
    ProjectModelPtr m_spModel = std::make_shared<CProjectModel>();
};
