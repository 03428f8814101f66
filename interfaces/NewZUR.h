// C++ declarations of the host framework's object model, in the host's own
// namespace (the system headers have an IContext of their own). They match
// NewZUR.idl slot for slot; the Reserved methods hold the slots the layer
// does not call.
#pragma once
#include <windows.h>
#include <oaidl.h>

namespace NewZUR {
inline constexpr CLSID CLSID_DataQuery = {0x495C48D9, 0x161F, 0x4F85, {0x81, 0x20, 0x8F, 0x1B, 0xF2, 0xD0, 0xDC, 0x56}};
inline constexpr CLSID CLSID_Context = {0x170D013F, 0x9971, 0x4791, {0xA6, 0x49, 0x1C, 0x37, 0x07, 0xF9, 0x37, 0x7C}};
inline constexpr GUID LIBID_NewZUR = {0x0A91DBB6, 0xA432, 0x421E, {0x87, 0xC7, 0x3B, 0xE4, 0x36, 0x7E, 0xE9, 0x51}};

// An interface's identity is __uuidof(NewZUR::IComponent) and so on (declared at the end).
struct IComponent : public IDispatch
{};

struct IDataSchema : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved11() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved12() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved13() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved14() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved16() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved17() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved18() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved19() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved20() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved21() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved22() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved23() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved24() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved25() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved26() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved27() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved28() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved29() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved30() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved31() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeId(BSTR bstrTypeName, long* plTypeId) = 0;
};

struct IErrorDatabaseService : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE Classify(long lCode, long* plClass, BSTR bstrMessage, BSTR bstrErrDB,
                                               BSTR* pbstrText) = 0;
};

struct ITopology : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSchema(IDataSchema** ppSchema) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved11() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved12() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved13() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved14() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved16() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved17() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved18() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved19() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetErrorDatabaseService(IErrorDatabaseService** ppService) = 0;
    virtual HRESULT STDMETHODCALLTYPE FireControlEvent(long lEvent, long lParam1, long lParam2, VARIANT vArg1,
                                                       VARIANT vArg2, long lParam3) = 0;
};

struct IDataElement : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPathText(BSTR* pbstrPath) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOwningComponent(IComponent** ppComponent) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeId(long* plTypeId) = 0;
};

struct IPropertyData : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE GetValue(VARIANT* pvValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved11() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved12() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetParent(IDataElement** ppParent) = 0;
};

struct ICharacteristic : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSubItem(BSTR bstrName, IUnknown** ppItem) = 0;
};

struct IDataQueryResult : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Next(IDispatch** ppItem, long* plFound) = 0;
};

struct IDataQuery : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE Attach(ITopology* piTopology) = 0;
    virtual HRESULT STDMETHODCALLTYPE Select(IPropertyData* pContext, BSTR bstrPath, IDataQueryResult** ppResult) = 0;
};

struct IRegistryValue : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE GetData(VARIANT* pvData) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetName(BSTR* pbstrName) = 0;
};

struct IRegistryKey : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE GetCount(long* plCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItem(VARIANT vIndex, IRegistryValue** ppValue) = 0;
};

struct IContext : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved11() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved12() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved13() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved14() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved16() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved17() = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenKey(long lScope, BSTR bstrPath, IRegistryKey** ppKey) = 0;
};

} // namespace NewZUR

__CRT_UUID_DECL(NewZUR::IComponent, 0x062DB281, 0x566A, 0x43F2, 0x96, 0x5F, 0xFA, 0x81, 0x52, 0xE3, 0xF9, 0x5C)
__CRT_UUID_DECL(NewZUR::IDataSchema, 0x1AA3089B, 0x74A0, 0x4040, 0x96, 0x06, 0x33, 0x3B, 0x7E, 0x78, 0x08, 0xBF)
__CRT_UUID_DECL(NewZUR::IErrorDatabaseService, 0xA1493E42, 0x54ED, 0x48AA, 0xA9, 0xA1, 0xCD, 0xE3, 0xE8, 0xA8, 0x70,
                0x42)
__CRT_UUID_DECL(NewZUR::ITopology, 0x918C0684, 0xA36E, 0x4E34, 0xAD, 0x91, 0x16, 0x1B, 0x18, 0xD5, 0x02, 0xA1)
__CRT_UUID_DECL(NewZUR::IDataElement, 0x0B676CAF, 0x19D8, 0x4F7C, 0xB9, 0x50, 0x23, 0xAE, 0x9F, 0xA0, 0xB7, 0x7D)
__CRT_UUID_DECL(NewZUR::IPropertyData, 0xFC629464, 0x470E, 0x4AF9, 0x90, 0x7C, 0x17, 0xFF, 0x7E, 0xCE, 0xF7, 0x3E)
__CRT_UUID_DECL(NewZUR::ICharacteristic, 0xB273BD1E, 0xAE8D, 0x4DA0, 0x89, 0x99, 0xBF, 0x6B, 0xF1, 0xE8, 0x13, 0x47)
__CRT_UUID_DECL(NewZUR::IDataQueryResult, 0x0CA9B29E, 0xCFF2, 0x497B, 0xA6, 0x79, 0x0A, 0xD8, 0x45, 0x84, 0xCF, 0x50)
__CRT_UUID_DECL(NewZUR::IDataQuery, 0x14D00303, 0x2D74, 0x48DE, 0xA6, 0x41, 0xC4, 0x0B, 0x6C, 0x31, 0xF5, 0x54)
__CRT_UUID_DECL(NewZUR::IRegistryValue, 0xE55FD069, 0xD0BA, 0x4811, 0x8A, 0xB7, 0x27, 0xB5, 0xEB, 0x06, 0x62, 0xB8)
__CRT_UUID_DECL(NewZUR::IRegistryKey, 0xE0C82712, 0xF938, 0x4C79, 0xA1, 0xCD, 0xED, 0xC1, 0x7B, 0x6F, 0xF0, 0x73)
__CRT_UUID_DECL(NewZUR::IContext, 0x652FE92A, 0xEAE1, 0x4679, 0xA5, 0x15, 0xE8, 0x55, 0xD2, 0x01, 0x24, 0x6F)
