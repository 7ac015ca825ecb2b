// The Peek/Poke/CSV tab over a simulated module: the hexadecimal edits, peek
// and poke with their status texts, and CSV files played into the module.
#include "PageFixture.h"

#include "maintenance/CLookupTable.h"
#include "maintenance/CPeekPoke.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <memory>
#include <optional>

namespace {

using sim::RegisterKey;
using sim::Reply;

constexpr uint8_t kSpiControl = 1;

class PeekPokeTest : public PageFixture {
protected:
    void MakePage() { page = std::make_unique<CPeekPoke>(&services); }
    void ConnectedPage() {
        ConnectModule(sim::Profile::Tarn);
        MakePage();
        module->ClearLog();
    }
    void TearDown() override {
        page.reset();
        PageFixture::TearDown();
    }

    QLineEdit* Edit(int id) { return Control<QLineEdit>(page.get(), id); }
    QPushButton* Button(int id) { return Control<QPushButton>(page.get(), id); }
    QComboBox* CsvFiles() { return Control<QComboBox>(page.get(), CPeekPoke::kCsvFile); }
    const CPeekPoke::RowIds& Row(int r) { return CPeekPoke::kRowIds[static_cast<size_t>(r)]; }

    // Device, address and data of a row, as the operator types them.
    void Fill(int row, const char* device, const char* address, const char* data = "") {
        Edit(CPeekPoke::kDevice)->setText(QString::fromLatin1(device));
        Edit(Row(row).address)->setText(QString::fromLatin1(address));
        Edit(Row(row).pokeData)->setText(QString::fromLatin1(data));
    }
    std::wstring PeekData(int row) { return Edit(Row(row).peekData)->text().toStdWString(); }

    // Chooses a CSV file through "Browse..." and presses "Load".
    void Load(const std::string& content, const std::string& name = "regs.csv") {
        services.dialogs.ChooseFile(scratch.Write(name, content));
        Button(CPeekPoke::kCsvBrowse)->click();
        Button(CPeekPoke::kLoad)->click();
    }

    std::unique_ptr<CPeekPoke> page;
};

// ---- The hexadecimal edits ------------------------------------------------------------------

TEST_F(PeekPokeTest, EditsKeepOnlyHexadecimalTextThatFits) {
    EngineWithoutModule();
    MakePage();
    struct Case {
        int control;
        const char* before;
        bool paste; // insert at the cursor (typing, pasting) rather than replace
        const char* input;
        const char* after;
    };
    const Case cases[] = {
        {CPeekPoke::kAddress1, "12", true, "g", "12"},
        {CPeekPoke::kAddress2, "12", true, "1x2", "12"},
        {CPeekPoke::kAddress3, "ab", false, "0x10", "ab"},
        {CPeekPoke::kAddress4, "", true, "fF09", "fF09"},
        {CPeekPoke::kAddress1, "123456", true, "7", "123456"}, // no 7th digit
        {CPeekPoke::kAddress1, "", false, "ABCDEF", "ABCDEF"},
        {CPeekPoke::kDevice, "4", true, "a", "4a"},
        {CPeekPoke::kDevice, "4a", true, "1", "4a"},
        {CPeekPoke::kDevice, "4a", true, " ", "4a"},
        {CPeekPoke::kPokeData1, "F", true, "-", "F"},
        {CPeekPoke::kPokeData4, "", true, "e", "e"},
        {CPeekPoke::kPokeData3, "1", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.control << " '" << c.before << "' + '" << c.input << "'");
        QLineEdit* edit = Edit(c.control);
        edit->setText(QString::fromLatin1(c.before));
        if (c.paste) {
            edit->end(false);
            edit->insert(QString::fromLatin1(c.input));
        } else {
            edit->setText(QString::fromLatin1(c.input));
        }
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.after));
        // A refused keystroke is undone, not remembered: the next good one builds on it.
        edit->end(false);
        edit->insert(QStringLiteral("0"));
        const QString expected = QString::fromLatin1(c.after) + QStringLiteral("0");
        if (expected.size() <= edit->maxLength()) {
            EXPECT_EQ(edit->text(), expected);
        }
    }
}

