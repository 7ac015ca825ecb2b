#pragma once

#include "app/CTabPageIF.h"

#include <QPointer>
#include <QWidget>

#include <utility>

// Drives a page widget class that has the page operations as plain members
// (UpdateControls, ReloadForModule, ReportDisabledReason; each optional) as a
// tab page, owning the widget.
template <class Page> class CPageAdapter final : public CTabPageIF {
public:
    template <class... Args>
    explicit CPageAdapter(Args&&... args) : m_page(new Page(std::forward<Args>(args)...)) {}
    ~CPageAdapter() override { delete m_page.data(); }
    CPageAdapter(const CPageAdapter&) = delete;
    CPageAdapter& operator=(const CPageAdapter&) = delete;

    QWidget* Widget() override { return m_page.data(); }
    Page* Get() { return m_page.data(); }

    void UpdateControls() override {
        if constexpr (requires(Page & p) { p.UpdateControls(); })
            if (m_page)
                m_page->UpdateControls();
    }
    void ReloadForModule() override {
        if constexpr (requires(Page & p) { p.ReloadForModule(); })
            if (m_page)
                m_page->ReloadForModule();
    }
    void ReportDisabledReason() override {
        if constexpr (requires(Page & p) { p.ReportDisabledReason(); })
            if (m_page)
                m_page->ReportDisabledReason();
    }

    bool QueryClose() override {
        if constexpr (requires(Page & p) { p.QueryClose(); })
            if (m_page)
                return m_page->QueryClose();
        return true;
    }

private:
    // Guarded: should the widget go first with its parent, it is not deleted twice.
    QPointer<Page> m_page;
};
