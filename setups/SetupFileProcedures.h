#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CCmdEngine;
class CConfigBlockIF;
class CDialogServicesIF;

// The setup file "Load..." and "Save..." procedures of the setup pages,
// without widgets so that other front ends can run them too.

// A parameter as a setup file writer wrote it: its name in the file, the
// value it was given (On/Off: 1/0) and the word written (empty when the
// value has none).
struct WrittenSetupParam {
    std::wstring name;
    uint32_t value = 0;
    std::wstring word;
};

// The one setup file of one load or save, bound to the block it fills or
// reads: it hides which module type's reader/writer is behind it.
class CSetupDocumentIF {
public:
    virtual ~CSetupDocumentIF() = default;
    virtual bool Parse(const std::wstring& path) = 0;
    // The file's type text as read ("unknown" when absent).
    virtual std::wstring GetModuleType() const = 0;
    // The block's LoadFromSetup (version check first).
    virtual bool LoadBlock() = 0;
    virtual bool CreateDocument(const std::wstring& moduleTypeName) = 0;
    // The block's SaveToSetup.
    virtual bool SaveBlock() = 0;
    virtual bool WriteFile(const std::wstring& path) = 0;
    virtual void TakeError(std::wstring& text) = 0;
    // What SaveBlock wrote, in file order.
    virtual const std::vector<WrittenSetupParam>& WrittenParams() const = 0;
};

// CSetupDocumentIF for a block class and its file class.
template <class Block, class File> class CSetupDocument : public CSetupDocumentIF {
public:
    explicit CSetupDocument(Block& block) : m_block(block) {}
    bool Parse(const std::wstring& path) override { return m_file.Parse(std::wstring(), path); }
    std::wstring GetModuleType() const override { return m_file.GetModuleType(); }
    bool LoadBlock() override { return m_block.LoadFromSetup(m_file); }
    bool CreateDocument(const std::wstring& name) override { return m_file.CreateDocument(name); }
    bool SaveBlock() override { return m_block.SaveToSetup(m_file); }
    bool WriteFile(const std::wstring& path) override { return m_file.WriteFile(path); }
    void TakeError(std::wstring& text) override { m_file.TakeError(text); }
    const std::vector<WrittenSetupParam>& WrittenParams() const override {
        return m_file.WrittenParams();
    }

private:
    Block& m_block;
    File m_file;
};

using SetupDocumentFactory = std::function<std::unique_ptr<CSetupDocumentIF>()>;

// What a page keeps between its file dialogs for the whole run.
struct SetupFolderState {
    std::wstring lastFolder;
    uint32_t filterIndex = 0;
};

// What a page lends a load or save.
struct SetupFileContext {
    CDialogServicesIF* dialogs = nullptr;
    // The main status line.
    std::function<void(const std::wstring&)> reportStatus;
    // The module type index and the block commit; may be null (type 0, no commit).
    CCmdEngine* engine = nullptr;
    // "TARN Files (*.xml)|*.xml|All Files (*.*)|*.*||" and the like.
    std::wstring filter;
    SetupFolderState* folder = nullptr;
    // The page's refresh after a successful load.
    std::function<void()> updateControls;
    // Makes the reader/writer of the page's type, bound to its block.
    SetupDocumentFactory makeDocument;
    // Around a loaded block's write to the module, for the results log: the
    // file before, the outcome after. Either may be null.
    std::function<void(const std::wstring& path)> writeStarted;
    std::function<void(int32_t result, const std::wstring& text)> writeEnded;
};

// Setup files are a few kilobytes; anything far larger is refused before parsing.
constexpr uintmax_t kMaxSetupFileSize = 1024 * 1024;

// The page's file dialog: clears the status line, asks for a file (open or
// save), appends ".xml" unless the name ends with it exactly, refuses
// something that is not a file. Empty when cancelled or refused.
std::wstring AskSetupFile(SetupFileContext& context, bool forSaving);

// "Load...": the block and the module change only after the file has been
// read and its type and version accepted; then the block is committed and
// the page refreshed. True when the setup was loaded.
bool LoadSetupFile(SetupFileContext& context, CConfigBlockIF& block);

// "Save...": the existing file is replaced only by a complete new one; every
// failure leaves it as it was. True when the setup was saved.
bool SaveSetupFile(SetupFileContext& context);