// ---- Peek and poke --------------------------------------------------------------------------

TEST_F(PeekPokeTest, PeekShowsTheRegisterOfTheRow) {
    ConnectedPage();
    module->UpdateState([](sim::ModuleState& s) { s.registers[{kSpiControl, 0x40, 0x1A}] = 0x5C; });
    Fill(2, "40", "1A");
    Button(Row(2).peekButton)->click();
    EXPECT_EQ(PeekData(2), L"5C");
    EXPECT_EQ(services.Status(), L"");
    // Only that row changes.
    for (int r : {0, 1, 3})
        EXPECT_EQ(PeekData(r), L"");
}

TEST_F(PeekPokeTest, PokeWritesAndReadsBackUnlessTheRowSaysNot) {
    ConnectedPage();
    struct Case {
        int row;
        bool noPeek;
        const char* address;
        std::wstring peekData;
        size_t peeks;
    };
    const Case cases[] = {
        {0, false, "1A", L"07", 1},
        {3, true, "ABCDEF", L"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        module->ClearLog();
        Control<QCheckBox>(page.get(), Row(c.row).noPeek)->setChecked(c.noPeek);
        Fill(c.row, "40", c.address, "7");
        Button(Row(c.row).pokeButton)->click();
        const uint32_t address = static_cast<uint32_t>(std::stoul(c.address, nullptr, 16));
        EXPECT_EQ(Registers()[(RegisterKey{kSpiControl, 0x40, address})], 7);
        EXPECT_EQ(Count(0x9D), 1u);
        EXPECT_EQ(Count(0x9E), c.peeks);
        EXPECT_EQ(PeekData(c.row), c.peekData);
        EXPECT_EQ(services.Status(), L"");
    }
}

TEST_F(PeekPokeTest, FailuresAndRefusalsHaveTheirStatusTexts) {
    ConnectedPage();
    struct Case {
        const char* name;
        std::function<void()> arrange;
        bool poke;
        std::wstring status;
        bool sent; // a request reached the module
    };
    auto scriptBoth = [this](Reply reply) {
        return [this, reply] {
            module->ScriptAlways(0x9D, reply);
            module->ScriptAlways(0x9E, reply);
        };
    };
    auto badInterface = [this] {
        auto* combo = Control<QComboBox>(page.get(), CPeekPoke::kInterface);
        combo->addItem(QStringLiteral("Bogus"), 9u);
        combo->setCurrentIndex(combo->count() - 1);
    };
    Reply silent = Reply::Silence();
    silent.execute = false; // a module that never heard the request
    const Case cases[] = {
        {"not connected", [this] { engine->SetConnected(false); }, false,
         L"Not connected to a module.", false},
        {"not connected", [this] { engine->SetConnected(false); }, true,
         L"Not connected to a module.", false},
        {"update running", [this] { engine->SetUpdateInProgress(true); }, false,
         L"Update is in-process! Peek cancelled.", false},
        {"update running", [this] { engine->SetUpdateInProgress(true); }, true,
         L"Update is in-process! Poke cancelled.", false},
        {"bad interface", badInterface, false, L"Bad interface specified! Peek cancelled.", false},
        {"bad interface", badInterface, true, L"Bad interface specified! Poke cancelled.", false},
        {"rejected", scriptBoth(Reply::Reject()), false, L"Connection broken! Peek cancelled.",
         true},
        {"rejected", scriptBoth(Reply::Reject()), true, L"Connection broken! Poke cancelled.",
         true},
        {"silent", scriptBoth(silent), false, L"Connection timed out! Peek cancelled.", true},
        {"silent", scriptBoth(silent), true, L"Connection timed out! Poke cancelled.", true},
        {"status FA", scriptBoth(Reply::Status(0xFA)), true, L"Unknown error! Poke cancelled.",
         true},
        {"no device", [this] { Edit(CPeekPoke::kDevice)->clear(); }, false,
         L"No device specified! Peek cancelled.", false},
        {"no address", [this] { Edit(Row(1).address)->clear(); }, true,
         L"No address specified! Poke cancelled.", false},
        {"no data", [this] { Edit(Row(1).pokeData)->clear(); }, true,
         L"No data specified! Poke cancelled.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << (c.poke ? " poke" : " peek"));
        page.reset();
        MakePage();
        engine->SetConnected(true);
        engine->SetUpdateInProgress(false);
        module->ClearScripts();
        module->UpdateState([](sim::ModuleState& state) { state.registers.clear(); });
        Fill(1, "40", "1B", "5");
        Edit(Row(1).peekData)->setText(QStringLiteral("AA"));
        c.arrange();
        module->ClearLog();
        Button(c.poke ? Row(1).pokeButton : Row(1).peekButton)->click();
        EXPECT_EQ(services.Status(), c.status);
        EXPECT_EQ(module->RequestCount() > 0, c.sent);
        // A failed poke is not read back, and a failure leaves the peek data alone.
        EXPECT_EQ(Count(0x9E), c.poke || !c.sent ? 0u : 1u);
        EXPECT_EQ(PeekData(1), L"AA");
        EXPECT_EQ(Registers().count(RegisterKey{kSpiControl, 0x40, 0x1B}), 0u);
    }
    engine->SetUpdateInProgress(false);
}

// ---- CSV files ------------------------------------------------------------------------------

struct CsvCase {
    const char* name;
    std::string content;
    std::wstring status;
    std::vector<RegisterKey> written;    // each holds 0x11 times its address
    std::vector<RegisterKey> notWritten; // lines after the end or the failure
};

// "SPI Control,40,<address>,<value>" with the value 0x11 times the address.
std::string SpiLine(uint32_t address) {
    char line[64];
    std::snprintf(line, sizeof line, "SPI Control,40,%X,%X\n", address, 0x11 * address);
    return line;
}

RegisterKey Spi(uint32_t address) {
    return {kSpiControl, 0x40, address};
}

TEST_F(PeekPokeTest, CsvFilesStopWhereTheyEndOrFail) {
    const std::string header = "\"Interface\",\"Device\",\"Address\",\"Data\"\n";
    const std::string longLine = "SPI Control,40,3,33" + std::string(600, ' ') + "\n";
    // 511 characters is the longest line there may be.
    const std::string fullLine = "SPI Control,40,3,33" + std::string(511 - 19, ' ') + "\n";
    const CsvCase cases[] = {
        {"header, comment, data",
         header + "; set up\n" + SpiLine(1) + SpiLine(2),
         L"Load completed.",
         {Spi(1), Spi(2)},
         {}},
        {"line numbers count from the header",
         header + "; set up\n" + SpiLine(1) + "SPI Config,1,2\n" + SpiLine(2),
         L"Conversion failed on line '4'! Load cancelled.",
         {Spi(1)},
         {Spi(2)}},
        {"a blank line ends the file",
         SpiLine(1) + "\n" + SpiLine(2),
         L"Load completed.",
         {Spi(1)},
         {Spi(2)}},
        {"name with a space",
         "JTAG 1,2,3\n" + SpiLine(1),
         L"Illegal interface on line '1'! Load cancelled.",
         {},
         {Spi(1)}},
        {"names are case-sensitive",
         SpiLine(1) + "i2c,0,0,0\n" + SpiLine(2),
         L"Illegal interface on line '2'! Load cancelled.",
         {Spi(1)},
         {Spi(2)}},
        {"data out of range on line 5",
         header + SpiLine(1) + SpiLine(2) + SpiLine(3) + "I2C,4a,10,100\n" + SpiLine(4),
         L"Data out of range on line '5'! Load cancelled.",
         {Spi(1), Spi(2), Spi(3)},
         {Spi(4)}},
        {"address out of range",
         SpiLine(1) + "I2C,4a,1000000,1\n",
         L"Address out of range on line '2'! Load cancelled.",
         {Spi(1)},
         {}},
        {"no separator",
         SpiLine(1) + SpiLine(2) + "I2C 4a 10 1\n",
         L"Confusing entry on line '3'! Load cancelled.",
         {Spi(1), Spi(2)},
         {}},
        {"a line longer than 511 characters",
         SpiLine(1) + SpiLine(2) + longLine + SpiLine(4),
         L"Line too long on line '3'! Load cancelled.",
         {Spi(1), Spi(2)},
         {Spi(3), Spi(4)}},
        {"a line of 511 characters",
         SpiLine(1) + fullLine,
         L"Load completed.",
         {Spi(1), Spi(3)},
         {}},
        {"empty file", "", L"Load completed.", {}, {}},
        {"CR LF lines and a byte order mark",
         "\xEF\xBB\xBF" + header + "SPI Control,40,1,11\r\n",
         L"Load completed.",
         {Spi(1)},
         {}},
        {"binary file",
         std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
         L"Confusing entry on line '1'! Load cancelled.",
         {},
         {}},
        {"invalid UTF-8 in a name",
         SpiLine(1) + "I2\xC3"
                      "C,1,2,3\n",
         L"Illegal interface on line '2'! Load cancelled.",
         {Spi(1)},
         {}},
    };
    ConnectedPage();
    for (const CsvCase& c : cases) {
        SCOPED_TRACE(c.name);
        module->UpdateState([](sim::ModuleState& s) { s.registers.clear(); });
        module->ClearLog();
        Load(c.content);
        EXPECT_EQ(services.Status(), c.status);
        const auto registers = Registers();
        for (size_t i = 0; i < c.written.size(); ++i) {
            const auto it = registers.find(c.written[i]);
            ASSERT_NE(it, registers.end()) << "register " << i << " not written";
            EXPECT_EQ(it->second, 0x11 * std::get<2>(c.written[i]));
        }
        for (const RegisterKey& key : c.notWritten)
            EXPECT_EQ(registers.count(key), 0u) << "address " << std::get<2>(key);
        EXPECT_EQ(Count(0x9D), c.written.size());
    }
    EXPECT_GT(services.dialogs.waitCursorUses, 0);
    EXPECT_EQ(services.dialogs.waitCursorDepth, 0);
}

TEST_F(PeekPokeTest, APokeThatFailsPartWayKeepsTheLinesBeforeIt) {
    ConnectedPage();
    module->Script(0x9D, Reply::Reject().After(1));
    Load(SpiLine(1) + SpiLine(2) + SpiLine(3));
    EXPECT_EQ(services.Status(), L"Connection broken! Load cancelled.");
    EXPECT_EQ(Registers().count(Spi(1)), 1u);
    EXPECT_EQ(Registers().count(Spi(2)), 0u);
    EXPECT_EQ(Registers().count(Spi(3)), 0u);
}

TEST_F(PeekPokeTest, LoadRefusesWithoutAModuleOrWhileAnUpdateRuns) {
    ConnectedPage();
    struct Case {
        const char* name;
        bool connected;
        bool updating;
        std::wstring status;
    };
    const Case cases[] = {
        {"not connected", false, false, L"Not connected to a module."},
        {"update running", true, true, L"Update is in-process! Load cancelled."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine->SetConnected(c.connected);
        engine->SetUpdateInProgress(c.updating);
        Load(SpiLine(1));
        EXPECT_EQ(services.Status(), c.status);
        EXPECT_EQ(Count(0x9D), 0u);
    }
    engine->SetConnected(true);
    engine->SetUpdateInProgress(false);
}

TEST_F(PeekPokeTest, AFileThatCannotBeOpenedIsReportedAndNothingIsSent) {
    ConnectedPage();
    const std::wstring path = scratch.Write("vanishing.csv", SpiLine(1));
    services.dialogs.ChooseFile(path);
    Button(CPeekPoke::kCsvBrowse)->click();
    std::filesystem::remove(scratch.Path() / "vanishing.csv");

    Button(CPeekPoke::kLoad)->click();
    EXPECT_EQ(services.dialogs.fileErrors, std::vector<std::wstring>{path});
    EXPECT_EQ(services.Status(), L"");
    EXPECT_EQ(Count(0x9D), 0u);

    // Choosing it again in the combo tests it again; browsing to it refuses it.
    emit CsvFiles()->activated(0);
    EXPECT_EQ(services.dialogs.fileErrors.size(), 2u);
    services.dialogs.ChooseFile(scratch.Wide("never.csv"));
    Button(CPeekPoke::kCsvBrowse)->click();
    EXPECT_EQ(services.dialogs.fileErrors.size(), 3u);
    // A directory opens as a stream but is no file of pokes.
    std::filesystem::create_directory(scratch.Path() / "folder.csv");
    services.dialogs.ChooseFile(scratch.Wide("folder.csv"));
    Button(CPeekPoke::kCsvBrowse)->click();
    EXPECT_EQ(services.dialogs.fileErrors.size(), 4u);
    EXPECT_EQ(CsvFiles()->count(), 1);
}

TEST_F(PeekPokeTest, TheFileComboHoldsEachFileOnceAndShowsItInFull) {
    EngineWithoutModule();
    MakePage();
    const std::wstring shortPath = scratch.Write("a.csv", "");
    const std::wstring longPath =
        scratch.Write(std::string(120, 'n') + ".csv", ""); // wider than the combo
    for (const std::wstring& path : {shortPath, longPath, shortPath}) {
        services.dialogs.ChooseFile(path);
        Button(CPeekPoke::kCsvBrowse)->click();
    }
    ASSERT_EQ(CsvFiles()->count(), 2);
    EXPECT_EQ(CsvFiles()->currentText().toStdWString(), shortPath);
    EXPECT_EQ(services.dialogs.fileRequests.front().filter,
              L"CSV (Comma delimited)(*.csv)|*.csv|All Files(*.*)|*.*||");
    const QFontMetrics metrics(CsvFiles()->view()->font());
    EXPECT_GT(CsvFiles()->view()->minimumWidth(),
              metrics.horizontalAdvance(QString::fromStdWString(longPath)));
}

TEST_F(PeekPokeTest, LoadWithoutAFileDoesNothing) {
    ConnectedPage();
    Button(CPeekPoke::kLoad)->click();
    EXPECT_EQ(services.Status(), L"");
    EXPECT_TRUE(services.dialogs.boxes.empty());
    EXPECT_EQ(Count(0x9D), 0u);
}

// ---- Keys -----------------------------------------------------------------------------------

TEST_F(PeekPokeTest, ReturnNeverReachesTheWindowAroundThePage) {
    EngineWithoutModule();
    TestVersions versions(services);
    struct Case {
        const char* name;
        std::function<QWidget*(QWidget* parent)> make;
        int edit;
    };
    const Case cases[] = {
        {"peek/poke", [this](QWidget* parent) { return new CPeekPoke(&services, parent); },
         CPeekPoke::kAddress1},
        {"lookup table",
         [this, &versions](QWidget* parent) {
             return new CLookupTable(&services, &versions, parent);
         },
         CLookupTable::kInstalledVersion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A window whose default button closes it, as a dialog's OK does.
        QDialog window;
        auto* ok = new QPushButton(QStringLiteral("OK"), &window);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &window, &QDialog::accept);
        QWidget* shown = c.make(&window);
        window.show();
        for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(Control<QLineEdit>(shown, c.edit), &press);
        }
        EXPECT_EQ(window.result(), 0);
        EXPECT_TRUE(window.isVisible());
    }
}

} // namespace
