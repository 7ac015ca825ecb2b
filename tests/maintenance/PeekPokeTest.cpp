// The Peek/Poke/CSV tab over a simulated module: the hexadecimal edits, peek
// and poke with their status texts, CSV files played into the module, and the
// Return key on both engineering pages; first the texts that need no widgets.
#include "PageFixture.h"

#include "maintenance/CPeekPokeText.h"
#include "maintenance/pages/CPeekPoke.h"

#include <QCheckBox>

#include <iterator>
#include <optional>
#include <sstream>

namespace {

using sim::RegisterKey;
using sim::Reply;

constexpr uint8_t kSpiControl = 1;

RegisterKey Spi(uint32_t address) {
    return {kSpiControl, 0x40, address};
}

// "SPI Control,40,<address>,<value>" with the value 0x11 times the address.
std::string SpiLine(uint32_t address) {
    char line[64];
    std::snprintf(line, sizeof line, "SPI Control,40,%X,%X\n", address, 0x11 * address);
    return line;
}

class PeekPokeTest : public PageFixture<CPeekPoke> {
protected:
    void MakePage() { page = std::make_unique<CPeekPoke>(&services); }
    void ConnectedPage() {
        ConnectModule(sim::Profile::Tarn);
        MakePage();
        module->ClearLog();
    }

    QLineEdit* Edit(int id) const { return Ctl<QLineEdit>(id); }
    QComboBox* CsvFiles() const { return Ctl<QComboBox>(CPeekPoke::kCsvFile); }
    static const CPeekPoke::RowIds& Row(int r) {
        return CPeekPoke::kRowIds[static_cast<size_t>(r)];
    }
    // Device, address and data of a row, as the operator types them.
    void Fill(int row, const char* device, const char* address, const char* data = "") {
        Edit(CPeekPoke::kDevice)->setText(QString::fromLatin1(device));
        Edit(Row(row).address)->setText(QString::fromLatin1(address));
        Edit(Row(row).pokeData)->setText(QString::fromLatin1(data));
    }
    std::wstring PeekData(int row) const { return Edit(Row(row).peekData)->text().toStdWString(); }
    std::map<RegisterKey, uint8_t> Registers() const { return module->State().registers; }
    void ClearRegisters() {
        module->UpdateState([](sim::ModuleState& s) { s.registers.clear(); });
    }
    // Chooses a file through "Browse...".
    std::wstring Browse(const std::string& name, const std::optional<std::string>& content = {}) {
        if (content)
            WriteFile(Work(name), *content);
        dialogs.ChooseFile(WorkWide(name));
        Click(CPeekPoke::kCsvBrowse);
        return WorkWide(name);
    }
};

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
        {L" 1", 6, false, std::nullopt},
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
        {"\xEF\xBB\xBF\"Head\"\n", L"\"Head\"\n"}, // byte order mark dropped
        {"; caf\xE9\n", L"; caf\uFFFD\n"},         // Latin-1 byte: replaced
        {"x\xEF\xBB\xBF", L"x\uFEFF"},             // only a leading mark is dropped
    };
    for (const auto& [bytes, text] : cases) {
        // Read whole and in blocks of every small size: a mark or a character
        // cut by a block's end decodes as if read whole.
        for (const size_t block : {size_t{1}, size_t{2}, size_t{4096}}) {
            std::istringstream in(bytes);
            peekpoke::CsvTextStream stream(in, block);
            EXPECT_EQ(std::wstring(std::istreambuf_iterator<wchar_t>(stream.Text()), {}), text)
                << "block " << block;
            EXPECT_FALSE(stream.ReadFailed());
        }
    }
}

// ---- The hexadecimal edits ------------------------------------------------------------------

