#pragma once

#include "frontend/CDialogServicesIF.h"
#include "maintenance/UpdateRunHostIF.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class CConsole;

// How questions are answered without asking.
struct AnswerPolicy {
    bool yes = false;   // --yes: every question that does not force components is answered Yes
    bool force = false; // --force: the questions that force components are answered Yes
};

// The dialog framework on a terminal. A box that only informs is kept and
// printed when the command ends (with the result when it succeeded, with the
// error otherwise), or at once while showAtOnce is set. A question is printed
// on standard error and answered by the policy, else by the terminal, else
// (no terminal can answer) No. The file dialog answers the file named on the
// command line.
class CTerminalDialogs : public CDialogServicesIF {
public:
    struct Box {
        std::wstring caption; // the application's title when the box names none
        std::wstring text;
        bool question = false;
        MsgResult answer = MsgResult::Ok;
        bool printed = false;
    };

    CTerminalDialogs(CConsole& console, AnswerPolicy policy, bool json);

    MsgResult MessageBox(const std::wstring& text, const std::wstring& caption = {},
                         MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::None) override;
    void ReportFileError(const std::wstring& path, FileOperation operation,
                         int systemError) override;
    FileDialogResult AskFile(const FileDialogRequest& request) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    // The tool has no event loop: its main thread is the "GUI thread", and
    // nothing it hands over needs more than running at once.
    void RunOnGuiThread(std::function<void()> fn, bool wait) override;

    // The release update's confirmation dialog with its force check box.
    PromptAnswer ConfirmReleaseUpdate(bool& force);

    // The path the next file dialog chooses.
    void SetFileAnswer(std::wstring path) { m_fileAnswer = std::move(path); }
    // Informing boxes go to standard error as they come (connect warnings).
    void SetShowAtOnce(bool atOnce) { m_showAtOnce.store(atOnce); }
    // A question was answered No or Cancel, or could not be asked.
    bool Declined() const { return m_declined; }

    std::vector<Box> Boxes() const;

private:
    std::optional<bool> AutomaticAnswer(const std::wstring& text, std::wstring& note) const;
    void Record(Box box);

    CConsole& m_console;
    const AnswerPolicy m_policy;
    const bool m_json;
    // Read by a port failure on the worker thread.
    std::atomic<bool> m_showAtOnce{false};
    bool m_declined = false;
    std::wstring m_fileAnswer;
    mutable std::mutex m_mutex;
    std::vector<Box> m_boxes;
};
