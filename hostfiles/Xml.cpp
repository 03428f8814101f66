// Thin helpers over the parser's document object model.
#include "hostfiles/Xml.h"
#include "com/Owners.h"

HRESULT CreateXmlDocument(ComPtr<IXMLDOMDocument2>& spDoc) noexcept
{
    return ComBoundary([&] {
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &clsid);
        if (FAILED(hr))
            return hr;
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IXMLDOMDocument2),
                              reinterpret_cast<void**>(spDoc.ReleaseAndGetAddressOf()));
        if (FAILED(hr))
            return hr;
        spDoc->put_async(VARIANT_FALSE);
        spDoc->put_validateOnParse(VARIANT_FALSE);
        spDoc->put_resolveExternals(VARIANT_FALSE);
        spDoc->put_preserveWhiteSpace(VARIANT_FALSE);
        CBstr name(L"SelectionLanguage");
        CVariant value = CVariant::String(L"XPath");
        spDoc->setProperty(name, value);
        return S_OK;
    });
}

HRESULT LoadXmlFile(IXMLDOMDocument2* pDoc, std::wstring_view path, std::wstring& strReason)
{
    CVariant source = CVariant::String(path);
    VARIANT_BOOL bOk = VARIANT_FALSE;
    HRESULT hr = pDoc->load(source, &bOk);
    if (SUCCEEDED(hr) && bOk == VARIANT_TRUE)
        return S_OK;
    ComPtr<IXMLDOMParseError> spError;
    strReason.clear();
    if (SUCCEEDED(pDoc->get_parseError(&spError)) && spError) {
        CBstr reason;
        long lLine = 0, lColumn = 0;
        spError->get_reason(reason.Out());
        spError->get_line(&lLine);
        spError->get_linepos(&lColumn);
        strReason = reason.View();
        while (!strReason.empty() &&
               (strReason.back() == L'\n' || strReason.back() == L'\r' || strReason.back() == L' '))
            strReason.pop_back();
        if (lLine > 0)
            strReason += L" (line " + std::to_wstring(lLine) + L", column " + std::to_wstring(lColumn) + L")";
    }
    if (strReason.empty())
        strReason = L"the file cannot be read";
    return FAILED(hr) ? hr : E_FAIL;
}

HRESULT SelectNodes(IXMLDOMNode* pNode, std::wstring_view xpath, ComPtr<IXMLDOMNodeList>& spList)
{
    CBstr query(xpath);
    HRESULT hr = pNode->selectNodes(query, spList.ReleaseAndGetAddressOf());
    if (FAILED(hr) || !spList)
        return E_INVALIDARG;
    return S_OK;
}

ComPtr<IXMLDOMNode> SelectNode(IXMLDOMNode* pNode, std::wstring_view xpath)
{
    ComPtr<IXMLDOMNode> spFound;
    CBstr query(xpath);
    if (pNode->selectSingleNode(query, &spFound) != S_OK)
        spFound.Reset();
    return spFound;
}

std::wstring AttributeText(IXMLDOMNode* pNode, std::wstring_view name)
{
    ComPtr<IXMLDOMElement> spElement;
    if (!pNode || FAILED(pNode->QueryInterface(IID_PPV_ARGS(&spElement))))
        return {};
    CBstr attr(name);
    CVariant value;
    if (spElement->getAttribute(attr, value.Out()) != S_OK || value.vt != VT_BSTR)
        return {};
    return std::wstring(BstrView(value.bstrVal));
}

bool HasAttribute(IXMLDOMNode* pNode, std::wstring_view name)
{
    ComPtr<IXMLDOMElement> spElement;
    if (!pNode || FAILED(pNode->QueryInterface(IID_PPV_ARGS(&spElement))))
        return false;
    CBstr attr(name);
    CVariant value;
    return spElement->getAttribute(attr, value.Out()) == S_OK && value.vt == VT_BSTR;
}

void SetAttributeText(IXMLDOMNode* pNode, std::wstring_view name, std::wstring_view text)
{
    ComPtr<IXMLDOMElement> spElement;
    if (FAILED(pNode->QueryInterface(IID_PPV_ARGS(&spElement))))
        throw CComError(E_INVALIDARG);
    CBstr attr(name);
    CVariant value = CVariant::String(text);
    HRESULT hr = spElement->setAttribute(attr, value);
    if (FAILED(hr))
        throw CComError(hr);
}

std::wstring NodeName(IXMLDOMNode* pNode)
{
    CBstr name;
    pNode->get_nodeName(name.Out());
    return std::wstring(name.View());
}

std::wstring NodeText(IXMLDOMNode* pNode)
{
    CBstr text;
    pNode->get_text(text.Out());
    return std::wstring(text.View());
}

DOMNodeType NodeType(IXMLDOMNode* pNode)
{
    DOMNodeType type = NODE_INVALID;
    pNode->get_nodeType(&type);
    return type;
}

std::wstring XPathLiteral(std::wstring_view text)
{
    if (text.find(L'\'') == std::wstring_view::npos)
        return L"'" + std::wstring(text) + L"'";
    if (text.find(L'"') == std::wstring_view::npos)
        return L"\"" + std::wstring(text) + L"\"";
    // Both kinds: glue the pieces between single quotes together.
    std::wstring result = L"concat(";
    size_t start = 0;
    for (;;) {
        size_t quote = text.find(L'\'', start);
        std::wstring_view piece =
            text.substr(start, quote == std::wstring_view::npos ? std::wstring_view::npos : quote - start);
        result += L"'" + std::wstring(piece) + L"'";
        if (quote == std::wstring_view::npos)
            break;
        result += L",\"'\",";
        start = quote + 1;
    }
    return result + L")";
}
