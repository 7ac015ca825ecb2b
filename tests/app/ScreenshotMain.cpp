// pellworth-screenshot: the main dialog connected to a simulated TARN module,
// saved as a picture for the documentation.
//   pellworth-screenshot OUTPUT.png [DATA_DIR] [program flags...]
// PELLWORTH_SCREENSHOT_TAB=<index> shows that tab instead of Setup;
// PELLWORTH_SCREENSHOT_UPDATE=1 takes a module one release behind through a
// release update and shows the Update tab while it runs;
// PELLWORTH_SCREENSHOT_ORLAN=1 connects an ORLAN6 module instead of a TARN;
// PELLWORTH_SCREENSHOT_HOLD=<ms> leaves the window as the program sizes it
// to the screen and on show that long, for a grab of a virtual display.

#include "app/COstrand.h"
#include "app/COstrandDlg.h"
#include "maintenance/pages/CUpdate.h"
#include "pages/WidgetKit.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QThread>

#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace {

void Settle() {
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: pellworth-screenshot OUTPUT.png [DATA_DIR] [flags...]\n";
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const sim::ScopedPortDirectory ports;
    const std::filesystem::path output = std::filesystem::absolute(argv[1]);
    std::filesystem::current_path(argc > 2 ? argv[2] : PELLWORTH_DATA_DIR);
    std::vector<std::wstring> flags;
    for (int i = 3; i < argc; ++i)
        flags.push_back(std::filesystem::path(argv[i]).wstring());

    QApplication qtApp(argc, argv);
    const bool update = std::getenv("PELLWORTH_SCREENSHOT_UPDATE") != nullptr;
    // The release the demo data carries (the setup can be edited), or the
    // one before it for the update.
    const sim::Profile profile =
        std::getenv("PELLWORTH_SCREENSHOT_ORLAN") ? sim::Profile::Orlan6 : sim::Profile::Tarn;
    auto config = sim::MakeModule(profile, update ? sim::DefaultRelease(profile) : sim::Version{});
    config->behaviour.pacing = update; // a run that lasts long enough to be seen
    sim::SimulatedModule module(*config);
    if (!module.Start()) {
        std::cerr << module.Error() << "\n";
        return 1;
    }
    ScriptedDialogs dialogs;
    COstrand app(dialogs);
    if (!app.Start(flags))
        return 1;
    COstrandDlg& dlg = *app.MainDialog();
    dlg.show();
    Settle();
    if (!app.MainDialog()->Connect())
        std::cerr << "not connected\n";
    auto* tabs = qobject_cast<QTabBar*>(dlg.Control(COstrandDlg::kTabControl));
    // PELLWORTH_SCREENSHOT_TAB: the tab to show instead of Setup.
    if (const char* tab = std::getenv("PELLWORTH_SCREENSHOT_TAB"))
        tabs->setCurrentIndex(std::atoi(tab));
    const char* hold = std::getenv("PELLWORTH_SCREENSHOT_HOLD");
    if (!hold)
        dlg.resize(dlg.sizeHint());
    Settle();
    if (update) {
        tabs->setCurrentIndex(0);
        auto* page = dynamic_cast<CUpdate*>(dlg.UpdatePage());
        page->SetReleasePrompt([](bool&) { return PromptAnswer::Yes; });
        widgetkit::FindControl<QPushButton>(page, CUpdate::kReleaseUpdate)->click();
        // Into the FPGA image, after Ferrin and the reboot.
        const auto* status = widgetkit::FindControl<QLabel>(page, CUpdate::kReleaseStatus);
        const auto spin = [](int milliseconds) {
            QCoreApplication::processEvents();
            QThread::msleep(milliseconds);
        };
        for (int i = 0;
             i < 60000 && !status->text().startsWith(QStringLiteral("Updating component 2")); ++i)
            spin(1);
        for (int i = 0; i < 40; ++i)
            spin(10);
    }
    if (std::getenv("PELLWORTH_SCREENSHOT_DEBUG")) {
        QWidget* page = dlg.SetupPage(2);
        std::cerr << "page hint " << page->sizeHint().width() << "x" << page->sizeHint().height()
                  << " min " << page->minimumSizeHint().width() << "x"
                  << page->minimumSizeHint().height() << " size " << page->width() << "x"
                  << page->height() << " dlg " << dlg.width() << "x" << dlg.height() << " hint "
                  << dlg.sizeHint().width() << "x" << dlg.sizeHint().height() << "\n";
    }
    for (int waited = 0; hold && waited < std::atoi(hold); waited += 10) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    for (const auto& box : dialogs.boxes)
        std::wcerr << L"box: " << box.caption << L": " << box.text << L"\n";
    if (!dlg.grab().save(QString::fromStdString(output.string())))
        return 1;
    std::cout << output.string() << "\n";
    app.Finish();
    return 0;
}
