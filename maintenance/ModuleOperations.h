#pragma once

#include "descriptions/VersionNumber.h"
#include "engine/CCmdEngine.h"
#include "engine/ModuleOperationKind.h"

#include <cstdint>
#include <functional>
#include <string>

class CDialogServicesIF;
class CLookupTableRun;
class CPageServicesIF;

namespace frontend {
class ModuleSession;
}

// The operations both front ends run on the module the same way, from the
// file they are given to the record in the results log: a CSV file of pokes,
// a lookup table download, the checks before a manual image download. A
// front end turns its widgets or arguments into the call and the outcome
// into its output.
namespace operations {

// What an operation needs of its front end: the engine, the boxes, the
// status line and the results log's bracket.
struct Context {
    CCmdEngine& engine;
    CDialogServicesIF& dialogs;
    std::function<void(const std::wstring&)> status;
    std::function<void(ModuleOperationKind kind, const std::wstring& file,
                       const std::wstring& component)>
        started;
    // The results log's record of how it ended (the code's number).
    std::function<void(int32_t result, const std::wstring& text)> ended;
};
// The session's, as pellworth-cli runs them; the page services', as the program's pages do.
Context SessionContext(frontend::ModuleSession& session);
Context PageContext(CPageServicesIF& services);

// ---- CSV ----------------------------------------------------------------------------------------

struct CsvLoad {
    bool opened = false;     // false: the open failed and was reported; nothing sent
    bool readFailed = false; // the file failed part-way and was reported
    eng::Code result = eng::kOk;
    PokeFileError error; // where a parse failure is
    std::wstring text;   // the status text of the outcome
};
// Pokes a CSV file into the module. Its bytes are decoded as they are read,
// so a binary file is a rejected line, not a failed stream; a file that fails
// part-way has not been loaded, whatever was poked before.
CsvLoad LoadCsv(const Context& context, const std::wstring& path);

// ---- Lookup tables ------------------------------------------------------------------------------

enum class LutStart { Started, OpenFailed, Declined, NotStarted };
// Opens the table image (a file error is reported), asks the operator, and
// starts the download with its record. Declined and NotStarted say so on the
// status line.
LutStart StartLookupTable(const Context& context, CLookupTableRun& run, const std::wstring& path,
                          uint8_t fpgaId, uint8_t tableId, const std::wstring& tableName,
                          const std::wstring& fpgaName);
// Closes a finished download: its record, its text on the status line and,
// when it succeeded, the closing box. Returns the engine's result.
eng::Code FinishLookupTable(const Context& context, CLookupTableRun& run);

// ---- Manual image downloads ---------------------------------------------------------------------

enum class ManualCheck { Ready, FileError, TooLarge, Declined };
// Before a single-image download of a component (Ferrin, SafeBoot or an FPGA
// id): the file opens (else reported), an application image fits the start
// command's 16-bit size, and the operator agrees.
ManualCheck CheckManualDownload(const Context& context, int32_t component,
                                const std::wstring& path);

// ---- Identity -----------------------------------------------------------------------------------

enum class IdentityField { Name, Assembly, Serial };
// Writes a field of the module's identity (the bytes as the module keeps
// them). Without a module the status line says so; while a download holds
// the engine nothing is sent. True when it was sent.
bool WriteIdentity(const Context& context, IdentityField field, const std::string& bytes);

} // namespace operations
