#pragma once

#include "app/CTabPageIF.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>

// Stand-ins for pages this build does not have: a page with one line of text
// (or none), and an update page without a release selection.
class CPlaceholderPage : public CTabPageIF {
public:
    explicit CPlaceholderPage(const std::wstring& text = {});
    ~CPlaceholderPage() override;

    QWidget* Widget() override { return m_widget.data(); }
    void UpdateControls() override {}

private:
    QPointer<QWidget> m_widget;
};

class CPlaceholderUpdatePage : public CUpdatePageIF {
public:
    CPlaceholderUpdatePage();

    QWidget* Widget() override { return m_page.Widget(); }
    void UpdateControls() override {}
    void CopyIdentity() override {}

private:
    CPlaceholderPage m_page;
};
