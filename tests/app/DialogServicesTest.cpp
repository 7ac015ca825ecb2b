// The Qt side of the dialog framework: file filters, and the hand-over of
// work (a port failure's box) from a worker to the GUI thread.

#include "MainDialogFixture.h"

#include "app/CGuiThreadInvoker.h"
#include "app/CQtDialogServices.h"
#include "engine/CCmdEngine.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(AppQtNameFiltersTest, FiltersBecomeQtNameFilters) {
    const std::pair<std::wstring, QStringList> cases[] = {
        {L"Setup Files (*.xml)|*.xml|All Files (*.*)|*.*||",
         {"Setup Files (*.xml)", "All Files (*)"}},
        {L"Images|*.bin;*.rpd; *.ace||", {"Images (*.bin *.rpd *.ace)"}},
        {L"CSV Files|*.csv", {"CSV Files (*.csv)"}},
        {L"|*.iic||", {"*.iic (*.iic)"}},
        {L"Any||", {"Any (*)"}},
        {L"", {}},
        {L"||", {}},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(QtNameFilters(filter), expected) << QString::fromStdWString(filter).toStdString();
}

// The real boxes, answered by a click as soon as they are up.
TEST(AppQtMessageBoxTest, ButtonsMapToResults) {
    struct Case {
        MsgButtons buttons;
        QMessageBox::StandardButton click;
        MsgResult result;
    };
    const Case cases[] = {
        {MsgButtons::Ok, QMessageBox::Ok, MsgResult::Ok},
        {MsgButtons::OkCancel, QMessageBox::Cancel, MsgResult::Cancel},
        {MsgButtons::YesNo, QMessageBox::No, MsgResult::No},
        {MsgButtons::YesNoCancel, QMessageBox::Yes, MsgResult::Yes},
    };
    CQtDialogServices services;
    services.BeginWaitCursor();
    for (const Case& c : cases) {
        QString caption;
        Qt::CursorShape cursor = Qt::WaitCursor;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            caption = box->windowTitle();
            cursor = QApplication::overrideCursor()->shape();
            box->button(c.click)->click();
        });
        EXPECT_EQ(services.MessageBox(L"Text", {}, c.buttons, MsgIcon::Question), c.result);
        EXPECT_EQ(caption, QStringLiteral("Pellworth"));
        EXPECT_EQ(cursor, Qt::ArrowCursor);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    services.EndWaitCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(AppGuiThreadInvokerTest, RunsOnTheGuiThread) {
    CGuiThreadInvoker invoker;
    EXPECT_TRUE(invoker.IsGuiThread());
    QThread* gui = QThread::currentThread();

    // On the GUI thread: at once, also when waiting (no deadlock).
    int ran = 0;
    invoker.Run([&ran] { ++ran; }, true);
    invoker.Run([&ran] { ++ran; }, false);
    EXPECT_EQ(ran, 2);

    // From a worker: the waiting call returns after the function has run there.
    std::atomic<bool> done{false};
    std::atomic<bool> ranBeforeReturn{false};
    std::atomic<QThread*> ranOn{nullptr};
    std::thread worker([&] {
        bool flag = false;
        invoker.Run(
            [&] {
                ranOn = QThread::currentThread();
                flag = true;
            },
            true);
        ranBeforeReturn = flag;
        std::atomic<bool>* queuedRan = new std::atomic<bool>(false);
        invoker.Run([queuedRan] { *queuedRan = true; }, false);
        while (!*queuedRan)
            std::this_thread::sleep_for(1ms);
        delete queuedRan;
        done = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_TRUE(ranBeforeReturn);
    EXPECT_EQ(ranOn.load(), gui);
}

// Scripted boxes, but handed over to the GUI thread like the program's.
class GuiScriptedDialogs : public ScriptedDialogs {
public:
    MsgResult MessageBox(const std::wstring& text, const std::wstring& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        {
            std::lock_guard lock(m_threadsMutex);
            threads.push_back(QThread::currentThread());
        }
        return ScriptedDialogs::MessageBox(text, caption, buttons, icon);
    }
    void RunOnGuiThread(std::function<void()> fn, bool wait) override {
        m_invoker.Run(std::move(fn), wait);
    }
    std::vector<QThread*> threads;

private:
    std::mutex m_threadsMutex;
    CGuiThreadInvoker m_invoker;
};

TEST(AppPortFailureTest, WorkerFailureIsShownOnTheGuiThread) {
    ProgramDirectory directory;
    auto config = sim::MakeModule(sim::Profile::Tarn);
    ASSERT_TRUE(config);
    sim::SimulatedModule module(*config);
    ASSERT_TRUE(module.Start());
    GuiScriptedDialogs dialogs;
    TestPageFactory pages;
    COstrand app(dialogs, &pages);
    ASSERT_TRUE(app.Start({}));
    ASSERT_TRUE(app.Connect({}));

    // A download worker owns the port while the module goes away.
    app.Engine()->SetUpdateInProgress(true);
    module.Unplug();
    ASSERT_TRUE(module.WaitUntilAway(5s));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        std::string name;
        app.Engine()->ReadName(name);
        done = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return done.load(); }, 30s));
    worker.join();

    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_NE(dialogs.boxes[0].text.find(L"COM" + std::to_wstring(module.PortNumber())),
              std::wstring::npos);
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::Ok);
    for (QThread* thread : dialogs.threads)
        EXPECT_EQ(thread, QThread::currentThread());

    app.Engine()->SetUpdateInProgress(false);
    app.Finish();
}

} // namespace
