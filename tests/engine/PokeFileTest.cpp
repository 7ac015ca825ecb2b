// Poke files: the line syntax with its parse codes and line numbers, and what
// reaches the module when a file stops part-way.
#include "ModuleFixture.h"

#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"

#include <sstream>

namespace {

struct ParsedLine {
    int32_t code;
    uint32_t line;
    uint32_t interface = 0;
    uint8_t device = 0;
    uint32_t address = 0;
    uint8_t value = 0;
};

ParsedLine ParseFirst(const std::wstring& text) {
    std::wistringstream stream(text);
    ParsedLine p{0, 0};
    p.code = ParsePokeLine(stream, p.line, p.interface, p.device, p.address, p.value);
    return p;
}

TEST(PokeLineTest, LinesAndTheirParseCodes) {
    struct Case {
        const wchar_t* text;
        int32_t code;
        uint32_t line;
        uint32_t interface;
        uint8_t device;
        uint32_t address;
        uint8_t value;
    };
    const Case cases[] = {
        {L"I2C,4a,1000,ff\n", 0, 1, 0, 0x4A, 0x1000, 0xFF},
        {L"JTAG,0,ffffff,1", 0, 1, 3, 0, 0xFFFFFF, 1},
        {L"SPI Control,0x10,0X20,0x3", 0, 1, 1, 0x10, 0x20, 3},
        {L"SPI Config, 1, 2,3\r\n", 0, 1, 2, 1, 2, 3}, // white space before a number, CR LF
        {L"; old Mac\r\"Head\"\rI2C,1,2,3\r", 0, 3, 0, 1, 2, 3}, // lone CRs end lines
        {L"I2C,1ff,0,0", -4, 1, 0, 0, 0, 0},                     // a device is one byte
        {L"I2C\"4a,10,1", 0, 1, 0, 0x4A, 0x10, 1},               // a quote also ends the name
        {L"; comment\n\"Interface\",\"Device\"\nI2C,1,2,3", 0, 3, 0, 1, 2, 3},
        {L"", 1, 0, 0, 0, 0, 0},
        {L"\n", 1, 1, 0, 0, 0, 0},
        {L"; only a comment\n", 1, 1, 0, 0, 0, 0},
        {L"I2C 4a 1000 ff", -1, 1, 0, 0, 0, 0},
        {L"i2c,0,0,0", -2, 1, 0, 0, 0, 0},
        {L"JTAG 1,2,3", -2, 1, 0, 0, 0, 0},
        {L"SPI,1,2,3", -2, 1, 0, 0, 0, 0},
        {L"SPI Config,1,2", -3, 1, 0, 0, 0, 0},
        {L"I2C,1 ,2,3", -3, 1, 0, 0, 0, 0},
        {L"I2C,g,2,3", -3, 1, 0, 0, 0, 0},
        {L"I2C,-1,2,3", -3, 1, 0, 0, 0, 0},
        {L"I2C,100000000,2,3", -3, 1, 0, 0, 0, 0},
        {L"I2C,1,1000000,3", -4, 1, 0, 0, 0, 0},
        {L"I2C,1,fffffffff,3", -4, 1, 0, 0, 0, 0},
        {L"I2C,1,2,100", -5, 1, 0, 0, 0, 0},
        {L"I2C,1,2,1000000000000000", -5, 1, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "line text: " << std::string(c.text, c.text + wcslen(c.text)));
        const ParsedLine p = ParseFirst(c.text);
        EXPECT_EQ(p.code, c.code);
        EXPECT_EQ(p.line, c.line);
        if (c.code == 0) {
            EXPECT_EQ(p.interface, c.interface);
            EXPECT_EQ(p.device, c.device);
            EXPECT_EQ(p.address, c.address);
            EXPECT_EQ(p.value, c.value);
        }
    }
}

TEST(PokeLineTest, OverlongLinesAndBinaryContentAreParseErrors) {
    const std::wstring longLine = L"I2C,1,2,3" + std::wstring(600, L' ') + L"\n";
    EXPECT_EQ(ParseFirst(longLine).code, poke::kLineTooLong);
    const std::wstring limit = L"I2C,1,2,3" + std::wstring(poke::kMaxLineLength - 9, L' ');
    EXPECT_EQ(ParseFirst(limit).code, 0);
    EXPECT_EQ(ParseFirst(std::wstring(L"\x01\x02\x7f\xff,1,2,3", 10)).code,
              poke::kUnknownInterface);
}

class PokeFileTest : public ModuleFixture {
protected:
    void SetUp() override {
        StartModule();
        engine = std::make_unique<CCmdEngine>(&port, nullptr, nullptr, nullptr, 0);
    }
    uint8_t Register(uint8_t interface, uint8_t device, uint32_t address) {
        const auto state = module->State();
        const auto it = state.registers.find({interface, device, address});
        return it == state.registers.end() ? 0 : it->second;
    }
    std::unique_ptr<CCmdEngine> engine;
};

TEST_F(PokeFileTest, LinesBeforeAFailureAreWrittenAndNoneAfter) {
    std::wistringstream file(L"\"Interface\",\"Device\",\"Address\",\"Value\"\n"
                             L"I2C,4a,10,1\n"
                             L";skip\n"
                             L"SPI Control,2,20,2\n"
                             L"I2C,4a,11,100\n"
                             L"I2C,4a,12,3\n");
    PokeFileError error;
    EXPECT_EQ(engine->LoadPokeFile(file, error), eng::kPokeFileParse);
    EXPECT_EQ(error.code, poke::kValueRange);
    EXPECT_EQ(error.line, 5u);
    EXPECT_EQ(Register(0, 0x4A, 0x10), 1);
    EXPECT_EQ(Register(1, 2, 0x20), 2);
    EXPECT_EQ(module->RequestCodes(), (std::vector<uint8_t>{0x9D, 0x9D}));
}

TEST_F(PokeFileTest, AnEmptyLineEndsTheFile) {
    std::wistringstream file(L"I2C,4a,10,1\n\nI2C,4a,11,2\n");
    PokeFileError error;
    EXPECT_EQ(engine->LoadPokeFile(file, error), eng::kOk);
    EXPECT_EQ(module->RequestCodes(), (std::vector<uint8_t>{0x9D}));

    // With lone CR line ends every line is written, and CR CR is an empty line.
    std::wistringstream crOnly(L"I2C,4a,10,1\rI2C,4a,11,2\r\rI2C,4a,12,3\r");
    module->ClearLog();
    EXPECT_EQ(engine->LoadPokeFile(crOnly, error), eng::kOk);
    EXPECT_EQ(module->RequestCodes(), (std::vector<uint8_t>{0x9D, 0x9D}));

    std::wistringstream startsEmpty(L"\nI2C,4a,11,2\n");
    module->ClearLog();
    EXPECT_EQ(engine->LoadPokeFile(startsEmpty, error), eng::kOk);
    EXPECT_EQ(module->RequestCount(), 0u);
}

TEST_F(PokeFileTest, AFailedPokeEndsTheRun) {
    module->Script(0x9D, sim::Reply::Reject().After(1));
    std::wistringstream file(L"I2C,4a,10,1\nI2C,4a,11,2\nI2C,4a,12,3\n");
    PokeFileError error;
    EXPECT_EQ(engine->LoadPokeFile(file, error), eng::kLinkError);
    EXPECT_EQ(module->RequestCodes(), (std::vector<uint8_t>{0x9D, 0x9D}));
}

} // namespace