TEST_F(PeekPokeTest, EditsKeepOnlyHexadecimalTextThatFits) {
    StartSession();
    MakePage();
    const std::pair<int, int> edits[] = {
        {CPeekPoke::kDevice, 2}, {Row(3).address, 6}, {Row(3).pokeData, 2}};
    for (const auto& [id, digits] : edits) {
        SCOPED_TRACE(id);
        QLineEdit* edit = Edit(id);
        edit->setText(QStringLiteral("0x1")); // refused as a whole
        EXPECT_EQ(edit->text(), "");
        edit->insert(QString(digits + 1, QLatin1Char('f'))); // no digit beyond the field
        EXPECT_EQ(edit->text(), QString(digits, QLatin1Char('f')));
    }
}

// ---- Peek and poke --------------------------------------------------------------------------

TEST_F(PeekPokeTest, PeekShowsTheRegisterAndPokeReadsBackUnlessTheRowSaysNot) {
    ConnectedPage();
    module->UpdateState([](sim::ModuleState& s) { s.registers[Spi(0x1A)] = 0x5C; });
    Fill(2, "40", "1A");
    Click(Row(2).peekButton);
    // Only that row changes.
    EXPECT_EQ((std::vector{PeekData(0), PeekData(1), PeekData(2), PeekData(3)}),
              (std::vector<std::wstring>{L"", L"", L"5C", L""}));
    EXPECT_EQ(Status(), L"");

    const std::tuple<int, bool, const char*, std::wstring> cases[] = {
        {0, false, "1A", L"07"},
        {3, true, "ABCDEF", L""},
    };
    for (const auto& [row, noPeek, address, peekData] : cases) {
        SCOPED_TRACE(row);
        module->ClearLog();
        Ctl<QCheckBox>(Row(row).noPeek)->setChecked(noPeek);
        Fill(row, "40", address, "7");
        Click(Row(row).pokeButton);
        EXPECT_EQ(Registers()[Spi(static_cast<uint32_t>(std::stoul(address, nullptr, 16)))], 7);
        EXPECT_EQ(Count(0x9D), 1u);
        EXPECT_EQ(Count(0x9E), noPeek ? 0u : 1u);
        EXPECT_EQ(PeekData(row), peekData);
        EXPECT_EQ(Status(), L"");
    }
}

TEST_F(PeekPokeTest, FailuresAndRefusalsHaveTheirStatusTexts) {
    ConnectedPage();
    using Arrange = std::function<void()>;
    const auto answer = [this](Reply reply) -> Arrange {
        return [this, reply] {
            module->ScriptAlways(0x9D, reply);
            module->ScriptAlways(0x9E, reply);
        };
    };
    const auto clear = [this](int id) -> Arrange { return [this, id] { Edit(id)->clear(); }; };
    const Arrange updating = [this] { engine->SetUpdateInProgress(true); };
    const Arrange badInterface = [this] {
        auto* combo = Ctl<QComboBox>(CPeekPoke::kInterface);
        combo->addItem(QStringLiteral("Bogus"), 9u);
        combo->setCurrentIndex(combo->count() - 1);
    };
    const std::tuple<Arrange, bool, std::wstring, bool> cases[] = {
        // What to change, poke (or peek), the status text, and whether a
        // request reached the module.
        {[this] { engine->SetConnected(false); }, false, L"Not connected to a module.", false},
        {updating, true, L"Update is in-process! Poke cancelled.", false},
        {badInterface, false, L"Bad interface specified! Peek cancelled.", false},
        {answer(Reply::Reject()), true, L"Connection broken! Poke cancelled.", true},
        {clear(CPeekPoke::kDevice), false, L"No device specified! Peek cancelled.", false},
        {clear(Row(1).pokeData), true, L"No data specified! Poke cancelled.", false},
    };
    for (const auto& [arrange, poke, text, sent] : cases) {
        SCOPED_TRACE(text);
        MakePage();
        engine->SetConnected(true);
        engine->SetUpdateInProgress(false);
        module->ClearScripts();
        ClearRegisters();
        Fill(1, "40", "1B", "5");
        Edit(Row(1).peekData)->setText(QStringLiteral("AA"));
        arrange();
        module->ClearLog();
        Click(poke ? Row(1).pokeButton : Row(1).peekButton);
        EXPECT_EQ(Status(), text);
        EXPECT_EQ(module->RequestCount() > 0, sent);
        // A failed poke is not read back, and a failure leaves the peek data alone.
        EXPECT_EQ(Count(0x9E), poke || !sent ? 0u : 1u);
        EXPECT_EQ(PeekData(1), L"AA");
        EXPECT_EQ(Registers().count(Spi(0x1B)), 0u);
    }
    engine->SetUpdateInProgress(false);
}

