// Laying a table out in a terminal's width.
#include "zurhost/Table.h"
#include <algorithm>

namespace {

const size_t kGap = 2;
const size_t kDetailIndent = 6; // past the wrapped edit, which starts at 4

bool IsWide(unsigned long c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

bool IsZeroWidth(unsigned long c)
{
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || c == 0xFE0F;
}

// One character (a surrogate pair counts as one) and its cells; advances i.
size_t NextCells(std::wstring_view text, size_t& i)
{
    unsigned long c = text[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
    return IsZeroWidth(c) ? 0 : IsWide(c) ? 2 : 1;
}

// The longest head of text that fits in width cells (at least one character).
size_t FittingLength(std::wstring_view text, size_t width)
{
    size_t i = 0, cells = 0;
    while (i < text.size()) {
        size_t next = i, n = NextCells(text, next);
        if (cells + n > width && i > 0)
            break;
        cells += n;
        i = next;
    }
    return i;
}

std::wstring Padded(const std::wstring& text, size_t width)
{
    size_t cells = DisplayWidth(text);
    return text + std::wstring(width > cells ? width - cells : 0, L' ');
}

} // namespace

size_t DisplayWidth(std::wstring_view text)
{
    size_t cells = 0;
    for (size_t i = 0; i < text.size();)
        cells += NextCells(text, i);
    return cells;
}

std::vector<std::wstring> WrapText(std::wstring_view text, size_t width)
{
    std::vector<std::wstring> lines;
    while (!text.empty()) {
        if (DisplayWidth(text) <= width) {
            lines.emplace_back(text);
            break;
        }
        size_t fit = FittingLength(text, width);
        // Break at the last blank that leaves the line within the width.
        size_t blank = text.substr(0, fit + 1).find_last_of(L' ');
        size_t end = blank != std::wstring_view::npos && blank > 0 ? blank : fit;
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end);
        while (!text.empty() && text[0] == L' ')
            text.remove_prefix(1);
    }
    if (lines.empty())
        lines.emplace_back();
    return lines;
}

void CTable::AddRow(std::vector<std::wstring> cells, std::wstring detail)
{
    m_vecRows.push_back(std::move(cells));
    m_vecDetails.push_back(std::move(detail));
}

size_t CTable::NaturalWidth() const
{
    size_t total = 0;
    for (size_t w : FitColumns(0))
        total += w + kGap;
    size_t detail = 0;
    for (const auto& text : m_vecDetails)
        detail = std::max(detail, text.empty() ? 0 : DisplayWidth(text) + kDetailIndent);
    return std::max(total - kGap, detail);
}

// Natural widths; when they exceed the width, the widest column gives up a
// cell at a time, so long columns end up equal and short ones stay whole.
std::vector<size_t> CTable::FitColumns(size_t width) const
{
    std::vector<size_t> widths(m_vecHeader.size());
    for (size_t c = 0; c < widths.size(); ++c) {
        widths[c] = DisplayWidth(m_vecHeader[c]);
        for (const auto& row : m_vecRows)
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }
    if (width == 0)
        return widths;
    size_t total = kGap * (widths.size() - 1);
    for (size_t w : widths)
        total += w;
    while (total > width) {
        auto widest = std::max_element(widths.begin(), widths.end());
        if (*widest <= 1)
            break;
        --*widest;
        --total;
    }
    return widths;
}

void CTable::RenderLine(const std::vector<std::wstring>& cells, const std::vector<size_t>& widths,
                        std::wstring& out) const
{
    std::vector<std::vector<std::wstring>> wrapped;
    size_t height = 0;
    for (size_t c = 0; c < cells.size(); ++c) {
        wrapped.push_back(WrapText(cells[c], widths[c]));
        height = std::max(height, wrapped.back().size());
    }
    for (size_t l = 0; l < height; ++l) {
        std::wstring line;
        for (size_t c = 0; c < cells.size(); ++c) {
            const std::wstring piece = l < wrapped[c].size() ? wrapped[c][l] : L"";
            line += c + 1 < cells.size() ? Padded(piece, widths[c] + kGap) : piece;
        }
        while (!line.empty() && line.back() == L' ')
            line.pop_back();
        out += line + L"\n";
    }
}

std::wstring CTable::Render(size_t width) const
{
    std::vector<size_t> widths = FitColumns(width);
    std::wstring out;
    RenderLine(m_vecHeader, widths, out);
    std::vector<std::wstring> rule;
    rule.reserve(widths.size());
    for (size_t w : widths)
        rule.emplace_back(w, L'-');
    RenderLine(rule, widths, out);
    const size_t cchDetail = width > kDetailIndent ? width - kDetailIndent : 0;
    for (size_t r = 0; r < m_vecRows.size(); ++r) {
        RenderLine(m_vecRows[r], widths, out);
        if (m_vecDetails[r].empty())
            continue;
        for (const auto& line : cchDetail ? WrapText(m_vecDetails[r], cchDetail) : std::vector{m_vecDetails[r]})
            out += std::wstring(kDetailIndent, L' ') + line + L"\n";
    }
    return out;
}
