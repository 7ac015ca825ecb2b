#pragma once

#include <string>
#include <string_view>

// The one UTF-8 decoder for text from outside: files, device strings, system
// messages, arguments. Without the XML library, so the link layer decodes
// with it too. Nothing throws: each maximal part of a sequence that is not
// UTF-8 (a stray byte, a cut sequence, an overlong form, a surrogate, a value
// past U+10FFFF) becomes one U+FFFD, as Unicode recommends, so the text after
// it survives.
std::wstring Utf8ToWide(std::string_view text);
