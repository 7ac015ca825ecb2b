#include "app/CGuiThreadInvoker.h"

#include <QMetaObject>
#include <QThread>

#include <exception>
#include <memory>

bool CGuiThreadInvoker::IsGuiThread() const {
    return QThread::currentThread() == m_context.thread();
}

void CGuiThreadInvoker::SetJoining(bool joining) {
    {
        std::lock_guard lock(m_mutex);
        m_joining += joining ? 1 : -1;
    }
    m_changed.notify_all();
}

void CGuiThreadInvoker::Run(std::function<void()> fn, bool wait) {
    if (!fn)
        return;
    if (IsGuiThread()) {
        fn();
        return;
    }
    if (!wait) {
        QMetaObject::invokeMethod(&m_context, std::move(fn), Qt::QueuedConnection);
        return;
    }
    // The function lives and dies on the GUI thread alone; the hand-back goes
    // through the mutex, where race checkers see it. The call runs only while
    // m_context lives, so `this` outlives it.
    struct Call {
        bool begun = false;
        bool done = false;
        bool dropped = false;
        std::exception_ptr failure;
    };
    auto call = std::make_shared<Call>();
    std::unique_lock lock(m_mutex);
    if (m_joining > 0)
        return; // the GUI thread waits for this very worker
    QMetaObject::invokeMethod(
        &m_context,
        [this, fn = std::move(fn), call] {
            {
                std::lock_guard guard(m_mutex);
                if (call->dropped)
                    return;
                call->begun = true;
            }
            std::exception_ptr failure;
            try {
                fn();
            } catch (...) {
                failure = std::current_exception();
            }
            {
                std::lock_guard guard(m_mutex);
                call->done = true;
                call->failure = failure;
            }
            m_changed.notify_all();
        },
        Qt::QueuedConnection);
    m_changed.wait(lock, [&] { return call->done || m_joining > 0; });
    if (!call->done) {
        call->dropped = !call->begun;
        return;
    }
    if (call->failure)
        std::rethrow_exception(call->failure);
}
