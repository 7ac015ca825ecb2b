// Poke files: the line syntax with its parse codes and line numbers, and what
// reaches the module when a file stops part-way.
#include "ModuleFixture.h"

#include "engine/EngineCodes.h"

#include <sstream>
#include <tuple>

namespace {

// Parse code (its number, as scripts see it), line number, then the fields
// (0 when the line fails).
using Parsed = std::tuple<int32_t, uint32_t, uint32_t, uint8_t, uint32_t, uint8_t>;

Parsed ParseFirst(const std::wstring& text) {
    std::wistringstream stream(text);
    uint32_t line = 0, interface = 0, address = 0;
    uint8_t device = 0, value = 0;
    const poke::Code code = ParsePokeLine(stream, line, interface, device, address, value);
    return code == poke::kLine ? Parsed{Number(code), line, interface, device, address, value}
                               : Parsed{Number(code), line, 0, 0, 0, 0};
}

TEST(PokeLineTest, LinesAndTheirParseCodes) {
    const std::pair<const wchar_t*, Parsed> cases[] = {
        {L"I2C,4a,1000,ff\n", {0, 1, 0, 0x4A, 0x1000, 0xFF}},
        {L"JTAG,0,ffffff,1", {0, 1, 3, 0, 0xFFFFFF, 1}},
        {L"SPI Control,0x10,0X20,0x3", {0, 1, 1, 0x10, 0x20, 3}},
        {L"SPI Config, 1, 2,3\r\n", {0, 1, 2, 1, 2, 3}}, // white space before a number, CR LF
        {L"; old Mac\r\"Head\"\rI2C,1,2,3\r", {0, 3, 0, 1, 2, 3}}, // lone CRs end lines
        {L"I2C,1ff,0,0", {-4, 1, 0, 0, 0, 0}},                     // a device is one byte
        {L"I2C\"4a,10,1", {0, 1, 0, 0x4A, 0x10, 1}},               // a quote also ends the name
        {L"; comment\n\"Interface\",\"Device\"\nI2C,1,2,3", {0, 3, 0, 1, 2, 3}},
        {L"", {1, 0, 0, 0, 0, 0}},
        {L"; only a comment\n", {1, 1, 0, 0, 0, 0}},
        {L"I2C 4a 1000 ff", {-1, 1, 0, 0, 0, 0}},
        {L"i2c,0,0,0", {-2, 1, 0, 0, 0, 0}},
        {L"SPI,1,2,3", {-2, 1, 0, 0, 0, 0}},
        {L"SPI Config,1,2", {-3, 1, 0, 0, 0, 0}},
        {L"I2C,1 ,2,3", {-3, 1, 0, 0, 0, 0}},
        {L"I2C,100000000,2,3", {-3, 1, 0, 0, 0, 0}},
        {L"I2C,1,1000000,3", {-4, 1, 0, 0, 0, 0}},
        {L"I2C,1,2,100", {-5, 1, 0, 0, 0, 0}},
    };
    for (const auto& [text, parsed] : cases)
        EXPECT_EQ(ParseFirst(text), parsed) << testing::PrintToString(std::wstring(text));
}

TEST(PokeLineTest, OverlongLinesAndBinaryContentAreParseErrors) {
    const std::wstring longLine = L"I2C,1,2,3" + std::wstring(600, L' ') + L"\n";
    EXPECT_EQ(std::get<0>(ParseFirst(longLine)), Number(poke::kLineTooLong));
    const std::wstring limit = L"I2C,1,2,3" + std::wstring(poke::kMaxLineLength - 9, L' ');
    EXPECT_EQ(std::get<0>(ParseFirst(limit)), 0);
    EXPECT_EQ(std::get<0>(ParseFirst(std::wstring(L"\x01\x02\x7f\xff,1,2,3", 10))),
              Number(poke::kUnknownInterface));
}

class PokeFileTest : public EngineOnModule {
protected:
    uint8_t Register(uint8_t interface, uint8_t device, uint32_t address) {
        const auto state = module->State();
        const auto it = state.registers.find({interface, device, address});
        return it == state.registers.end() ? 0 : it->second;
    }
};

TEST_F(PokeFileTest, LinesBeforeAFailureAreWrittenAndNoneAfter) {
    std::wistringstream file(
        L"\"Interface\",\"Device\",\"Address\",\"Value\"\n"
        L"I2C,4a,10,1\n;skip\nSPI Control,2,20,2\nI2C,4a,11,100\nI2C,4a,12,3\n");
    PokeFileError error;
    EXPECT_EQ(engine->LoadPokeFile(file, error), eng::kPokeFileParse);
    EXPECT_EQ(error.code, poke::kValueRange);
    EXPECT_EQ(error.line, 5u);
    EXPECT_EQ(Register(0, 0x4A, 0x10), 1);
    EXPECT_EQ(Register(1, 2, 0x20), 2);
    EXPECT_EQ(module->RequestCodes(), (std::vector<uint8_t>{0x9D, 0x9D}));
}

// An empty line ends the file (with lone CR line ends, CR CR is one); a failed
// poke ends the run.
TEST_F(PokeFileTest, AnEmptyLineOrAFailedPokeEndsTheRun) {
    const struct {
        const wchar_t* text;
        bool reject2nd;
        eng::Code result;
        size_t pokes;
    } cases[] = {
        {L"I2C,4a,10,1\n\nI2C,4a,11,2\n", false, eng::kOk, 1},
        {L"I2C,4a,10,1\rI2C,4a,11,2\r\rI2C,4a,12,3\r", false, eng::kOk, 2},
        {L"\nI2C,4a,11,2\n", false, eng::kOk, 0},
        {L"I2C,4a,10,1\nI2C,4a,11,2\nI2C,4a,12,3\n", true, eng::kLinkError, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        module->ClearLog();
        if (c.reject2nd)
            module->Script(0x9D, sim::Reply::Reject().After(1));
        std::wistringstream file(c.text);
        PokeFileError error;
        EXPECT_EQ(engine->LoadPokeFile(file, error), c.result);
        EXPECT_EQ(module->RequestCodes(), std::vector<uint8_t>(c.pokes, 0x9D));
    }
}

} // namespace
