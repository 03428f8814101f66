#pragma once
// An error database: the message class, symbolic name and text of each code an
// assistant returns. Kept as a text file, one code a line:
//     <code> <class 0..3> <SYMBOL> <text ...>
// "#" starts a comment; "name = ..." names the database.
#include <windows.h>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct ErrorEntry
{
    long lClass = 0;
    std::wstring strSymbol;
    std::wstring strText;
};

class CErrorDatabase
{
public:
    // Reads a file; false with strReason when it cannot be read or a line is bad.
    bool LoadFile(const std::wstring& path, std::wstring& strReason);
    bool Parse(std::wstring_view text, std::wstring& strReason);
    const ErrorEntry* Find(long lCode) const;
    // The code that carries a symbol; false when the database has none.
    bool FindSymbol(std::wstring_view symbol, long& lCode) const;
    const std::wstring& Name() const { return m_strName; }

private:
    std::wstring m_strName;
    std::map<long, ErrorEntry> m_mapEntries;
};

// The class the host gives a code that no database knows.
long DefaultMessageClass(long lCode);
// Where the registered databases are listed: value name = identifier, data = file.
inline constexpr wchar_t kErrorDatabasesKey[] = L"Software\\HostSim\\ErrorDatabases";
// The file registered for an identifier (HKLM first, then HKCU), or "".
std::wstring RegisteredErrorDatabaseFile(std::wstring_view id);
// The identifiers of every registered database (HKLM, then HKCU).
std::vector<std::wstring> RegisteredErrorDatabases();
