#pragma once

#include <string>

// The main status line, as the engine and the pages see it.
class CErrorReportIF {
public:
    virtual ~CErrorReportIF() = default;
    virtual void ReportError(std::wstring text) = 0;
};
