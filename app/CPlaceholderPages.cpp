#include "app/CPlaceholderPages.h"

#include <QLabel>
#include <QVBoxLayout>

CPlaceholderPage::CPlaceholderPage(const std::wstring& text) : m_widget(new QWidget) {
    if (text.empty())
        return;
    auto* layout = new QVBoxLayout(m_widget);
    auto* label = new QLabel(QString::fromStdWString(text), m_widget);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setEnabled(false);
    layout->addWidget(label);
}

CPlaceholderPage::~CPlaceholderPage() {
    delete m_widget.data();
}

CPlaceholderUpdatePage::CPlaceholderUpdatePage()
    : m_page(L"Firmware updates are not available in this build.") {}
