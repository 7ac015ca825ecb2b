// The main window's controls and their layout; what they do is in COstrandDlg.cpp.
#include "app/COstrandDlg.h"

#include "pages/WidgetKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using widgetkit::Button;
using widgetkit::Named;
using widgetkit::Q;
using widgetkit::ReadOnlyEdit;

} // namespace

void COstrandDlg::BuildControls() {
    auto* modules = new QGroupBox(QStringLiteral("Available Modules"), this);
    // Created in the order they are shown, which is the keyboard's order.
    m_moduleCombo = Named(new QComboBox(modules), kModuleCombo, "moduleCombo");
    m_moduleCombo->setMinimumContentsLength(16);
    m_discoverButton =
        Button(QStringLiteral("Discover"), modules, kDiscoverButton, "discoverButton");
    m_connectButton = Button(QStringLiteral("Connect"), modules, kConnectButton, "connectButton");
    m_disableTimeouts = Named(new QCheckBox(QStringLiteral("Disable Timeouts"), modules),
                              kDisableTimeoutsCheck, "disableTimeoutsCheck");
    // Two rows at most, like the Module group beside it: the pages need the height.
    auto* modulesLayout = new QGridLayout(modules);
    modulesLayout->addWidget(m_moduleCombo, 0, 0);
    modulesLayout->addWidget(m_discoverButton, 0, 1);
    modulesLayout->addWidget(m_connectButton, 0, 2);
    modulesLayout->addWidget(m_disableTimeouts, 1, 0, 1, 3);
    modulesLayout->setColumnStretch(0, 1);
    modulesLayout->setRowStretch(2, 1);

    auto* module = new QGroupBox(QStringLiteral("Module"), this);
    m_typeEdit = ReadOnlyEdit(module, kTypeEdit, "typeEdit");
    m_nameEdit = ReadOnlyEdit(module, kNameEdit, "nameEdit");
    m_assemblyEdit = ReadOnlyEdit(module, kAssemblyEdit, "assemblyEdit");
    m_serialEdit = ReadOnlyEdit(module, kSerialEdit, "serialEdit");
    auto* moduleLayout = new QGridLayout(module);
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"Type:", m_typeEdit},
        {"Name:", m_nameEdit},
        {"Assembly:", m_assemblyEdit},
        {"Serial:", m_serialEdit},
    };
    // Two label and field pairs a row.
    int cell = 0;
    for (const auto& [label, edit] : rows) {
        const int row = cell / 2;
        const int column = 2 * (cell % 2);
        moduleLayout->addWidget(new QLabel(QString::fromLatin1(label), module), row, column);
        moduleLayout->addWidget(edit, row, column + 1);
        moduleLayout->setColumnStretch(column + 1, 1);
        ++cell;
    }

    m_tabs = Named(new QTabBar(this), kTabControl, "tabControl");
    m_tabs->setDrawBase(false);
    m_tabs->setExpanding(false);
    QObject::connect(m_tabs, &QTabBar::currentChanged, [this] { OnTabSelChange(); });
    m_pageArea = new QStackedWidget(this);
    m_pageArea->setObjectName(QStringLiteral("pageArea"));
    m_pageArea->setFrameShape(QFrame::StyledPanel);

    m_logo = Named(new QToolButton(this), kLogo, "logo");
    m_logo->setIcon(QIcon(QStringLiteral(":/pellworth/varnet-logo.png")));
    m_logo->setIconSize(QSize(120, 40));
    m_logo->setAutoRaise(true);
    m_logo->setCursor(Qt::PointingHandCursor);
    m_logo->setToolTip(Q(kMakerAddress));
    m_logo->setFocusPolicy(Qt::NoFocus);
    m_safeBootWarning = Named(
        new QLabel(QStringLiteral("SafeBoot is running with reduced\nfunctionality from Ferrin!"),
                   this),
        kSafeBootWarning, "safeBootWarning");
    m_safeBootWarning->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    m_safeBootWarning->setAlignment(Qt::AlignCenter);
    m_resultsLogWarning = Named(new QLabel(this), kResultsLogWarning, "resultsLogWarning");
    m_resultsLogWarning->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_resultsLogWarning->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_resultsLogWarning->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_resultsLogWarning->setVisible(false);
    m_dataNotice = Named(new QLabel(this), kDataNotice, "dataNotice");
    m_dataNotice->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    m_dataNotice->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_dataNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_dataNotice->setVisible(false);
    m_helpButton = Button(QStringLiteral("&Help"), this, kHelpButton, "helpButton");
    m_helpButton->setToolTip(QStringLiteral("About Pellworth"));
    m_statusLine = Named(new QLabel(this), kStatusLine, "statusLine");
    m_statusLine->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Long texts must not widen the window.
    m_statusLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_statusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(modules, 1);
    top->addWidget(module, 1);
    auto* tabs = new QVBoxLayout;
    tabs->setSpacing(0);
    tabs->addWidget(m_tabs);
    tabs->addWidget(m_pageArea, 1);
    // One row below the pages: logo, warning, status line, Help.
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_logo);
    bottom->addWidget(m_safeBootWarning);
    bottom->addWidget(m_statusLine, 1, Qt::AlignVCenter);
    bottom->addWidget(m_helpButton, 0, Qt::AlignVCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(tabs, 1);
    layout->addLayout(bottom);
    layout->addWidget(m_dataNotice);
    layout->addWidget(m_resultsLogWarning);

    QObject::connect(m_discoverButton, &QPushButton::clicked, [this] { Discover(); });
    QObject::connect(m_connectButton, &QPushButton::clicked, [this] { OnConnectButton(); });
    QObject::connect(m_disableTimeouts, &QCheckBox::clicked, [this] { OnDisableTimeouts(); });
    QObject::connect(m_helpButton, &QPushButton::clicked, [this] { OnAbout(); });
    // Where a window menu would carry it: a right click on the window.
    auto* about = new QAction(QStringLiteral("&About Pellworth..."), this);
    QObject::connect(about, &QAction::triggered, [this] { OnAbout(); });
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    QObject::connect(m_logo, &QToolButton::clicked, [this] { OnLogoClicked(); });
}
