#pragma once

#include <string>

// Brackets the process-wide parser initialisation: construct one before the
// first XML reader is made and destroy it after the last one is gone. The
// program's application object owns it; test mains hold one for their run.
// Nested sessions are allowed (the parser library counts them).
class CXercesSession {
public:
    CXercesSession();
    ~CXercesSession();
    CXercesSession(const CXercesSession&) = delete;
    CXercesSession& operator=(const CXercesSession&) = delete;

    // False when the initialisation failed; no reader may be used then.
    bool IsReady() const { return m_ready; }
    // The parser library's message when the initialisation failed.
    const std::wstring& ErrorText() const { return m_error; }

private:
    bool m_ready = false;
    std::wstring m_error;
};
