#pragma once

#include "descriptions/ModuleTypeNames.h"
#include "engine/EngineCodes.h"
#include "frontend/CDialogServicesIF.h"

#include <cstdint>
#include <fstream>
#include <istream>
#include <memory>
#include <optional>
#include <string>

struct PokeFileError;

// What the Peek/Poke/CSV page decides without widgets: which texts its
// hexadecimal edits accept, how it reads them, the texts of its results, and
// how a CSV file's bytes become the text the engine reads.
namespace peekpoke {

// Digits of the page's edits: the device and poke data are one byte, the
// address three.
constexpr size_t kDeviceDigits = 2;
constexpr size_t kAddressDigits = 6;
constexpr size_t kDataDigits = 2;

// "I2C", "SPI Control", "SPI Config", "JTAG" for 0..3; empty otherwise: the
// one table of interface names (descriptions/ModuleTypeNames.h).
using ::InterfaceName;

// The hexadecimal filter: a text is accepted when it is made only of
// hexadecimal digits and has at most maxDigits of them, so that its value
// always fits the field (text that would overflow is refused like a non-hex
// character). The empty text is accepted.
bool AcceptHexText(const std::wstring& text, size_t maxDigits);
// The value of a text of 1 to 8 hexadecimal digits; nothing for any other
// text (empty, a non-hex character, or too long for 32 bits).
std::optional<uint32_t> ReadHexText(const std::wstring& text);
// "%02X".
std::wstring ByteText(uint8_t value);

// The status text of a failed peek, poke or load ("Peek", "Poke", "Load"):
// "Bad interface specified! Peek cancelled." and the like.
std::wstring FailureText(eng::Code engineCode, const std::wstring& operation);
// The status text of a CSV load: "Load completed.", a line-numbered text for a
// rejected line, or the failure text. Empty for a rejected line whose parse
// code has no text.
std::wstring LoadResultText(eng::Code engineCode, const PokeFileError& error);
// A CSV file that failed part-way (the results log's text; the file-error box says more).
inline constexpr const wchar_t* kCsvNotReadText = L"The CSV file could not be read to its end.";

// The text of CSV bytes as they are read, a block at a time: UTF-8 (a leading
// byte order mark dropped), every invalid byte U+FFFD, so that any file reads
// as text and a binary one fails on its first line instead of silently, and a
// file of any size is read in bounded memory.
class CsvTextStream {
public:
    explicit CsvTextStream(std::istream& bytes, size_t blockSize = 64 * 1024);
    ~CsvTextStream();
    CsvTextStream(const CsvTextStream&) = delete;
    CsvTextStream& operator=(const CsvTextStream&) = delete;

    std::wistream& Text() { return m_text; }
    // True when reading the bytes failed part-way (not at their end).
    bool ReadFailed() const;

private:
    class Buffer;
    std::unique_ptr<Buffer> m_buffer;
    std::wistream m_text;
};

// A CSV file opened for CsvTextStream: 0, or the error for the file-error
// report of the open. Only a regular file is read: a directory reads as
// nothing, a FIFO or device may never end.
int OpenCsvFile(const std::wstring& path, std::ifstream& file);

} // namespace peekpoke
