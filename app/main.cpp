// pellworth: configures Varnet video converter modules attached over USB.
// Its release data ("types", "version") come from --data DIR, PELLWORTH_DATA,
// the working directory or the vendor's folder (descriptions/DataDirectory.h).

#include "app/COstrand.h"
#include "app/CQtDialogServices.h"
#include "descriptions/DataDirectory.h"
#include "descriptions/XmlText.h"
#include "frontend/CUSBCommandLineInfo.h"
#include "frontend/ProgramVersion.h"
#include "link/AppendFile.h"
#include "link/WireTrace.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Answered before Qt starts: no window, no display needed.
    switch (CUSBCommandLineInfo::FindRequest({argv + 1, argv + argc})) {
    case CUSBCommandLineInfo::Request::Help:
        std::cout << CUSBCommandLineInfo::HelpText();
        return 0;
    case CUSBCommandLineInfo::Request::Version:
        std::cout << "pellworth " << kProgramVersion << '\n';
        return 0;
    case CUSBCommandLineInfo::Request::None:
        break;
    }
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellworth"));
    QApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));
    QApplication::setOrganizationName(QStringLiteral("Varnet"));
    QApplication::setDesktopFileName(QStringLiteral("pellworth"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pellworth/pellworth.png")));

    // Qt has taken its own options (-platform, -style, ...) out already.
    std::vector<std::wstring> args;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        args.push_back(arguments[i].toStdWString());

    CQtDialogServices dialogs;
    // The release data are chosen before anything reads them; a folder named
    // on purpose that holds none stops the program rather than let it fall
    // back to other images.
    std::wstring folder;
    if (!CUSBCommandLineInfo::TakeDataOption(args, folder)) {
        std::cerr << "pellworth: --data needs a folder\n";
        return 2;
    }
    if (const datadir::Choice& data = datadir::Use(WideToUtf8(folder)); !data.error.empty()) {
        std::cerr << "pellworth: " << data.error << '\n';
        dialogs.MessageBox(Utf8ToWide(data.error), {}, MsgButtons::Ok, MsgIcon::Error);
        return 2;
    } else if (const std::string notice = datadir::Notice(data); !notice.empty()) {
        std::cerr << "pellworth: " << notice << '\n';
    }
    // The program runs on without its trace; the field engineer hears why.
    if (const int error = wiretrace::StartFromEnvironment())
        std::cerr << "pellworth: warning: cannot write the wire trace "
                  << std::getenv("PELLWORTH_TRACE") << ": " << appendfile::Reason(error) << '\n';
    COstrand theApp(dialogs);
    return theApp.InitInstance(args);
}
