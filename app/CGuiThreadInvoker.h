#pragma once

#include <QObject>

#include <functional>

// Runs functions on the thread that created it (the GUI thread): at once when
// already there, else through its event queue, waiting for the result when
// asked. Waiting from the GUI thread itself never happens, so it cannot
// deadlock there.
class CGuiThreadInvoker {
public:
    // Construct on the GUI thread.
    CGuiThreadInvoker() = default;
    CGuiThreadInvoker(const CGuiThreadInvoker&) = delete;
    CGuiThreadInvoker& operator=(const CGuiThreadInvoker&) = delete;

    bool IsGuiThread() const;
    void Run(std::function<void()> fn, bool wait);

private:
    QObject m_context;
};
