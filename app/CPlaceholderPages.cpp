#include "app/CPlaceholderPages.h"

#include <QLabel>
#include <QVBoxLayout>

CPlaceholderPage::CPlaceholderPage(const std::wstring& text) {
    if (text.empty())
        return;
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QString::fromStdWString(text), this);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setEnabled(false);
    layout->addWidget(label);
}
