#include "app/CGuiThreadInvoker.h"

#include <QMetaObject>
#include <QThread>

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
    QMetaObject::invokeMethod(&m_context, std::move(fn),
                              wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}
