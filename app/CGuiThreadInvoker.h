#pragma once

#include <QObject>

#include <condition_variable>
#include <functional>
#include <mutex>

// Runs functions on the thread that created it (the GUI thread): at once when
// already there, else through its event queue, waiting for the result when
// asked. Waiting from the GUI thread itself never happens, and while the GUI
// thread joins a worker (SetJoining) no worker waits for it, so neither
// side can wait for the other for ever.
class CGuiThreadInvoker {
public:
    // Construct on the GUI thread.
    CGuiThreadInvoker() = default;
    CGuiThreadInvoker(const CGuiThreadInvoker&) = delete;
    CGuiThreadInvoker& operator=(const CGuiThreadInvoker&) = delete;

    bool IsGuiThread() const;
    void Run(std::function<void()> fn, bool wait);
    // GUI thread, around a join of a worker (nests): a worker that waits, or
    // comes to wait, stops waiting; what it handed over and the GUI thread
    // has not begun is dropped.
    void SetJoining(bool joining);

private:
    QObject m_context;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_joining = 0;
};
