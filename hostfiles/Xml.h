#pragma once
// The document object model of the XML parser, reached through COM by its
// ProgID, and the few helpers the simulator needs around it.
#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>
#include <string>
#include <string_view>

__CRT_UUID_DECL(IXMLDOMNode, 0x2933BF80, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMDocument, 0x2933BF81, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMNodeList, 0x2933BF82, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMElement, 0x2933BF86, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMDocument2, 0x2933BF95, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)

using Microsoft::WRL::ComPtr;

// A new, empty document that resolves no external entities and takes XPath.
HRESULT CreateXmlDocument(ComPtr<IXMLDOMDocument2>& spDoc) noexcept;
// Parses a file; on failure pbstrReason holds the parser's reason and position.
HRESULT LoadXmlFile(IXMLDOMDocument2* pDoc, std::wstring_view path, std::wstring& strReason);
// The nodes an XPath expression selects below a node; E_INVALIDARG for a bad expression.
HRESULT SelectNodes(IXMLDOMNode* pNode, std::wstring_view xpath, ComPtr<IXMLDOMNodeList>& spList);
// The first such node, or null.
ComPtr<IXMLDOMNode> SelectNode(IXMLDOMNode* pNode, std::wstring_view xpath);
// The attribute's text, or "" when the element has none.
std::wstring AttributeText(IXMLDOMNode* pNode, std::wstring_view name);
bool HasAttribute(IXMLDOMNode* pNode, std::wstring_view name);
void SetAttributeText(IXMLDOMNode* pNode, std::wstring_view name, std::wstring_view text);
std::wstring NodeName(IXMLDOMNode* pNode);
std::wstring NodeText(IXMLDOMNode* pNode);
DOMNodeType NodeType(IXMLDOMNode* pNode);
// An XPath string literal for any text (quotes of both kinds included).
std::wstring XPathLiteral(std::wstring_view text);
