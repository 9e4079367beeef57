#include "CsvReader.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

char SeparatorOfFirstRecord(std::string_view text)
{
    int commas = 0, semicolons = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n' || c == '\r') break;
        commas += c == ',';
        semicolons += c == ';';
    }
    return semicolons > commas ? ';' : ',';
}

class Parser {
public:
    Parser(std::string_view text, char separator) : m_text(text), m_separator(separator) {}

    std::vector<CsvRecord> Records()
    {
        std::vector<CsvRecord> records;
        while (m_pos < m_text.size()) {
            CsvRecord record{m_line, {}};
            ReadRecord(record.cells);
            const bool blank = record.cells.size() == 1 && record.cells.front().empty();
            if (!blank) records.push_back(std::move(record));
        }
        return records;
    }

private:
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return m_text[m_pos]; }

    // Consumes a line break (CR LF, LF or a lone CR) if one is next.
    bool TakeLineBreak()
    {
        if (AtEnd()) return false;
        if (Peek() == '\n') {
            ++m_pos;
        } else if (Peek() == '\r') {
            ++m_pos;
            if (!AtEnd() && Peek() == '\n') ++m_pos;
        } else {
            return false;
        }
        ++m_line;
        return true;
    }

    void ReadRecord(std::vector<std::string>& cells)
    {
        for (;;) {
            cells.push_back(!AtEnd() && Peek() == '"' ? QuotedCell() : PlainCell());
            if (AtEnd() || TakeLineBreak()) return;
            ++m_pos;  // the separator
        }
    }

    std::string PlainCell()
    {
        const std::size_t start = m_pos;
        while (!AtEnd() && Peek() != m_separator && Peek() != '\n' && Peek() != '\r') ++m_pos;
        return std::string(m_text.substr(start, m_pos - start));
    }

    std::string QuotedCell()
    {
        const int opened = m_line;
        ++m_pos;
        std::string cell;
        for (;;) {
            if (AtEnd()) throw CsvSyntaxError(opened, "a quoted cell is never closed");
            const char c = Peek();
            if (c == '"') {
                ++m_pos;
                if (!AtEnd() && Peek() == '"') {
                    cell += '"';
                    ++m_pos;
                    continue;
                }
                break;
            }
            // Line breaks inside quotes belong to the cell as they stand, but still count as lines.
            if (c == '\n' || (c == '\r' && (m_pos + 1 >= m_text.size() || m_text[m_pos + 1] != '\n'))) ++m_line;
            cell += c;
            ++m_pos;
        }
        if (!AtEnd() && Peek() != m_separator && Peek() != '\n' && Peek() != '\r')
            throw CsvSyntaxError(m_line, "text follows the closing quote of a cell");
        return cell;
    }

    std::string_view m_text;
    char m_separator;
    std::size_t m_pos = 0;
    int m_line = 1;
};

}  // namespace

CsvTable ReadCsv(std::string_view text)
{
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    CsvTable table;
    table.separator = SeparatorOfFirstRecord(text);
    table.records = Parser(text, table.separator).Records();
    return table;
}
