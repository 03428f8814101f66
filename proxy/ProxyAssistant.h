#pragma once
// CProxyAssistant: an assistant that stands for the assistants of one
// protocol, named by InitEx, and forwards every check to them.
#include <windows.h>
#include <oaidl.h>
#include <memory>
#include <string>
#include "LayerLib2.h"
#include "common/AssistCommon.h"
#include "interfaces/AssistChecks.h"
#include "com/ComObject.h"
#include "interfaces/LayerDispatch.h"

class CProxyAssistant : public CComRootMultiThreaded,
                        public CDispatchImpl<IAssist3>,
                        public ISupportErrorInfo,
                        public CAssistCommon
{
public:
    BEGIN_INTERFACE_TABLE(CProxyAssistant)
    INTERFACE_ENTRY(IAssist3)
    INTERFACE_ENTRY_IID(IID_IAssist2, IAssist3)
    INTERFACE_ENTRY_IID(IID_IDispatch, IAssist3)
    INTERFACE_ENTRY(ISupportErrorInfo)
    END_INTERFACE_TABLE()

    HRESULT FinalConstruct();

    // IAssist2
    STDMETHODIMP Init(IDispatch* pdispTopology, IDispatch* pdispLayer) override;
    STDMETHODIMP Term() override;
    STDMETHODIMP NewProjectCreated() override;
    // The checks: each forwarded to every assistant of the catalogue.
    STDMETHODIMP CheckNewDevice(BSTR*, IComponent*, BSTR*) override;
    STDMETHODIMP CheckAll(BSTR*, IComponent*, ICharacteristic**, ICharacteristic**, BSTR*) override;
    STDMETHODIMP CheckPropertyChange(BSTR*, IComponent*, IPropertyData*, VARIANT, BSTR*) override;
    STDMETHODIMP CheckInsertDrag(BSTR*, IComponent*, IComponent*, IComponent*, LONG, BSTR*) override;
    STDMETHODIMP CheckInsertDrop(BSTR*, IComponent*, IComponent*, IComponent*, LONG, BSTR*) override;
    STDMETHODIMP CheckMoveDrag(BSTR*, IComponent*, IComponent*, IComponent*, LONG, BSTR*) override;
    STDMETHODIMP CheckMoveDrop(BSTR*, IComponent*, IComponent*, IComponent*, LONG, BSTR*) override;
    STDMETHODIMP CheckReplaceDrag(BSTR*, IComponent*, IComponent*, IComponent*, BSTR*) override;
    STDMETHODIMP CheckReplaceDrop(BSTR*, IComponent*, IComponent*, IComponent*, BSTR*) override;
    STDMETHODIMP CheckConnect(BSTR*, IComponent*, ICharacteristic*, ICharacteristic*, BSTR*) override;
    STDMETHODIMP CheckDisconnect(BSTR*, IComponent*, ICharacteristic*, ICharacteristic*, BSTR*) override;
    STDMETHODIMP CheckDelete(BSTR*, IComponent*, IComponent*, BSTR*) override;

    // IAssist3
    STDMETHODIMP InitEx(IDispatch* pdispTopology, IDispatch* pdispLayer, BSTR bstrProtocol) override;

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

protected:
    std::wstring m_strProtocol;

private:
    // The catalogue as the checks walk it, made again whenever InitEx loads
    // one. A running check holds it, so an assistant that calls back into the
    // proxy cannot pull it from under the walk; a check copies nothing of it.
    std::shared_ptr<const CatalogueSnapshot> m_spCatalogue;

    // Every check: the catalogue's assistants asked in turn, up to the first failure.
    HRESULT RunCheck(CheckId id, const CheckArgs& args, BSTR* pbstrErrMsg, BSTR* pbstrErrDB) noexcept;
};
