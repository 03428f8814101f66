#pragma once
// The topology's two services: the data schema (type identifiers by element
// name) and the error-database service (message class and text of a code).
#include "com/ComObject.h"
#include "hostsim/SimDispatch.h"
#include "hostsim/ProjectModel.h"

class CSimSchema : public CComRootSingleThreaded, public CSimDispatch<NewZURLibrary, NewZUR::IDataSchema>
{
public:
    explicit CSimSchema(ProjectModelPtr spModel) : m_spModel(std::move(spModel)) {}

    BEGIN_INTERFACE_TABLE(CSimSchema)
    INTERFACE_ENTRY(NewZUR::IDataSchema)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::IDataSchema)
    END_INTERFACE_TABLE()

    // clang-format off
    SIM_RESERVED(7) SIM_RESERVED(8) SIM_RESERVED(9) SIM_RESERVED(10) SIM_RESERVED(11) SIM_RESERVED(12)
    SIM_RESERVED(13) SIM_RESERVED(14) SIM_RESERVED(15) SIM_RESERVED(16) SIM_RESERVED(17) SIM_RESERVED(18)
    SIM_RESERVED(19) SIM_RESERVED(20) SIM_RESERVED(21) SIM_RESERVED(22) SIM_RESERVED(23) SIM_RESERVED(24)
    SIM_RESERVED(25) SIM_RESERVED(26) SIM_RESERVED(27) SIM_RESERVED(28) SIM_RESERVED(29) SIM_RESERVED(30)
    SIM_RESERVED(31)
    // clang-format on
    STDMETHODIMP
    GetTypeId(BSTR bstrTypeName, long* plTypeId) override;

private:
    ProjectModelPtr m_spModel;
};

class CSimErrorService : public CComRootSingleThreaded,
                         public CSimDispatch<NewZURLibrary, NewZUR::IErrorDatabaseService>
{
public:
    explicit CSimErrorService(ProjectModelPtr spModel) : m_spModel(std::move(spModel)) {}

    BEGIN_INTERFACE_TABLE(CSimErrorService)
    INTERFACE_ENTRY(NewZUR::IErrorDatabaseService)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::IErrorDatabaseService)
    END_INTERFACE_TABLE()

    STDMETHODIMP Classify(long lCode, long* plClass, BSTR bstrMessage, BSTR bstrErrDB, BSTR* pbstrText) override;

private:
    ProjectModelPtr m_spModel;
};
