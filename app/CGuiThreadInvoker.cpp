#include "app/CGuiThreadInvoker.h"

#include <QMetaObject>
#include <QThread>

#include <exception>
#include <future>
#include <memory>

bool CGuiThreadInvoker::IsGuiThread() const {
    return QThread::currentThread() == m_context.thread();
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
    // The caller waits on a promise rather than on Qt's blocking connection:
    // the function then lives and dies on the GUI thread alone, and the
    // hand-back is one that race checkers can see.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    QMetaObject::invokeMethod(
        &m_context,
        [fn = std::move(fn), done] {
            try {
                fn();
            } catch (...) {
                done->set_exception(std::current_exception());
                return;
            }
            done->set_value();
        },
        Qt::QueuedConnection);
    finished.get();
}
