// The Peek/Poke/CSV tab over a simulated module: the hexadecimal edits, peek
// and poke with their status texts, CSV files played into the module, and the
// Return key on both engineering pages; first the texts that need no widgets.
#include "PageFixture.h"

#include "maintenance/pages/CLookupTable.h"
#include "maintenance/pages/CPeekPoke.h"
#include "maintenance/CPeekPokeText.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>

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
    void MakePage() { page = std::make_unique<CPeekPoke>(this); }
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

TEST(PeekPokeTextTest, LoadResultTexts) {
    EXPECT_EQ(peekpoke::LoadResultText(eng::kLinkError, {}), L"Connection broken! Load cancelled.");
    EXPECT_EQ(peekpoke::LoadResultText(eng::kNotConnected, {}), L"Unknown error! Load cancelled.");
    // Rejected lines without a text report nothing.
    EXPECT_EQ(peekpoke::LoadResultText(eng::kPokeFileParse, {-9, 3}), L"");
    EXPECT_EQ(peekpoke::InterfaceName(4), L"") << "beyond the interfaces";
}

// ---- The hexadecimal edits ------------------------------------------------------------------

TEST_F(PeekPokeTest, EditsKeepOnlyHexadecimalTextThatFits) {
    MakeEngine();
    MakePage();
    std::vector<std::pair<int, int>> edits{{CPeekPoke::kDevice, 2}};
    for (const CPeekPoke::RowIds& row : CPeekPoke::kRowIds) {
        edits.emplace_back(row.address, 6);
        edits.emplace_back(row.pokeData, 2);
    }
    for (const auto& [id, digits] : edits) {
        SCOPED_TRACE(id);
        QLineEdit* edit = Edit(id);
        edit->setText(QStringLiteral("0x1")); // refused as a whole
        EXPECT_EQ(edit->text(), "");
        edit->insert(QString(digits + 1, QLatin1Char('f'))); // no digit beyond the field
        const QString full(digits, QLatin1Char('f'));
        EXPECT_EQ(edit->text(), full);
        // A refused keystroke is undone where it was typed, not remembered:
        // the next good one goes there and builds on the text before it.
        edit->backspace();
        edit->setCursorPosition(0);
        edit->insert(QStringLiteral("g"));
        EXPECT_EQ(edit->text(), full.left(digits - 1));
        edit->insert(QStringLiteral("A"));
        EXPECT_EQ(edit->text(), QStringLiteral("A") + full.left(digits - 1));
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
    EXPECT_EQ(status, L"");

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
        EXPECT_EQ(status, L"");
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
    Reply silent = Reply::Silence();
    silent.execute = false; // a module that never heard the request
    const std::tuple<Arrange, bool, std::wstring, bool> cases[] = {
        // What to change, poke (or peek), the status text, and whether a
        // request reached the module.
        {[this] { engine->SetConnected(false); }, false, L"Not connected to a module.", false},
        {updating, false, L"Update is in-process! Peek cancelled.", false},
        {updating, true, L"Update is in-process! Poke cancelled.", false},
        {badInterface, false, L"Bad interface specified! Peek cancelled.", false},
        {answer(Reply::Reject()), true, L"Connection broken! Poke cancelled.", true},
        {answer(silent), false, L"Connection timed out! Peek cancelled.", true},
        {answer(Reply::Status(0xFA)), true, L"Unknown error! Poke cancelled.", true},
        {clear(CPeekPoke::kDevice), false, L"No device specified! Peek cancelled.", false},
        {clear(Row(1).address), true, L"No address specified! Poke cancelled.", false},
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
        EXPECT_EQ(status, text);
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
        {SpiLine(1) + "i2c,0,0,0\n" + SpiLine(2), L"Illegal interface on line '2'! Load cancelled.",
         1},
        {SpiLine(1) + "I2C,4a,10,100\n" + SpiLine(2),
         L"Data out of range on line '2'! Load cancelled.", 1},
        {SpiLine(1) + "I2C,4a,1000000,1\n" + SpiLine(2),
         L"Address out of range on line '2'! Load cancelled.", 1},
        {SpiLine(1) + SpiLine(2) + "I2C 4a 10 1\n" + SpiLine(3),
         L"Confusing entry on line '3'! Load cancelled.", 2},
        {SpiLine(1) + "SPI Control,40,2,22" + std::string(600, ' ') + "\n" + SpiLine(2),
         L"Line too long on line '2'! Load cancelled.", 1},
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
        EXPECT_EQ(status, c.status);
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
    EXPECT_EQ(status, L"");
    EXPECT_TRUE(dialogs.boxes.empty());
    Browse("regs.csv", SpiLine(1));
    engine->SetUpdateInProgress(true);
    Click(CPeekPoke::kLoad);
    EXPECT_EQ(status, L"Update is in-process! Load cancelled.");
    engine->SetUpdateInProgress(false);
    engine->SetConnected(false);
    Click(CPeekPoke::kLoad);
    EXPECT_EQ(status, L"Not connected to a module.");
    EXPECT_EQ(Count(0x9D), 0u);
}

TEST_F(PeekPokeTest, AFileThatCannotBeOpenedIsReportedAndNothingIsSent) {
    ConnectedPage();
    const std::wstring path = Browse("vanishing.csv", SpiLine(1));
    fs::remove(Work("vanishing.csv"));
    Click(CPeekPoke::kLoad);
    EXPECT_EQ(dialogs.fileErrors, std::vector<std::wstring>{path});
    EXPECT_EQ(status, L"");
    EXPECT_EQ(Count(0x9D), 0u);

    // Choosing it again in the combo tests it again; browsing to it (or to a
    // folder, which opens as a stream but is no file of pokes) refuses it.
    emit CsvFiles()->activated(0);
    EXPECT_EQ(dialogs.fileErrors.size(), 2u);
    Browse("never.csv");
    EXPECT_EQ(dialogs.fileErrors.size(), 3u);
    fs::create_directory(Work("folder.csv"));
    Browse("folder.csv");
    EXPECT_EQ(dialogs.fileErrors.size(), 4u);
    EXPECT_EQ(CsvFiles()->count(), 1);
}

TEST_F(PeekPokeTest, TheFileComboHoldsEachFileOnceAndShowsItInFull) {
    MakeEngine();
    MakePage();
    const std::string longName = std::string(120, 'n') + ".csv"; // wider than the combo
    const std::wstring shortPath = Browse("a.csv", "");
    const std::wstring longPath = Browse(longName, "");
    Browse("a.csv");
    ASSERT_EQ(CsvFiles()->count(), 2);
    EXPECT_EQ(CsvFiles()->currentText().toStdWString(), shortPath);
    EXPECT_EQ(dialogs.fileRequests.front().filter,
              L"CSV (Comma delimited)(*.csv)|*.csv|All Files(*.*)|*.*||");
    const QFontMetrics metrics(CsvFiles()->view()->font());
    EXPECT_GT(CsvFiles()->view()->minimumWidth(),
              metrics.horizontalAdvance(QString::fromStdWString(longPath)));
}

// ---- Keys -----------------------------------------------------------------------------------

TEST_F(PeekPokeTest, ReturnNeverReachesTheWindowAroundThePage) {
    MakeEngine();
    const std::pair<std::function<QWidget*(QWidget*)>, int> cases[] = {
        {[this](QWidget* parent) { return new CPeekPoke(this, parent); }, CPeekPoke::kAddress1},
        {[this](QWidget* parent) { return new CLookupTable(this, this, parent); },
         CLookupTable::kInstalledVersion},
    };
    for (const auto& [make, edit] : cases) {
        SCOPED_TRACE(edit);
        // A window whose default button closes it, as a dialog's OK does.
        QDialog window;
        auto* ok = new QPushButton(QStringLiteral("OK"), &window);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &window, &QDialog::accept);
        QWidget* shown = make(&window);
        window.show();
        for (int key : {Qt::Key_Return, Qt::Key_Enter})
            PressKey(Control<QLineEdit>(shown, edit), key);
        EXPECT_EQ(window.result(), 0);
        EXPECT_TRUE(window.isVisible());
    }
}

} // namespace