// ---- CSV files ------------------------------------------------------------------------------

TEST_F(PeekPokeTest, CsvFilesStopWhereTheyEndOrFail) {
    const std::string header = "\"Interface\",\"Device\",\"Address\",\"Data\"\n";
    struct Case {
        std::string content;
        std::wstring status;
        uint32_t pokes; // SpiLine(1) up to SpiLine(pokes) written, nothing else
    };
    const Case cases[] = {
        {header + "; set up\n" + SpiLine(1) + SpiLine(2), L"Load completed.", 2},
        // Line numbers count from the header.
        {header + "; set up\n" + SpiLine(1) + "SPI Config,1,2\n" + SpiLine(2),
         L"Conversion failed on line '4'! Load cancelled.", 1},
        {SpiLine(1) + SpiLine(2) + "I2C 4a 10 1\n" + SpiLine(3),
         L"Confusing entry on line '3'! Load cancelled.", 2},
        {"", L"Load completed.", 0},
        {"\xEF\xBB\xBF" + header + "SPI Control,40,1,11\r\n", L"Load completed.", 1},
    };
    ConnectedPage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        ClearRegisters();
        module->ClearLog();
        Browse("regs.csv", c.content);
        Click(CPeekPoke::kLoad);
        EXPECT_EQ(Status(), c.status);
        EXPECT_EQ(Count(0x9D), c.pokes);
        std::map<RegisterKey, uint8_t> written;
        for (uint32_t address = 1; address <= c.pokes; ++address)
            written[Spi(address)] = static_cast<uint8_t>(0x11 * address);
        EXPECT_EQ(Registers(), written);
    }
    EXPECT_GT(dialogs.waitCursorUses, 0);
    EXPECT_EQ(dialogs.waitCursorDepth, 0);
}

TEST_F(PeekPokeTest, LoadRefusesWithoutAFileOrAModuleOrWhileAnUpdateRuns) {
    ConnectedPage();
    Click(CPeekPoke::kLoad);
    EXPECT_EQ(Status(), L"");
    EXPECT_TRUE(dialogs.boxes.empty());
    Browse("regs.csv", SpiLine(1));
    engine->SetUpdateInProgress(true);
    Click(CPeekPoke::kLoad);
    EXPECT_EQ(Status(), L"Update is in-process! Load cancelled.");
    engine->SetUpdateInProgress(false);
    engine->SetConnected(false);
    Click(CPeekPoke::kLoad);
    EXPECT_EQ(Status(), L"Not connected to a module.");
    EXPECT_EQ(Count(0x9D), 0u);
}

TEST_F(PeekPokeTest, AFileThatCannotBeOpenedIsReportedAndNothingIsSent) {
    ConnectedPage();
    const std::wstring path = Browse("vanishing.csv", SpiLine(1));
    fs::remove(Work("vanishing.csv"));
    Click(CPeekPoke::kLoad);
    EXPECT_EQ(dialogs.fileErrors, std::vector<std::wstring>{path});
    EXPECT_EQ(Status(), L"");
    EXPECT_EQ(Count(0x9D), 0u);

    // A folder opens as a stream but is no file of pokes: browsing refuses it.
    fs::create_directory(Work("folder.csv"));
    Browse("folder.csv");
    EXPECT_EQ(dialogs.fileErrors.size(), 2u);
    EXPECT_EQ(CsvFiles()->count(), 1);
}

} // namespace
