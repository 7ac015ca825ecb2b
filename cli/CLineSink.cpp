#include "cli/CLineSink.h"

#include "cli/TerminalText.h"
#include "descriptions/XmlText.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cwchar>

namespace {

// "component 2 of 4" anywhere in a status text ("Updating component 2 of 4 ...",
// "Component 2 of 4 updated successfully.").
bool FindComponent(const std::wstring& text, int& component, int& components) {
    for (size_t at = text.find(L"omponent "); at != std::wstring::npos;
         at = text.find(L"omponent ", at + 1)) {
        const wchar_t* p = text.c_str() + at + 9;
        wchar_t* end = nullptr;
        const long n = std::wcstol(p, &end, 10);
        if (end == p || std::wcsncmp(end, L" of ", 4) != 0)
            continue;
        p = end + 4;
        const long m = std::wcstol(p, &end, 10);
        if (end == p || n < 1 || m < n || m > 999)
            continue;
        component = static_cast<int>(n);
        components = static_cast<int>(m);
        return true;
    }
    return false;
}

std::wstring Pad(std::wstring text, size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), L' ');
    return text;
}

// A row longer than the terminal would wrap and throw the redraw off by a line.
size_t TerminalColumns(FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col - 1U;
    return 79;
}

} // namespace

CLineSink::CLineSink(bool live, FILE* out, FILE* err) : m_live(live), m_out(out), m_err(err) {}

void CLineSink::WriteLocked(FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

void CLineSink::Lines(bool toError, const std::wstring& prefix, const std::wstring& text) {
    std::string lines;
    size_t start = 0;
    do {
        const size_t end = text.find(L'\n', start);
        const std::wstring line = text.substr(start, end - start);
        // An empty line gets no trailing blank after "COM3:".
        lines += WideToUtf8(line.empty() ? prefix.substr(0, prefix.find_last_not_of(L' ') + 1)
                                         : prefix + cli::VisibleText(line)) +
                 "\n";
        start = end == std::wstring::npos ? end : end + 1;
    } while (start != std::wstring::npos && start < text.size());
    std::lock_guard lock(m_mutex);
    EraseRowsLocked();
    WriteLocked(toError ? m_err : m_out, lines);
    DrawRowsLocked();
}

void CLineSink::Raw(const std::string& text) {
    std::lock_guard lock(m_mutex);
    EraseRowsLocked();
    WriteLocked(m_out, text);
    DrawRowsLocked();
}

size_t CLineSink::AddRow(const std::wstring& port) {
    std::lock_guard lock(m_mutex);
    m_rows.emplace_back();
    m_rows.back().port = port;
    m_changed = true;
    return m_rows.size() - 1;
}

void CLineSink::SetSerial(size_t row, const std::wstring& serial) {
    std::lock_guard lock(m_mutex);
    if (row < m_rows.size() && m_rows[row].serial != serial) {
        m_rows[row].serial = serial;
        m_changed = true;
    }
}

void CLineSink::SetPercent(size_t row, const std::wstring& percent) {
    std::lock_guard lock(m_mutex);
    if (row < m_rows.size() && m_rows[row].percent != percent) {
        m_rows[row].percent = percent;
        m_changed = true;
    }
}

void CLineSink::SetState(size_t row, const std::wstring& state) {
    std::lock_guard lock(m_mutex);
    if (row >= m_rows.size())
        return;
    Row& r = m_rows[row];
    FindComponent(state, r.component, r.components);
    // A text of several lines goes on one row: its lines joined.
    r.state.clear();
    size_t start = 0;
    while (start < state.size()) {
        size_t end = state.find(L'\n', start);
        if (end == std::wstring::npos)
            end = state.size();
        if (end > start)
            r.state += (r.state.empty() ? L"" : L" ") + state.substr(start, end - start);
        start = end + 1;
    }
    m_changed = true;
}

std::wstring CLineSink::RowText(const Row& row, size_t columns) {
    const std::wstring percent = row.percent.empty() ? L"-" : row.percent;
    std::wstring component = L"-";
    if (row.components > 0)
        component = L"component " + std::to_wstring(row.component) + L" of " +
                    std::to_wstring(row.components);
    std::wstring line = cli::VisibleText(
        Pad(row.port, 7) + Pad(row.serial.empty() ? L"-" : cli::SerialText(row.serial), 10) +
        Pad(component, 20) + Pad(percent, 8) + row.state);
    if (line.size() <= columns)
        return line;
    // Narrow: the serial goes, the component shrinks, the state stays.
    component = row.components > 0
                    ? std::to_wstring(row.component) + L"/" + std::to_wstring(row.components)
                    : L"-";
    line = cli::VisibleText(row.port + L" " + component + L" " + percent + L" " + row.state);
    if (line.size() > columns)
        line.resize(columns);
    return line;
}

void CLineSink::EraseRowsLocked() {
    if (!m_live || m_drawn == 0)
        return;
    // Up to the first row, then clear to the end of the screen.
    WriteLocked(m_err, "\033[" + std::to_string(m_drawn) + "A\r\033[J");
    m_drawn = 0;
}

void CLineSink::DrawRowsLocked() {
    if (!m_live || m_ended)
        return;
    const size_t columns = TerminalColumns(m_err);
    std::string text;
    for (const Row& row : m_rows)
        text += "\r\033[K" + WideToUtf8(RowText(row, columns)) + "\n";
    WriteLocked(m_err, text);
    m_drawn = m_rows.size();
    m_changed = false;
}

void CLineSink::Redraw() {
    std::lock_guard lock(m_mutex);
    if (!m_live || m_ended || !m_changed)
        return;
    // Drawn over the rows in place: no clearing first, so nothing flickers.
    if (m_drawn > 0)
        WriteLocked(m_err, "\033[" + std::to_string(m_drawn) + "A");
    DrawRowsLocked();
}

void CLineSink::EndRows() {
    std::lock_guard lock(m_mutex);
    if (!m_live || m_ended)
        return;
    if (m_drawn > 0)
        WriteLocked(m_err, "\033[" + std::to_string(m_drawn) + "A");
    DrawRowsLocked();
    m_drawn = 0; // what follows goes below them
    m_ended = true;
}
