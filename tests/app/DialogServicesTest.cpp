// The Qt side of the dialog framework: file filters, the real boxes, and the
// hand-over of work from a worker to the GUI thread.

#include "AppTestSupport.h"

#include "app/CQtDialogServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <thread>

namespace {

TEST(AppQtDialogsTest, FiltersBecomeQtNameFilters) {
    const std::pair<std::wstring, QStringList> cases[] = {
        {L"Setup Files (*.xml)|*.xml|All Files (*.*)|*.*||",
         {"Setup Files (*.xml)", "All Files (*)"}},
        {L"Images|*.bin;*.rpd; *.ace||", {"Images (*.bin *.rpd *.ace)"}},
        {L"", {}},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(QtNameFilters(filter), expected) << QString::fromStdWString(filter).toStdString();
}

// The real boxes, answered by a click as soon as they are up.
TEST(AppQtDialogsTest, BoxButtonsMapToResults) {
    const std::tuple<MsgButtons, QMessageBox::StandardButton, MsgResult> cases[] = {
        {MsgButtons::Ok, QMessageBox::Ok, MsgResult::Ok},
        {MsgButtons::OkCancel, QMessageBox::Cancel, MsgResult::Cancel},
        {MsgButtons::YesNo, QMessageBox::No, MsgResult::No},
        {MsgButtons::YesNoCancel, QMessageBox::Yes, MsgResult::Yes},
        {MsgButtons::YesNoDefaultNo, QMessageBox::NoButton, MsgResult::No}, // Enter
    };
    CQtDialogServices services;
    for (const auto& [buttons, click, result] : cases) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            QAbstractButton* button = click == QMessageBox::NoButton
                                          ? qobject_cast<QAbstractButton*>(box->defaultButton())
                                          : box->button(click);
            ASSERT_NE(button, nullptr);
            button->click();
        });
        EXPECT_EQ(services.MessageBox(L"Text", {}, buttons, MsgIcon::Question), result);
    }

    // A question whose subject ends while it is up goes away by itself.
    bool asked = true;
    QTimer::singleShot(50, [&] { asked = false; });
    EXPECT_EQ(services.MessageBoxWhile(L"Still?", {}, MsgButtons::YesNo, MsgIcon::Question,
                                       [&] { return asked; }),
              MsgResult::Cancel);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// On the GUI thread at once (no deadlock when waiting); from a worker the
// waiting call returns after the function has run there.
TEST(AppQtDialogsTest, InvokerRunsOnTheGuiThread) {
    CGuiThreadInvoker invoker;
    int ran = 0;
    invoker.Run([&ran] { ++ran; }, true);
    EXPECT_EQ(ran, 1);
    QThread* gui = QThread::currentThread();
    std::atomic<bool> waitedRan{false}, queuedRan{false};
    std::thread worker([&] {
        invoker.Run([&] { waitedRan = QThread::currentThread() == gui; }, true);
        invoker.Run([&] { queuedRan = QThread::currentThread() == gui; }, false);
    });
    EXPECT_TRUE(WaitUntil([&] { return queuedRan.load(); }));
    worker.join();
    EXPECT_TRUE(waitedRan);
}

} // namespace
