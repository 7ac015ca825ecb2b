#pragma once

#include "pages/CTabPage.h"

#include <string>

// A stand-in for a page the factory could not make: one line of text, or none.
class CPlaceholderPage : public CTabPage {
public:
    explicit CPlaceholderPage(const std::wstring& text = {});
};
