// The page rules that need no widgets: which hexadecimal texts the edits take
// and what they read as, the CSV decoding, and the texts only these pages have.
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "maintenance/CLookupTableRun.h"
#include "maintenance/CPeekPokeText.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <sstream>

namespace {

TEST(PeekPokeTextTest, HexTextIsAcceptedOnlyWhenItFitsItsField) {
    struct Case {
        const wchar_t* text;
        size_t digits;
        bool accepted;
        std::optional<uint32_t> value;
    };
    const Case cases[] = {
        {L"", 2, true, std::nullopt},
        {L"fF", 2, true, 0xFF},
        {L"100", 2, false, 0x100},         // a third digit would overflow a byte
        {L"1000000", 6, false, 0x1000000}, // beyond the 24-bit address
        {L"FFFFFFFF", 8, true, 0xFFFFFFFF},
        {L"100000000", 9, true, std::nullopt}, // never wraps around 32 bits
        {L"0x10", 6, false, std::nullopt},
        {L"g", 6, false, std::nullopt},
        {L" 1", 6, false, std::nullopt},
        {L"-1", 6, false, std::nullopt},
        {L"\uFF11", 6, false, std::nullopt}, // a full-width digit is not a hex digit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.text, c.text + wcslen(c.text)));
        EXPECT_EQ(peekpoke::AcceptHexText(c.text, c.digits), c.accepted);
        EXPECT_EQ(peekpoke::ReadHexText(c.text), c.value);
    }
}

TEST(PeekPokeTextTest, CsvBytesBecomeTextWhateverTheyHold) {
    const std::pair<std::string, std::wstring> cases[] = {
        {"\xEF\xBB\xBF\"Head\"\n", L"\"Head\"\n"},          // byte order mark dropped
        {"; caf\xC3\xA9\n", L"; caf\u00E9\n"},              // UTF-8
        {"; caf\xE9\n", L"; caf\uFFFD\n"},                  // Latin-1 byte: replaced
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)}, // NUL stays a character
        {"x\xEF\xBB\xBF", L"x\uFEFF"},                      // only a leading mark is dropped
    };
    for (const auto& [bytes, text] : cases) {
        // Read whole and in blocks of every small size: a mark or a character
        // cut by a block's end decodes as if read whole.
        for (const size_t block : {size_t{1}, size_t{2}, size_t{3}, size_t{4}, size_t{4096}}) {
            std::istringstream in(bytes);
            peekpoke::CsvTextStream stream(in, block);
            EXPECT_EQ(std::wstring(std::istreambuf_iterator<wchar_t>(stream.Text()), {}), text)
                << "block " << block;
            EXPECT_FALSE(stream.ReadFailed());
        }
    }
}

TEST(PeekPokeTextTest, ResultTexts) {
    EXPECT_EQ(peekpoke::LoadResultText(eng::kLinkError, {}), L"Connection broken! Load cancelled.");
    EXPECT_EQ(peekpoke::LoadResultText(eng::kNotConnected, {}), L"Unknown error! Load cancelled.");
    // Rejected lines without a text report nothing.
    EXPECT_EQ(peekpoke::LoadResultText(eng::kPokeFileParse, {-9, 3}), L"");
    EXPECT_EQ(peekpoke::InterfaceName(3), L"JTAG");
    EXPECT_EQ(peekpoke::InterfaceName(4), L"");
    // Codes the lookup table download never gives still get a text.
    EXPECT_EQ(CLookupTableRun::ResultText(eng::kJtagTdoMismatch), L"Unknown error!");
}

TEST(LookupTableRunTest, ProgressRoundsToTheBarAndTheText) {
    const std::tuple<float, int, std::wstring> cases[] = {{0.0f, 0, L"0.0%"},
                                                          {0.5f, 50, L"50.0%"},
                                                          {0.9996f, 100, L"100.0%"},
                                                          {1.0f, 100, L"100.0%"}};
    for (const auto& [fraction, position, text] : cases) {
        EXPECT_EQ(CLookupTableRun::BarPosition(fraction), position);
        EXPECT_EQ(CLookupTableRun::PercentText(fraction), text);
    }
}

} // namespace
