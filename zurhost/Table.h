#pragma once
// A text table that fits a terminal: columns are measured in display cells
// (East Asian wide characters take two), and when the table is wider than
// the terminal the widest columns give way first, their cells wrapped at
// word boundaries.
#include <string>
#include <vector>

// Display cells a text takes in a terminal.
size_t DisplayWidth(std::wstring_view text);
// Breaks a text into lines of at most width cells, at blanks where it can.
std::vector<std::wstring> WrapText(std::wstring_view text, size_t width);

class CTable
{
public:
    explicit CTable(std::vector<std::wstring> header) : m_vecHeader(std::move(header)) {}
    // A row, and text printed below it across the table (empty: none).
    void AddRow(std::vector<std::wstring> cells, std::wstring detail = {});
    // The width the table takes without wrapping anything.
    size_t NaturalWidth() const;
    // The table in at most width cells a line (0: no limit).
    std::wstring Render(size_t width) const;

private:
    std::vector<size_t> FitColumns(size_t width) const;
    void RenderLine(const std::vector<std::wstring>& cells, const std::vector<size_t>& widths, std::wstring& out) const;

    std::vector<std::wstring> m_vecHeader;
    std::vector<std::vector<std::wstring>> m_vecRows;
    std::vector<std::wstring> m_vecDetails;
};
