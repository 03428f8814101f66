// Finding the first structural fault of an XML file and where it is.
#include "hostfiles/XmlCheck.h"
#include "hostfiles/TextFile.h"
#include <vector>

namespace {

// A fault at an offset of the text, raised inside the scan.
struct CXmlFault
{
    size_t offset;
    std::wstring text;
};

class CXmlScan
{
public:
    explicit CXmlScan(std::wstring text) : m_text(std::move(text)) {}
    void Run();
    std::wstring Place(size_t offset) const;

private:
    struct OpenTag
    {
        std::wstring name;
        size_t offset;
    };
    void Markup();
    void Skip(const wchar_t* pszEnd, const wchar_t* pszWhat);
    void StartTag();
    void EndTag();
    std::wstring Name(size_t from) const;
    [[noreturn]] void Fail(size_t offset, std::wstring text) const { throw CXmlFault{offset, std::move(text)}; }

    std::wstring m_text;
    size_t m_pos = 0;
    std::vector<OpenTag> m_stack;
    bool m_bRootSeen = false;
};

bool Starts(const std::wstring& text, size_t pos, const wchar_t* psz)
{
    return text.compare(pos, wcslen(psz), psz) == 0;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

void CXmlScan::Run()
{
    while (m_pos < m_text.size()) {
        size_t lt = m_text.find(L'<', m_pos);
        for (size_t i = m_pos; i < std::min(lt, m_text.size()); ++i)
            if (m_stack.empty() && !IsBlank(m_text[i]))
                Fail(i, m_bRootSeen ? L"text after the document element" : L"text before the document element");
        if (lt == std::wstring::npos)
            break;
        m_pos = lt;
        Markup();
    }
    if (!m_stack.empty())
        Fail(m_text.size(),
             L"the file ends inside <" + m_stack.back().name + L"> opened at " + Place(m_stack.back().offset));
    if (!m_bRootSeen)
        Fail(m_text.size(), L"no document element");
}

void CXmlScan::Markup()
{
    if (Starts(m_text, m_pos, L"<?"))
        Skip(L"?>", L"processing instruction");
    else if (Starts(m_text, m_pos, L"<!--"))
        Skip(L"-->", L"comment");
    else if (Starts(m_text, m_pos, L"<![CDATA[") && !m_stack.empty())
        Skip(L"]]>", L"CDATA section");
    else if (Starts(m_text, m_pos, L"<!DOCTYPE"))
        Fail(m_pos, L"a document type declaration (<!DOCTYPE>); project files take none");
    else if (Starts(m_text, m_pos, L"</"))
        EndTag();
    else
        StartTag();
}

void CXmlScan::Skip(const wchar_t* pszEnd, const wchar_t* pszWhat)
{
    size_t end = m_text.find(pszEnd, m_pos);
    if (end == std::wstring::npos)
        Fail(m_pos, std::wstring(L"an unclosed ") + pszWhat);
    m_pos = end + wcslen(pszEnd);
}

std::wstring CXmlScan::Name(size_t from) const
{
    size_t end = from;
    while (end < m_text.size() && !IsBlank(m_text[end]) && m_text[end] != L'>' && m_text[end] != L'/' &&
           m_text[end] != L'<')
        ++end;
    return m_text.substr(from, end - from);
}

void CXmlScan::StartTag()
{
    const size_t start = m_pos;
    std::wstring name = Name(start + 1);
    if (name.empty())
        Fail(start, L"a '<' that starts no tag");
    if (m_bRootSeen && m_stack.empty())
        Fail(start, L"a second document element <" + name + L">");
    size_t i = start + 1 + name.size();
    for (wchar_t quote = 0; i < m_text.size() && (quote || (m_text[i] != L'>' && m_text[i] != L'<')); ++i)
        quote = quote ? (m_text[i] == quote ? 0 : quote) : (m_text[i] == L'"' || m_text[i] == L'\'' ? m_text[i] : 0);
    if (i >= m_text.size() || m_text[i] != L'>')
        Fail(start, L"the start tag <" + name + L"> is not closed with '>'");
    m_pos = i + 1;
    m_bRootSeen = true;
    if (m_text[i - 1] == L'/')
        return;
    m_stack.push_back({name, start});
    if (m_stack.size() > kMaxXmlDepth)
        Fail(start, L"elements nest deeper than " + std::to_wstring(kMaxXmlDepth) + L" levels, the XML parser's limit");
}

void CXmlScan::EndTag()
{
    const size_t start = m_pos;
    std::wstring name = Name(start + 2);
    size_t close = m_text.find(L'>', start);
    if (close == std::wstring::npos)
        Fail(start, L"the end tag </" + name + L"> is not closed with '>'");
    if (m_stack.empty())
        Fail(start, L"the end tag </" + name + L"> closes nothing");
    if (m_stack.back().name != name)
        Fail(start, L"the end tag </" + name + L"> does not close <" + m_stack.back().name + L"> opened at " +
                        Place(m_stack.back().offset));
    m_stack.pop_back();
    m_pos = close + 1;
}

std::wstring CXmlScan::Place(size_t offset) const
{
    size_t line = 1, column = 1;
    for (size_t i = 0; i < offset && i < m_text.size(); ++i)
        m_text[i] == L'\n' ? (++line, column = 1) : ++column;
    return L"line " + std::to_wstring(line) + L", column " + std::to_wstring(column);
}

// UTF-16 is decoded; 8-bit encodings are looked at byte by byte, which is
// enough for the markup and keeps columns in bytes.
std::wstring Characters(const std::string& bytes)
{
    std::wstring text, reason;
    if (bytes.size() >= 2 && (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) &&
        DecodeText(bytes, text, reason))
        return text;
    const size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    text.reserve(bytes.size());
    for (char c : bytes.substr(start))
        text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return text;
}

} // namespace

bool CheckXmlText(const std::string& bytes, std::wstring& strReason)
{
    if (bytes.empty()) {
        strReason = L"the file is empty";
        return false;
    }
    CXmlScan scan(Characters(bytes));
    try {
        scan.Run();
        return true;
    } catch (const CXmlFault& fault) {
        strReason = scan.Place(fault.offset) + L": " + fault.text;
        return false;
    }
}
