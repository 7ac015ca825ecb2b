#pragma once

// The tab pages over the program's session with a simulated module: the
// fixture is the main window around a page (the session's page services with
// the window's refresh, what the window does when the session reports) with
// scripted dialogs and Qt's way from a worker to the GUI thread. Shared by the
// setup, engineering and update page tests.
#include "MaintenanceFixture.h"

#include "frontend/SessionPageServices.h"
#include "pages/WidgetKit.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QWidget>

#include <chrono>
#include <memory>
#include <thread>

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

template <class Page>
class PageFixture : public MaintenanceFixture, public frontend::SessionObserverIF {
protected:
    // The session's page services with the main window's refresh; the quiet
    // flag is recorded, and must come on the GUI thread.
    class Services : public SessionPageServices {
    public:
        explicit Services(PageFixture& fixture)
            : SessionPageServices(fixture.session), m_fixture(fixture) {}
        void UpdateControls() override {
            if (m_fixture.page)
                m_fixture.page->UpdateControls();
        }
        void SetQuiet(bool quiet) override {
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            m_fixture.quiet.push_back(quiet);
            SessionPageServices::SetQuiet(quiet);
        }

    private:
        PageFixture& m_fixture;
    };

    PageFixture() {
        optionD = true;
        session.SetObserver(this);
        dialogs.toGuiThread = [](std::function<void()> fn) {
            if (QThread::currentThread() == qApp->thread())
                fn();
            else
                QMetaObject::invokeMethod(qApp, std::move(fn), Qt::QueuedConnection);
        };
    }
    // What the main window does with the page when the session reports.
    void ModuleChanged() override {
        if (page)
            page->ReloadForModule();
    }
    void IdentityChanged() override {
        if (page)
            page->CopyIdentity();
    }
    void Connected() override {
        if (page) {
            page->UpdateControls();
            page->CopyIdentity();
        }
    }

    void TearDown() override {
        page.reset();
        // Hand-overs to the GUI thread still queued call into the services.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        MaintenanceFixture::TearDown();
    }
    // The main status line.
    std::wstring Status() const { return session.Status(); }
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

    Services services{*this};
    std::unique_ptr<Page> page;
    std::vector<bool> quiet;
};
