#include "cli/TerminalText.h"

#include <unistd.h>

#include <cstring>
#include <cwchar>

namespace cli {

std::wstring VisibleText(std::wstring_view text, bool keepLineBreaks) {
    std::wstring out;
    out.reserve(text.size());
    for (const wchar_t c : text) {
        const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        if (!control || (keepLineBreaks && c == L'\n')) {
            out.push_back(c);
            continue;
        }
        wchar_t escaped[8];
        std::swprintf(escaped, 8, L"\\x%02X", static_cast<unsigned>(c));
        out += escaped;
    }
    return out;
}

std::wstring SerialText(std::wstring_view serial) {
    if (serial == std::wstring(8, L'\u00FF'))
        return L"blank";
    return VisibleText(serial);
}

bool CanDraw(int fd, const char* term) {
    return term && *term && std::strcmp(term, "dumb") != 0 && ::isatty(fd) == 1;
}

} // namespace cli
