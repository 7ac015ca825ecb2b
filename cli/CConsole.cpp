#include "cli/CConsole.h"

#include <cstdlib>

#include "cli/TerminalText.h"
#include "descriptions/XmlText.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>

namespace {

constexpr int kBarWidth = 30;

void Write(FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

// Texts may carry a module's bytes: none of their control characters reaches
// the terminal as such.
std::string Shown(const std::wstring& text, bool keepLineBreaks = true) {
    return WideToUtf8(cli::VisibleText(text, keepLineBreaks));
}

} // namespace

CConsole::CConsole(std::optional<bool> inputTerminal)
    : m_inputTerminal(inputTerminal.value_or(::isatty(STDIN_FILENO) == 1)),
      m_errorTerminal(cli::CanDraw(STDERR_FILENO, std::getenv("TERM"))) {}

void CConsole::Out(const std::wstring& text) {
    std::lock_guard lock(m_mutex);
    Write(stdout, Shown(text) + "\n");
}

void CConsole::OutRaw(const std::string& text) {
    std::lock_guard lock(m_mutex);
    Write(stdout, text);
}

void CConsole::Err(const std::wstring& text) {
    std::lock_guard lock(m_mutex);
    ClearBarLocked();
    Write(stderr, Shown(text) + "\n");
}

void CConsole::ClearBarLocked() {
    if (!m_barShown)
        return;
    Write(stderr, "\r\033[K");
    m_barShown = false;
}

void CConsole::Progress(int position, const std::wstring& percent, const std::wstring& label) {
    if (!m_errorTerminal)
        return;
    std::lock_guard lock(m_mutex);
    const int filled = std::clamp(position, 0, 100) * kBarWidth / 100;
    std::string line = "\r\033[K[";
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(kBarWidth - filled), ' ');
    line += "] " + Shown(percent, false);
    if (!label.empty())
        line += "  " + Shown(label, false);
    Write(stderr, line);
    m_barShown = true;
}

void CConsole::EndProgress() {
    std::lock_guard lock(m_mutex);
    if (m_barShown)
        Write(stderr, "\n");
    m_barShown = false;
}

std::optional<bool> CConsole::AskYesNo(const std::wstring& question) {
    if (!m_inputTerminal)
        return std::nullopt;
    {
        std::lock_guard lock(m_mutex);
        ClearBarLocked();
        Write(stderr, Shown(question) + " [y/N] ");
    }
    std::string answer;
    if (!std::getline(std::cin, answer))
        return std::nullopt;
    answer.erase(0, answer.find_first_not_of(" \t"));
    answer.erase(answer.find_last_not_of(" \t\r") + 1);
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes";
}

void CConsole::WaitForEnter(const std::wstring& prompt) {
    if (!m_inputTerminal)
        return;
    {
        std::lock_guard lock(m_mutex);
        ClearBarLocked();
        Write(stderr, Shown(prompt) + " ");
    }
    std::string ignored;
    std::getline(std::cin, ignored);
}
