// pellworth-screenshot: the main dialog connected to a simulated TARN module,
// saved as a picture for the documentation.
//   pellworth-screenshot OUTPUT.png [DATA_DIR] [program flags...]

#include "app/COstrand.h"
#include "app/COstrandDlg.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QPixmap>
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
    // Release 1.0: the release the update page proposes for the demo data, so
    // the module's setup can be edited.
    auto config = sim::MakeModule(sim::Profile::Tarn, sim::Version{1, 0});
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
    if (!app.Connect({}))
        std::cerr << "not connected\n";
    // PELLWORTH_SCREENSHOT_TAB: the tab to show instead of Setup.
    if (const char* tab = std::getenv("PELLWORTH_SCREENSHOT_TAB"))
        if (auto* tabs = qobject_cast<QTabBar*>(dlg.Control(COstrandDlg::kTabControl)))
            tabs->setCurrentIndex(std::atoi(tab));
    // The offscreen screen is small; show the window at the size it asks for.
    dlg.resize(dlg.sizeHint());
    Settle();
    if (std::getenv("PELLWORTH_SCREENSHOT_DEBUG")) {
        QWidget* page = dlg.SetupPage(2)->Widget();
        std::cerr << "page hint " << page->sizeHint().width() << "x" << page->sizeHint().height()
                  << " min " << page->minimumSizeHint().width() << "x"
                  << page->minimumSizeHint().height() << " size " << page->width() << "x"
                  << page->height() << " dlg " << dlg.width() << "x" << dlg.height() << " hint "
                  << dlg.sizeHint().width() << "x" << dlg.sizeHint().height() << "\n";
    }
    for (const auto& box : dialogs.boxes)
        std::wcerr << L"box: " << box.caption << L": " << box.text << L"\n";
    if (!dlg.grab().save(QString::fromStdString(output.string())))
        return 1;
    std::cout << output.string() << "\n";
    app.Finish();
    return 0;
}
