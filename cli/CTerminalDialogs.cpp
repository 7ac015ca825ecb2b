#include "cli/CTerminalDialogs.h"

#include "cli/CConsole.h"
#include "cli/CliTexts.h"
#include "maintenance/UpdateTexts.h"

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* start) {
    return text.rfind(start, 0) == 0;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

CTerminalDialogs::CTerminalDialogs(CConsole& console, AnswerPolicy policy, bool json)
    : m_console(console), m_policy(policy), m_json(json) {}

void CTerminalDialogs::Record(Box box) {
    std::lock_guard lock(m_mutex);
    m_boxes.push_back(std::move(box));
}

std::vector<CTerminalDialogs::Box> CTerminalDialogs::Boxes() const {
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

std::optional<bool> CTerminalDialogs::AutomaticAnswer(const std::wstring& text,
                                                      std::wstring& note) const {
    // The downgrade and the "force anyway" questions decide whether every
    // component is written again: only --force says yes to them, so that an
    // unattended "update --yes" never rewrites a module that is up to date.
    const bool forcing = StartsWith(text, updatetext::kDowngradeQuestionStart) ||
                         StartsWith(text, updatetext::kForceAnywayQuestionStart);
    if (forcing) {
        if (m_policy.force) {
            note = L"Yes (--force)";
            return true;
        }
        if (m_policy.yes) {
            note = StartsWith(text, updatetext::kDowngradeQuestionStart)
                       ? clitext::kDowngradeNeedsForce
                       : L"No (use --force to update anyway)";
            return false;
        }
    } else if (m_policy.yes) {
        note = L"Yes (--yes)";
        return true;
    }
    return std::nullopt;
}

MsgResult CTerminalDialogs::MessageBox(const std::wstring& text, const std::wstring& caption,
                                       MsgButtons buttons, MsgIcon /*icon*/) {
    Box box{caption.empty() ? kApplicationTitle : caption, text};
    if (buttons == MsgButtons::Ok) {
        // The operator must act before the run goes on: shown now. It is an
        // instruction, not a question: the run then watches the port until
        // the module has gone away and come back.
        if (EndsWith(text, updatetext::kManualRebootEnd)) {
            m_console.Err(text);
            box.printed = true;
        } else if (m_showAtOnce.load() && !m_json) {
            m_console.Err(text);
            box.printed = true;
        }
        Record(std::move(box));
        return MsgResult::Ok;
    }

    const MsgResult positive = buttons == MsgButtons::OkCancel ? MsgResult::Ok : MsgResult::Yes;
    const MsgResult negative = buttons == MsgButtons::OkCancel ? MsgResult::Cancel : MsgResult::No;
    std::wstring note;
    std::optional<bool> yes = AutomaticAnswer(text, note);
    if (yes) {
        m_console.Err(text);
        m_console.Err(L"  -> " + note);
    } else if (m_console.InputIsTerminal()) {
        yes = m_console.AskYesNo(text).value_or(false);
    } else {
        m_console.Err(text);
        m_console.Err(std::wstring(L"  -> ") + clitext::kNoTerminal);
        yes = false;
    }
    box.question = true;
    box.answer = *yes ? positive : negative;
    box.printed = true;
    if (!*yes)
        m_declined = true;
    Record(std::move(box));
    return *yes ? positive : negative;
}

PromptAnswer CTerminalDialogs::ConfirmReleaseUpdate(bool& force) {
    force = m_policy.force;
    const std::wstring text = std::wstring(updatetext::kReleasePromptText) + L"\n" +
                              (force ? L"[x] " : L"[ ] ") + updatetext::kReleasePromptForce +
                              L"\n" + updatetext::kReleasePromptQuestion;
    PromptAnswer answer = PromptAnswer::Unavailable;
    if (m_policy.yes) {
        m_console.Err(text);
        m_console.Err(L"  -> Yes (--yes)");
        answer = PromptAnswer::Yes;
    } else if (m_console.InputIsTerminal()) {
        const std::optional<bool> yes = m_console.AskYesNo(text);
        answer = yes.value_or(false) ? PromptAnswer::Yes : PromptAnswer::No;
    } else {
        m_console.Err(text);
        m_console.Err(std::wstring(L"  -> ") + clitext::kNoTerminal);
    }
    if (answer != PromptAnswer::Yes)
        m_declined = true;
    Box box{kAttentionCaption, text, true,
            answer == PromptAnswer::Yes ? MsgResult::Ok : MsgResult::Cancel, true};
    Record(std::move(box));
    return answer;
}

void CTerminalDialogs::ReportFileError(const std::wstring& path, FileOperation operation,
                                       int systemError) {
    MessageBox(FileErrorText(path, operation, systemError), {}, MsgButtons::Ok, MsgIcon::Error);
}

FileDialogResult CTerminalDialogs::AskFile(const FileDialogRequest& request) {
    if (m_fileAnswer.empty())
        return {};
    return {true, m_fileAnswer, request.filterIndex};
}

void CTerminalDialogs::RunOnGuiThread(std::function<void()> fn, bool /*wait*/) {
    fn();
}
