#pragma once

#include "frontend/CDialogServicesIF.h"

#include <gtest/gtest.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

// Dialog services for tests: answers come from a script (first in, first out;
// without a scripted answer a box answers its first button and a file dialog
// is cancelled) and everything shown is recorded.
class ScriptedDialogs : public CDialogServicesIF {
public:
    struct Shown {
        std::wstring text;
        std::wstring caption;
        MsgButtons buttons;
        MsgIcon icon;
        bool operator==(const Shown&) const = default;
        friend void PrintTo(const Shown& s, std::ostream* os) {
            *os << testing::PrintToString(s.text) << " " << testing::PrintToString(s.caption)
                << " buttons " << int(s.buttons) << " icon " << int(s.icon);
        }
    };

    void AnswerNext(MsgResult result) {
        std::lock_guard lock(m_mutex);
        m_answers.push_back(result);
    }
    void ChooseFile(std::wstring path, int filterIndex = 1) {
        std::lock_guard lock(m_mutex);
        m_files.push_back({true, std::move(path), filterIndex});
    }

    MsgResult MessageBox(const std::wstring& text, const std::wstring& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        std::lock_guard lock(m_mutex);
        boxes.push_back({text, caption, buttons, icon});
        const bool question = buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ||
                              buttons == MsgButtons::YesNoDefaultNo;
        return Next(m_answers, question ? MsgResult::Yes : MsgResult::Ok);
    }
    void ReportFileError(const std::wstring& path, FileOperation operation,
                         int systemError) override {
        MessageBox(FileErrorText(path, operation, systemError), {}, MsgButtons::Ok, MsgIcon::Error);
        std::lock_guard lock(m_mutex);
        fileErrors.push_back(path);
    }
    FileDialogResult AskFile(const FileDialogRequest& request) override {
        std::lock_guard lock(m_mutex);
        fileRequests.push_back(request);
        return Next(m_files, FileDialogResult{});
    }
    void BeginWaitCursor() override {
        std::lock_guard lock(m_mutex);
        ++waitCursorDepth;
        ++waitCursorUses;
    }
    void EndWaitCursor() override {
        std::lock_guard lock(m_mutex);
        --waitCursorDepth;
    }
    // Tests that run workers replace this with a hand-over to their GUI thread.
    void RunOnGuiThread(std::function<void()> fn, bool) override { fn(); }

    std::vector<std::wstring> BoxTexts() const {
        std::lock_guard lock(m_mutex);
        std::vector<std::wstring> texts;
        for (const auto& b : boxes)
            texts.push_back(b.text);
        return texts;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        boxes.clear();
        fileErrors.clear();
        fileRequests.clear();
    }

    std::vector<Shown> boxes;
    std::vector<std::wstring> fileErrors;
    std::vector<FileDialogRequest> fileRequests;
    int waitCursorDepth = 0;
    int waitCursorUses = 0;

private:
    // The next scripted answer, or `none`; the caller holds the lock.
    template <class A> static A Next(std::deque<A>& script, A none) {
        if (script.empty())
            return none;
        A next = std::move(script.front());
        script.pop_front();
        return next;
    }

    mutable std::mutex m_mutex;
    std::deque<MsgResult> m_answers;
    std::deque<FileDialogResult> m_files;
};
