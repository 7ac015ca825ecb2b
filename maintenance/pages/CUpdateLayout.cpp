// The Update page's controls and their layout; what they do is in CUpdate.cpp.
#include "maintenance/pages/CUpdate.h"

#include "pages/WidgetKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using widgetkit::Named;
using widgetkit::ReadOnlyEdit;

QProgressBar* ProgressBar(QWidget* parent, int id, const QString& name) {
    auto* bar = Named(new QProgressBar(parent), id, name);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

} // namespace

void CUpdate::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    // Release Update.
    m_releaseGroup = new QGroupBox(QStringLiteral("Release Update"), this);
    m_releaseGroup->setObjectName(QString::fromLatin1(kReleaseGroupName));
    {
        auto* grid = new QGridLayout(m_releaseGroup);
        m_installedRelease = ReadOnlyEdit(m_releaseGroup, kInstalledRelease, "installedRelease");
        m_desiredRelease = ReadOnlyEdit(m_releaseGroup, kDesiredRelease, "desiredRelease");
        m_releaseUpdate = Named(new QPushButton(QStringLiteral("Update"), m_releaseGroup),
                                kReleaseUpdate, "releaseUpdate");
        m_releaseAbort = Named(new QPushButton(QStringLiteral("Abort"), m_releaseGroup),
                               kReleaseAbort, "releaseAbort");
        m_releaseAbort->hide(); // a release update cannot be aborted
        m_keepSetup = new QCheckBox(QStringLiteral("Keep the module's setup"), m_releaseGroup);
        m_keepSetup->setObjectName(QStringLiteral("chkKeepSetup"));
        m_keepSetup->setChecked(true);
        m_releaseProgress = ProgressBar(m_releaseGroup, kReleaseProgress, "releaseProgress");
        m_releasePercent = Named(new QLabel(QStringLiteral("0.0%"), m_releaseGroup),
                                 kReleasePercent, "releasePercent");
        m_releaseStatus = Named(new QLabel(m_releaseGroup), kReleaseStatus, "releaseStatus");
        grid->addWidget(new QLabel(QStringLiteral("Installed:"), m_releaseGroup), 0, 0);
        grid->addWidget(m_installedRelease, 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Desired:"), m_releaseGroup), 0, 2);
        grid->addWidget(m_desiredRelease, 0, 3);
        grid->addWidget(m_releaseUpdate, 0, 4);
        grid->addWidget(m_releaseAbort, 0, 5);
        grid->addWidget(m_releaseProgress, 1, 0, 1, 4);
        grid->addWidget(m_releasePercent, 1, 4);
        grid->addWidget(m_keepSetup, 1, 5);
        grid->addWidget(m_releaseStatus, 2, 0, 1, 6);
    }
    layout->addWidget(m_releaseGroup);

    // Module Identification, Module Hardware, Module Type.
    auto* identityRow = new QHBoxLayout;
    m_identificationGroup = new QGroupBox(QStringLiteral("Module Identification"), this);
    m_identificationGroup->setObjectName(QString::fromLatin1(kIdentificationGroupName));
    m_hardwareGroup = Named(new QGroupBox(QStringLiteral("Module Hardware"), this), kHardwareGroup,
                            "hardwareGroup");
    m_moduleTypeGroup = Named(new QGroupBox(QStringLiteral("Module Type"), this), kModuleTypeGroup,
                              "moduleTypeGroup");
    for (QGroupBox* group : {m_identificationGroup, m_hardwareGroup, m_moduleTypeGroup}) {
        new QGridLayout(group);
        identityRow->addWidget(group);
    }
    m_moduleTypeCombo =
        Named(new QComboBox(m_moduleTypeGroup), kModuleTypeCombo, "moduleTypeCombo");
    // Each row: its label, its field and the button that writes or sets it.
    struct EntryRow {
        QGroupBox* group;
        const char* label;
        QWidget* field;
        QPushButton** button;
        const char* buttonText;
        int buttonId;
        const char* buttonName;
    };
    const EntryRow rows[] = {
        {m_identificationGroup, "Name:", m_nameEdit = Named(new QLineEdit, kNameEdit, "nameEdit"),
         &m_nameEnter, "Enter", kNameEnter, "nameEnter"},
        {m_hardwareGroup,
         "Assembly:", m_assemblyEdit = Named(new QLineEdit, kAssemblyEdit, "assemblyEdit"),
         &m_assemblyEnter, "Enter", kAssemblyEnter, "assemblyEnter"},
        {m_hardwareGroup, "Serial:", m_serialEdit = Named(new QLineEdit, kSerialEdit, "serialEdit"),
         &m_serialEnter, "Enter", kSerialEnter, "serialEnter"},
        {m_moduleTypeGroup, "Desired:", m_moduleTypeCombo, &m_setModuleType, "Set", kSetModuleType,
         "setModuleType"},
    };
    for (const EntryRow& entry : rows) {
        auto* grid = static_cast<QGridLayout*>(entry.group->layout());
        const int row = grid->rowCount() == 1 && grid->count() == 0 ? 0 : grid->rowCount();
        *entry.button = Named(new QPushButton(QString::fromLatin1(entry.buttonText), entry.group),
                              entry.buttonId, QString::fromLatin1(entry.buttonName));
        grid->addWidget(new QLabel(QString::fromLatin1(entry.label), entry.group), row, 0);
        grid->addWidget(entry.field, row, 1);
        grid->addWidget(*entry.button, row, 2);
    }
    layout->addLayout(identityRow);

    // Firmware Versions.
    m_versionsGroup = Named(new QGroupBox(QStringLiteral("Firmware Versions"), this),
                            kFirmwareVersionsGroup, "firmwareVersionsGroup");
    {
        auto* grid = new QGridLayout(m_versionsGroup);
        m_safeBootVersion = ReadOnlyEdit(m_versionsGroup, kSafeBootVersion, "safeBootVersion");
        m_ferrinLabel = Named(new QLabel(QStringLiteral("Ferrin:"), m_versionsGroup), kFerrinLabel,
                              "ferrinLabel");
        m_ferrinVersion = ReadOnlyEdit(m_versionsGroup, kFerrinVersion, "ferrinVersion");
        m_fpgaCombo = Named(new QComboBox(m_versionsGroup), kFpgaCombo, "fpgaCombo");
        m_fpgaVersion = ReadOnlyEdit(m_versionsGroup, kFpgaVersion, "fpgaVersion");
        m_tableCombo = Named(new QComboBox(m_versionsGroup), kTableCombo, "tableCombo");
        m_tableVersion = ReadOnlyEdit(m_versionsGroup, kTableVersion, "tableVersion");
        grid->addWidget(new QLabel(QStringLiteral("SafeBoot:"), m_versionsGroup), 0, 0);
        grid->addWidget(m_safeBootVersion, 0, 1);
        grid->addWidget(m_ferrinLabel, 0, 2);
        grid->addWidget(m_ferrinVersion, 0, 3);
        grid->addWidget(m_fpgaCombo, 1, 0);
        grid->addWidget(m_fpgaVersion, 1, 1);
        grid->addWidget(m_tableCombo, 1, 2);
        grid->addWidget(m_tableVersion, 1, 3);
    }
    layout->addWidget(m_versionsGroup);

    // Firmware Update, Version, Download.
    auto* manualRow = new QHBoxLayout;
    m_firmwareUpdateGroup = Named(new QGroupBox(QStringLiteral("Firmware Update"), this),
                                  kFirmwareUpdateGroup, "firmwareUpdateGroup");
    {
        auto* grid = new QGridLayout(m_firmwareUpdateGroup);
        m_firmwareCombo =
            Named(new QComboBox(m_firmwareUpdateGroup), kFirmwareCombo, "firmwareCombo");
        grid->addWidget(new QLabel(QStringLiteral("Firmware:"), m_firmwareUpdateGroup), 0, 0);
        grid->addWidget(m_firmwareCombo, 0, 1);
    }
    manualRow->addWidget(m_firmwareUpdateGroup);
    m_versionGroup =
        Named(new QGroupBox(QStringLiteral("Version"), this), kVersionGroup, "versionGroup");
    {
        auto* grid = new QGridLayout(m_versionGroup);
        m_installedVersion = ReadOnlyEdit(m_versionGroup, kInstalledVersion, "installedVersion");
        m_desiredVersion = ReadOnlyEdit(m_versionGroup, kDesiredVersion, "desiredVersion");
        grid->addWidget(new QLabel(QStringLiteral("Installed:"), m_versionGroup), 0, 0);
        grid->addWidget(m_installedVersion, 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Desired:"), m_versionGroup), 1, 0);
        grid->addWidget(m_desiredVersion, 1, 1);
    }
    manualRow->addWidget(m_versionGroup);
    layout->addLayout(manualRow);

    m_downloadGroup =
        Named(new QGroupBox(QStringLiteral("Download"), this), kDownloadGroup, "downloadGroup");
    {
        auto* grid = new QGridLayout(m_downloadGroup);
        m_fileCombo = Named(new QComboBox(m_downloadGroup), kFileCombo, "fileCombo");
        m_browse =
            Named(new QPushButton(QStringLiteral("Browse..."), m_downloadGroup), kBrowse, "browse");
        m_manualProgress = ProgressBar(m_downloadGroup, kManualProgress, "manualProgress");
        m_manualPercent = Named(new QLabel(QStringLiteral("0.0%"), m_downloadGroup), kManualPercent,
                                "manualPercent");
        m_manualUpdate = Named(new QPushButton(QStringLiteral("Update"), m_downloadGroup),
                               kManualUpdate, "manualUpdate");
        m_manualStatus = Named(new QLabel(m_downloadGroup), kManualStatus, "manualStatus");
        m_manualAbort = Named(new QPushButton(QStringLiteral("Abort"), m_downloadGroup),
                              kManualAbort, "manualAbort");
        grid->addWidget(new QLabel(QStringLiteral("File:"), m_downloadGroup), 0, 0);
        grid->addWidget(m_fileCombo, 0, 1, 1, 2);
        grid->addWidget(m_browse, 0, 3);
        grid->addWidget(m_manualProgress, 1, 0, 1, 2);
        grid->addWidget(m_manualPercent, 1, 2);
        grid->addWidget(m_manualUpdate, 1, 3);
        grid->addWidget(m_manualStatus, 2, 0, 1, 3);
        grid->addWidget(m_manualAbort, 2, 3);
        // The label keeps to its text; the width goes to the file and the progress.
        grid->setColumnStretch(1, 1);
    }
    layout->addWidget(m_downloadGroup);
    layout->addStretch(1);
}
