#pragma once

#include <mutex>
#include <optional>
#include <string>

// The tool's terminal: the result goes to standard output, everything else
// (questions, the run's status lines, the progress bar) to standard error.
// The progress bar is drawn only when standard error is a terminal that can
// draw (cli::CanDraw: not with TERM=dumb); a line written meanwhile clears
// it first. Texts are written as UTF-8 with their
// control characters escaped (VisibleText), line breaks aside. A parallel
// update gives each module a console of its own that feeds a shared sink.
class CConsole {
public:
    // inputTerminal overrides what standard input is found to be (tests).
    explicit CConsole(std::optional<bool> inputTerminal = std::nullopt);
    virtual ~CConsole() = default;
    CConsole(const CConsole&) = delete;
    CConsole& operator=(const CConsole&) = delete;

    bool InputIsTerminal() const { return m_inputTerminal; }
    // Standard error is a terminal the tool may draw on (cli::CanDraw).
    bool ErrorIsTerminal() const { return m_errorTerminal; }

    // One line (a line break is added) to standard output / standard error.
    virtual void Out(const std::wstring& text);
    virtual void Err(const std::wstring& text);
    // Raw UTF-8 text to standard output, as it is (JSON, the help text).
    void OutRaw(const std::string& text);

    // Draws "[#####     ]  45.3% label" over the current line (terminal only).
    virtual void Progress(int position, const std::wstring& percent, const std::wstring& label);
    // Ends a drawn bar with a line break.
    virtual void EndProgress();

    // Asks on the terminal: the question, then " [y/N] "; true for y or yes.
    // Nothing when standard input ends or is no terminal.
    std::optional<bool> AskYesNo(const std::wstring& question);
    // Waits for the Enter key (terminal only).
    void WaitForEnter(const std::wstring& prompt);

private:
    void ClearBarLocked();

    std::mutex m_mutex;
    bool m_inputTerminal = false;
    bool m_errorTerminal = false;
    bool m_barShown = false;
};
