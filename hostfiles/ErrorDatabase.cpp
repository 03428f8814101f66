// Parsing and lookup of error-database files.
#include "hostfiles/ErrorDatabase.h"
#include "hostfiles/TextFile.h"
#include <cwctype>
#include <memory>
#include <type_traits>

namespace {

std::wstring Trim(std::wstring_view text)
{
    size_t b = 0, e = text.size();
    while (b < e && iswspace(text[b]))
        ++b;
    while (e > b && iswspace(text[e - 1]))
        --e;
    return std::wstring(text.substr(b, e - b));
}

// Splits off the next blank-separated word.
std::wstring NextWord(std::wstring_view& rest)
{
    size_t b = 0;
    while (b < rest.size() && iswspace(rest[b]))
        ++b;
    size_t e = b;
    while (e < rest.size() && !iswspace(rest[e]))
        ++e;
    std::wstring word(rest.substr(b, e - b));
    rest.remove_prefix(e);
    return word;
}

bool ParseCode(const std::wstring& word, long& lCode)
{
    if (word.empty())
        return false;
    wchar_t* end = nullptr;
    unsigned long long value = 0;
    if (word.size() > 2 && word[0] == L'0' && (word[1] == L'x' || word[1] == L'X'))
        value = wcstoull(word.c_str() + 2, &end, 16);
    else if (word[0] == L'-')
        value = static_cast<unsigned long long>(wcstoll(word.c_str(), &end, 10));
    else
        value = wcstoull(word.c_str(), &end, 10);
    if (!end || *end)
        return false;
    lCode = static_cast<long>(static_cast<unsigned long>(value));
    return true;
}

} // namespace

bool CErrorDatabase::LoadFile(const std::wstring& path, std::wstring& strReason)
{
    std::wstring text;
    if (!ReadTextFile(path, text, strReason) || !Parse(text, strReason)) {
        strReason = path + L": " + strReason;
        return false;
    }
    return true;
}

bool CErrorDatabase::Parse(std::wstring_view text, std::wstring& strReason)
{
    std::map<long, ErrorEntry> entries;
    std::wstring name;
    size_t lineNo = 0;
    while (!text.empty()) {
        size_t nl = text.find(L'\n');
        std::wstring line = Trim(text.substr(0, nl));
        text.remove_prefix(nl == std::wstring_view::npos ? text.size() : nl + 1);
        ++lineNo;
        if (line.empty() || line[0] == L'#')
            continue;
        if (line.rfind(L"name", 0) == 0 && line.find(L'=') != std::wstring::npos) {
            name = Trim(std::wstring_view(line).substr(line.find(L'=') + 1));
            continue;
        }
        std::wstring_view rest(line);
        ErrorEntry entry;
        long lCode = 0;
        std::wstring codeWord = NextWord(rest);
        std::wstring classWord = NextWord(rest);
        entry.strSymbol = NextWord(rest);
        entry.strText = Trim(rest);
        if (!ParseCode(codeWord, lCode) || classWord.size() != 1 || classWord[0] < L'0' || classWord[0] > L'3' ||
            entry.strSymbol.empty()) {
            strReason = L"line " + std::to_wstring(lineNo) + L": expected \"<code> <class 0-3> <SYMBOL> <text>\"";
            return false;
        }
        entry.lClass = classWord[0] - L'0';
        entries[lCode] = std::move(entry);
    }
    m_mapEntries = std::move(entries);
    m_strName = std::move(name);
    return true;
}

const ErrorEntry* CErrorDatabase::Find(long lCode) const
{
    auto it = m_mapEntries.find(lCode);
    return it == m_mapEntries.end() ? nullptr : &it->second;
}

bool CErrorDatabase::FindSymbol(std::wstring_view symbol, long& lCode) const
{
    for (const auto& [lEntryCode, entry] : m_mapEntries)
        if (entry.strSymbol == symbol) {
            lCode = lEntryCode;
            return true;
        }
    return false;
}

long DefaultMessageClass(long lCode)
{
    return lCode == 0 ? 0 : (lCode < 0 ? 3 : 2);
}

std::wstring RegisteredErrorDatabaseFile(std::wstring_view id)
{
    std::wstring name(id);
    for (HKEY hRoot : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        wchar_t buffer[MAX_PATH * 2];
        DWORD cb = sizeof(buffer);
        if (RegGetValueW(hRoot, kErrorDatabasesKey, name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &cb) == ERROR_SUCCESS)
            return buffer;
    }
    return {};
}

std::vector<std::wstring> RegisteredErrorDatabases()
{
    std::vector<std::wstring> ids;
    for (HKEY hRoot : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY hKey = nullptr;
        if (RegOpenKeyExW(hRoot, kErrorDatabasesKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            continue;
        std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&RegCloseKey)> spKey(hKey, &RegCloseKey);
        wchar_t name[256];
        for (DWORD i = 0, cch = 256;
             RegEnumValueW(hKey, i, name, &cch, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i, cch = 256)
            ids.emplace_back(name);
    }
    return ids;
}
