#include "maintenance/pages/CReleaseUpdatePromptDlg.h"
#include "pages/WidgetKit.h"

#include "frontend/CDialogServicesIF.h"
#include "maintenance/UpdateTexts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

CReleaseUpdatePromptDlg::CReleaseUpdatePromptDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromWCharArray(kAttentionCaption));
    setModal(true);

    m_icon = new QLabel(this);
    widgetkit::Named(m_icon, kIcon, QStringLiteral("warningIcon"));
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    m_icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size, size));

    auto* text = new QLabel(QString::fromWCharArray(updatetext::kReleasePromptText), this);
    m_forceBox = new QCheckBox(QString::fromWCharArray(updatetext::kReleasePromptForce), this);
    widgetkit::Named(m_forceBox, kForceCheckBox, QStringLiteral("forceCheck"));
    m_forceBox->setChecked(false);
    auto* question = new QLabel(QString::fromWCharArray(updatetext::kReleasePromptQuestion), this);

    m_yes = new QPushButton(QStringLiteral("Yes"), this);
    m_yes->setObjectName(QStringLiteral("yesButton"));
    m_yes->setDefault(true);
    m_no = new QPushButton(QStringLiteral("No"), this);
    m_no->setObjectName(QStringLiteral("noButton"));
    connect(m_yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_no, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(m_icon, 0, Qt::AlignTop);
    top->addWidget(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_yes);
    buttons->addWidget(m_no);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_forceBox);
    layout->addWidget(question);
    layout->addLayout(buttons);
}

void CReleaseUpdatePromptDlg::done(int result) {
    m_force = m_forceBox->isChecked() ? 1 : 0;
    QDialog::done(result);
}
