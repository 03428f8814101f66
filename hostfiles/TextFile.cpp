// Reading text files in the encodings editors write.
#include "hostfiles/TextFile.h"
#include <windows.h>
#include <fstream>
#include <iterator>

namespace {

const wchar_t kExpected[] = L"save the file as UTF-8, or as UTF-16 with a byte-order mark";

// Length of the UTF-8 sequence that starts at i, or 0 when it is not one.
size_t SequenceLength(const std::string& s, size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

std::wstring Place(const std::string& s, size_t offset)
{
    size_t line = 1, column = 1;
    for (size_t i = 0; i < offset; i += SequenceLength(s, i) ? SequenceLength(s, i) : 1) {
        if (s[i] == '\n')
            ++line, column = 1;
        else
            ++column;
    }
    return L"line " + std::to_wstring(line) + L", column " + std::to_wstring(column);
}

std::wstring HexByte(char c)
{
    wchar_t hex[8];
    swprintf(hex, 8, L"0x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
    return hex;
}

bool DecodeUtf16(const std::string& bytes, bool bBigEndian, std::wstring& text, std::wstring& strReason)
{
    if (bytes.size() % 2) {
        strReason = L"the file has a UTF-16 byte-order mark but an odd number of bytes";
        return false;
    }
    text.resize(bytes.size() / 2 - 1);
    for (size_t i = 0; i < text.size(); ++i) {
        auto hi = static_cast<unsigned char>(bytes[2 + 2 * i + (bBigEndian ? 0 : 1)]);
        auto lo = static_cast<unsigned char>(bytes[2 + 2 * i + (bBigEndian ? 1 : 0)]);
        text[i] = static_cast<wchar_t>(hi << 8 | lo);
    }
    return true;
}

bool DecodeUtf8(const std::string& bytes, size_t start, std::wstring& text, std::wstring& strReason)
{
    for (size_t i = start; i < bytes.size();) {
        size_t n = bytes[i] ? SequenceLength(bytes, i) : 0;
        if (n == 0) {
            strReason = Place(bytes, i) + L": byte " + HexByte(bytes[i]) + L" is not UTF-8 text; " + kExpected;
            return false;
        }
        i += n;
    }
    text = FromUtf8(std::string_view(bytes).substr(start));
    return true;
}

} // namespace

std::string Utf8(std::wstring_view text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

std::wstring FromUtf8(std::string_view bytes)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

bool DecodeText(const std::string& bytes, std::wstring& text, std::wstring& strReason)
{
    auto starts = [&](const char* mark, size_t n) { return bytes.size() >= n && bytes.compare(0, n, mark, n) == 0; };
    if (starts("\xFF\xFE", 2))
        return DecodeUtf16(bytes, false, text, strReason);
    if (starts("\xFE\xFF", 2))
        return DecodeUtf16(bytes, true, text, strReason);
    // A zero byte is UTF-16 saved without its mark, which cannot be told from other encodings.
    if (bytes.find('\0') != std::string::npos) {
        strReason = Place(bytes, bytes.find('\0')) + L": a zero byte (UTF-16 without a byte-order mark?); " + kExpected;
        return false;
    }
    return DecodeUtf8(bytes, starts("\xEF\xBB\xBF", 3) ? 3 : 0, text, strReason);
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes, std::wstring& strReason)
{
    DWORD dwAttributes = GetFileAttributesW(path.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES) {
        strReason = L"no such file";
        return false;
    }
    if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        strReason = L"a folder, not a file";
        return false;
    }
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) {
        strReason = L"the file cannot be opened";
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

bool ReadTextFile(const std::wstring& path, std::wstring& text, std::wstring& strReason)
{
    std::string bytes;
    return ReadFileBytes(path, bytes, strReason) && DecodeText(bytes, text, strReason);
}
