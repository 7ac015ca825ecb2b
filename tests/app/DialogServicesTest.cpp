// The Qt side of the dialog framework: file filters, the real boxes, and the
// hand-over of work from a worker to the GUI thread.

#include "AppTestSupport.h"

#include "app/CQtDialogServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTextBoundaryFinder>
#include <QTimer>

#include <thread>

namespace {

TEST(AppQtDialogsTest, FiltersBecomeQtNameFilters) {
    const std::pair<std::wstring, QStringList> cases[] = {
        {L"Setup Files (*.xml)|*.xml|All Files (*.*)|*.*||",
         {"Setup Files (*.xml)", "All Files (*)"}},
        {L"Images|*.bin;*.rpd; *.ace||", {"Images (*.bin *.rpd *.ace)"}},
        {L"|*.iic||", {"*.iic (*.iic)"}},
        {L"Any||", {"Any (*)"}},
        {L"", {}},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(QtNameFilters(filter), expected) << QString::fromStdWString(filter).toStdString();
}

// A web address in a box's text stays on one line; other text still wraps
// where it did. Each case lists the pieces a line may end after.
TEST(AppQtDialogsTest, BoxTextKeepsAddressesWhole) {
    const std::pair<std::wstring, QStringList> cases[] = {
        {L"from https://www.varnet.example/pellworth.",
         {"from", "https://www.varnet.example/pellworth."}},
        {L"see http://a-b.example/x?y=1 or ftp://h/p",
         {"see", "http://a-b.example/x?y=1", "or", "ftp://h/p"}},
        {L"File types/TARN/a.rpd", {"File", "types/", "TARN/", "a.rpd"}},
    };
    const QChar joiner(0x2060);
    for (const auto& [text, expected] : cases) {
        const QString shown = BoxText(text);
        EXPECT_EQ(QString(shown).remove(joiner).toStdWString(), text);
        QStringList pieces;
        QTextBoundaryFinder lines(QTextBoundaryFinder::Line, shown);
        for (qsizetype start = 0, end = lines.toNextBoundary(); end > 0;
             start = end, end = lines.toNextBoundary())
            pieces << shown.mid(start, end - start).remove(joiner).trimmed();
        EXPECT_EQ(pieces, expected);
    }
}

// The real boxes, answered by a click as soon as they are up.
TEST(AppQtDialogsTest, BoxButtonsMapToResults) {
    const std::tuple<MsgButtons, QMessageBox::StandardButton, MsgResult> cases[] = {
        {MsgButtons::Ok, QMessageBox::Ok, MsgResult::Ok},
        {MsgButtons::OkCancel, QMessageBox::Cancel, MsgResult::Cancel},
        {MsgButtons::YesNo, QMessageBox::No, MsgResult::No},
        {MsgButtons::YesNoCancel, QMessageBox::Yes, MsgResult::Yes},
    };
    CQtDialogServices services;
    services.BeginWaitCursor();
    for (const auto& [buttons, click, result] : cases) {
        QString caption;
        int width = 0; // in average characters
        Qt::CursorShape cursor = Qt::WaitCursor;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            caption = box->windowTitle();
            width = box->width() / box->fontMetrics().averageCharWidth();
            cursor = QApplication::overrideCursor()->shape();
            box->button(click)->click();
        });
        EXPECT_EQ(services.MessageBox(L"Text", {}, buttons, MsgIcon::Question), result);
        // The application's title, and the normal pointer while the box is up.
        EXPECT_EQ(caption, QStringLiteral("Pellworth"));
        // A short text leaves the box wide enough for its caption.
        EXPECT_GE(width, 48);
        EXPECT_EQ(cursor, Qt::ArrowCursor);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    services.EndWaitCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

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
