#pragma once

#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

// The one writer of a parallel update's output. Several runs report at once:
// every text goes out as whole lines under one lock, so no line is ever cut
// by another's. On a terminal each run also has a live row (port, serial,
// component, percent, state) that is redrawn in place below what was written.
class CLineSink {
public:
    struct Row {
        std::wstring port;   // "COM3"
        std::wstring serial; // empty until the module is connected
        int component = 0;   // "component n of m"; 0 while unknown
        int components = 0;
        std::wstring percent;
        std::wstring state;
    };

    // live: rows are drawn (standard error is a terminal).
    CLineSink(bool live, FILE* out = stdout, FILE* err = stderr);

    bool Live() const { return m_live; }

    // Writes every line of the text (split at line breaks) with the prefix in
    // front, control characters escaped; toError picks standard error.
    void Lines(bool toError, const std::wstring& prefix, const std::wstring& text);
    // UTF-8 text to standard output as it is (JSON, which escapes itself).
    void Raw(const std::string& text);

    // Rows, drawn only when live. Changes are drawn by the next Redraw.
    size_t AddRow(const std::wstring& port);
    void SetSerial(size_t row, const std::wstring& serial);
    void SetPercent(size_t row, const std::wstring& percent);
    // The state text; "component n of m" in it sets the row's component.
    void SetState(size_t row, const std::wstring& state);
    void Redraw();
    // Draws the rows a last time and leaves them where they are.
    void EndRows();

    // "COM3   00001234  component 2 of 4   45.3%  state" (tests see it too),
    // control characters escaped and a fresh board's serial "blank". Where
    // that is wider than columns, "COM3 2/4 45.3% state": the state stays,
    // cut at its end only when even that does not fit.
    static std::wstring RowText(const Row& row, size_t columns = 1000);

private:
    void WriteLocked(FILE* stream, const std::string& text);
    void EraseRowsLocked();
    void DrawRowsLocked();

    const bool m_live;
    FILE* const m_out;
    FILE* const m_err;
    std::mutex m_mutex;
    std::vector<Row> m_rows;
    size_t m_drawn = 0; // rows on the screen below the last line written
    bool m_changed = false;
    bool m_ended = false;
};
