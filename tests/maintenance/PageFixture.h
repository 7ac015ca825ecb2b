#pragma once

// The tab pages over a connected engine and a simulated module: the fixture
// is the program around a page (the page services as the main window gives
// them, the update page's desired table versions) with scripted dialogs and
// Qt's way from a worker to the GUI thread. Shared by the setup, engineering
// and update page tests.
#include "MaintenanceFixture.h"

#include "frontend/CPageServicesIF.h"
#include "pages/WidgetKit.h"
#include "setups/SetupBlocks.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QWidget>

#include <chrono>
#include <map>
#include <memory>
#include <thread>

class GuiDialogs : public HookedDialogs {
public:
    void RunOnGuiThread(std::function<void()> fn, bool) override {
        if (QThread::currentThread() == qApp->thread())
            fn();
        else
            QMetaObject::invokeMethod(qApp, std::move(fn), Qt::QueuedConnection);
    }
};

template <class W> W* Control(const QWidget* page, int id) {
    W* widget = widgetkit::FindControl<W>(page, id);
    EXPECT_NE(widget, nullptr) << "no control " << id;
    return widget;
}

inline void PressKey(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

// Runs the event loop until the condition holds; false after the limit.
inline bool SpinUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

template <class Page> class PageFixture : public MaintenanceFixture, public CPageServicesIF {
protected:
    CCmdEngine* Engine() override { return engine.get(); }
    CDialogServicesIF& Dialogs() override { return dialogs; }
    void ReportError(const std::wstring& text) override { status = text; }
    bool IsOptionM() override { return optionM; }
    bool IsOptionD() override { return optionD; }
    // The main window refreshes every page.
    void UpdateControls() override {
        if (refresh)
            refresh();
    }
    void SetQuiet(bool q) override { quiet.push_back(q); }
    bool IsQuiet() override { return !quiet.empty() && quiet.back(); }
    bool Connect(const std::string&) override { return false; }
    void Disconnect() override {}
    frontend::ReleaseSelection& Selection() override { return selection; }
    // One block per type for the engine of the moment, as the session keeps them.
    CConfigBlockIF* SetupBlock(ModuleTypeId type) override {
        if (blocksEngine != engine.get()) {
            blocks.clear();
            blocksEngine = engine.get();
        }
        std::unique_ptr<CConfigBlockIF>& made = blocks[type];
        if (!made)
            made = MakeSetupBlock(type, engine.get());
        return made.get();
    }
    const AssemblyRecord* CurrentRelease() override { return release; }
    bool ReleaseMatches(VersionNumber) override { return releaseMatches; }
    bool ModuleEntryValid(const ModuleRecord&) override { return entryValid; }
    // The selected release's table version.
    VersionNumber DesiredTableVersion(uint8_t fpgaId, uint8_t tableId) override {
        return release ? release->TableVersion(fpgaId, tableId) : kNoVersion;
    }

    void TearDown() override {
        page.reset();
        if (engine)
            for (const auto& [type, made] : blocks)
                engine->DetachConfigBlock(made.get());
        // Hand-overs to the GUI thread still queued call into this fixture.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        MaintenanceFixture::TearDown();
    }
    template <class W = QWidget> W* Ctl(int id) const { return Control<W>(page.get(), id); }
    bool Enabled(int id) const { return Ctl(id)->isEnabled(); }
    void Click(int id) { Ctl<QAbstractButton>(id)->click(); }
    // An edit's or a label's text.
    QString Text(int id) const {
        if (auto* edit = widgetkit::FindControl<QLineEdit>(page.get(), id))
            return edit->text();
        return Ctl<QLabel>(id)->text();
    }
    QStringList Texts(std::initializer_list<int> ids) const {
        QStringList texts;
        for (const int id : ids)
            texts << Text(id);
        return texts;
    }
    // A combo's items, "|" between them.
    QString Items(int id) const {
        QStringList items;
        for (int i = 0; i < Ctl<QComboBox>(id)->count(); ++i)
            items << Ctl<QComboBox>(id)->itemText(i);
        return items.join('|');
    }
    // The operator picks an entry.
    void Choose(int comboId, const QString& text) {
        auto* combo = Ctl<QComboBox>(comboId);
        const int index = combo->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    bool WaitIdle() {
        return SpinUntil([this] { return !page->IsRunning(); });
    }

    frontend::ReleaseSelection selection;
    std::map<ModuleTypeId, std::unique_ptr<CConfigBlockIF>> blocks;
    CCmdEngine* blocksEngine = nullptr;
    std::unique_ptr<Page> page;
    GuiDialogs dialogs;
    std::wstring status; // the main status line
    std::vector<bool> quiet;
    std::function<void()> refresh;
    bool optionM = false;
    bool optionD = true;
    bool releaseMatches = false;
    bool entryValid = false;
};
