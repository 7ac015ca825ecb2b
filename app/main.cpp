// pellworth: configures Varnet video converter modules attached over USB.
// Run it from the directory that holds "types" and "version".

#include "app/COstrand.h"
#include "app/CQtDialogServices.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellworth"));
    QApplication::setApplicationVersion(QStringLiteral("0.44"));
    QApplication::setOrganizationName(QStringLiteral("Varnet"));
    QApplication::setDesktopFileName(QStringLiteral("pellworth"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pellworth/pellworth.png")));

    // Qt has taken its own options (-platform, -style, ...) out already.
    std::vector<std::wstring> args;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        args.push_back(arguments[i].toStdWString());

    CQtDialogServices dialogs;
    COstrand theApp(dialogs);
    return theApp.InitInstance(args);
}
