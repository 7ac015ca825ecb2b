#pragma once

#include "descriptions/Utf8.h"

#include <xercesc/util/XercesDefs.hpp>

#include <string>

// Text conversions between the parser's UTF-16 (XMLCh), the program's wide
// strings (UTF-32 wchar_t) and UTF-8 byte strings (file names handed to the
// operating system); the decoder from UTF-8 is descriptions/Utf8.h.
// Invalid sequences become U+FFFD; nothing throws.

static_assert(sizeof(XMLCh) == 2, "XMLCh is expected to be a UTF-16 code unit");

// Null gives an empty string.
std::wstring XmlToWide(const XMLCh* text);
// The result's c_str() is a zero-terminated XMLCh string.
std::u16string WideToXml(const std::wstring& text);

std::string WideToUtf8(const std::wstring& text);

// One byte per character for 8-bit module texts: ASCII stays, every other
// character (it has no single-byte form) becomes '.'.
std::string NarrowText(const std::wstring& text);
// The reverse of NarrowText for display: each byte becomes the character of
// the same value (Latin-1).
std::wstring WidenText(const std::string& text);
// The exact inverse of WidenText, for module texts the operator edits: a
// character up to U+00FF becomes the byte of its value, so bytes from 0x80
// shown in an edit go back unchanged; any other character becomes '.'.
std::string ModuleTextBytes(const std::wstring& text);
