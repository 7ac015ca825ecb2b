#include "frontend/ModuleOperation.h"

#include "descriptions/DataDirectory.h"
#include "descriptions/ModuleTypeNames.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "frontend/OperatorWait.h"
#include "frontend/ProgramVersion.h"
#include "frontend/VersionFile.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <filesystem>

namespace frontend {

namespace {

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

JsonValue Version(const VersionNumber& version) {
    return VersionText(version);
}

void SetIdentity(JsonValue& head, const ModuleRecord& module) {
    head.Set("moduleType", static_cast<int>(module.moduleType));
    head.Set("typeName", ModuleTypeName(module.moduleType));
    head.Set("name", WidenText(module.name));
    head.Set("assembly", WidenText(module.assembly));
    head.Set("serial", WidenText(module.serial));
}

// The setup block as the module holds it, with its type: null when the
// module has no setup or did not answer.
JsonValue SetupBlock(CCmdEngine& engine) {
    const ModuleRecord& module = engine.Module();
    std::vector<uint8_t> bytes;
    if (!engine.IsConnected() || module.runningImage != kRunningFerrin ||
        !HasSetupBlock(module.moduleType) || !engine.ReadSetupBytes(bytes))
        return JsonValue();
    static const char* const kDigits = "0123456789ABCDEF";
    std::string hex;
    for (const uint8_t b : bytes) {
        if (!hex.empty())
            hex += ' ';
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    JsonValue setup = JsonValue::MakeObject();
    setup.Set("typeName", ModuleTypeName(module.moduleType));
    setup.Set("bytes", hex);
    return setup;
}

// Absolute: the record is read later, from anywhere.
std::string AbsoluteFile(const std::wstring& file) {
    if (file.empty())
        return {};
    std::error_code error;
    const std::filesystem::path path =
        std::filesystem::absolute(std::filesystem::path(WideToUtf8(file)), error);
    return error ? WideToUtf8(file) : path.lexically_normal().string();
}

} // namespace

Origin ThisProgram(std::string program) {
    const datadir::Choice& data = datadir::Current();
    Origin origin{
        std::move(program), kProgramVersion, datadir::AbsoluteDirectory(), {}, data.sample};
    if (data.Found())
        origin.dataVersion = versionfile::Read(WideToUtf8(datadir::DataFile(L"version"))).text;
    return origin;
}

std::string ModuleOperation::UtcTime(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

JsonValue ModuleOperation::Versions(const CCmdEngine& engine) {
    const ModuleRecord& module = engine.Module();
    JsonValue versions = JsonValue::MakeObject();
    versions.Set("release", Version(module.release));
    versions.Set("moduleType", static_cast<int>(module.moduleType));
    versions.Set("safeBoot", Version(module.safeBoot.version));
    versions.Set("ferrin", Version(module.ferrin.version));
    // A module in SafeBoot reports no FPGA versions: what the record holds
    // belongs to no module.
    versions.Set("fpgas", module.runningImage == kRunningFerrin ? FpgaVersions(module)
                                                                : JsonValue::MakeArray());
    return versions;
}

JsonValue ModuleOperation::FpgaVersions(const ModuleRecord& module) {
    JsonValue fpgas = JsonValue::MakeArray();
    for (const auto& [fpgaId, fpga] : module.fpgas) {
        JsonValue f = JsonValue::MakeObject();
        f.Set("id", static_cast<int>(fpgaId));
        f.Set("name", fpga.name);
        f.Set("version", Version(fpga.firmware.version));
        JsonValue tables = JsonValue::MakeArray();
        for (const auto& [tableId, table] : fpga.lookupTables) {
            JsonValue t = JsonValue::MakeObject();
            t.Set("id", static_cast<int>(tableId));
            t.Set("name", table.name);
            t.Set("version", Version(table.version));
            tables.Append(std::move(t));
        }
        f.Set("lookupTables", std::move(tables));
        fpgas.Append(std::move(f));
    }
    return fpgas;
}

const char* OperationName(ModuleOperationKind kind) {
    switch (kind) {
    case ModuleOperationKind::Update:
        return "update";
    case ModuleOperationKind::Download:
        return "download";
    case ModuleOperationKind::DownloadLut:
        return "download-lut";
    case ModuleOperationKind::SetupLoad:
        return "setup-load";
    case ModuleOperationKind::SetupDefaults:
        return "setup-defaults";
    case ModuleOperationKind::Csv:
        return "csv";
    }
    return "unknown";
}

ModuleOperation::ModuleOperation(const Origin& origin, ModuleOperationKind kind, uint16_t port,
                                 CCmdEngine& engine, const std::wstring& file,
                                 const std::wstring& component, VersionNumber release)
    : m_kind(kind), m_component(component), m_start(std::chrono::steady_clock::now()),
      m_waitAtStart(operatorwait::Total()) {
    const ModuleRecord& module = engine.Module();
    m_head = JsonValue::MakeObject();
    m_head.Set("time", UtcTime(std::chrono::system_clock::now()));
    m_head.Set("host", HostName());
    m_head.Set("program", origin.program);
    m_head.Set("programVersion", origin.version);
    m_head.Set("dataDir", origin.dataDir);
    m_head.Set("dataVersion", origin.dataVersion);
    m_head.Set("sampleData", origin.sampleData);
    m_head.Set("command", OperationName(kind));
    m_head.Set("port", static_cast<int>(port));
    SetIdentity(m_head, module);
    if (!file.empty())
        m_head.Set("file", AbsoluteFile(file));
    if (!component.empty())
        m_head.Set("component", component);
    if (!release.IsNone())
        m_head.Set("targetRelease", VersionText(release));
    m_before = engine.IsConnected() ? Versions(engine) : JsonValue();
    // So that a setup the update changed can be put back by hand.
    if (kind == ModuleOperationKind::Update)
        m_setupBefore = SetupBlock(engine);
    m_firstImage = engine.SentImageCount();
}

JsonValue ModuleOperation::Record(int32_t result, const std::wstring& text,
                                  CCmdEngine& engine) const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_start - (operatorwait::Total() - m_waitAtStart));
    JsonValue record = m_head;
    // Only what the module says now, never what the engine remembers of it.
    const bool readAgain = engine.IsConnected() && engine.ReadModuleAgain();
    // A module that started in SafeBoot tells who it is only now.
    const JsonValue* serial = m_head.Get("serial");
    if (readAgain && serial && serial->AsString() && serial->AsString()->empty())
        SetIdentity(record, engine.Module());
    record.Set("before", m_before);
    record.Set("after", readAgain ? Versions(engine) : JsonValue());
    if (m_kind == ModuleOperationKind::Update) {
        record.Set("setupBefore", m_setupBefore);
        record.Set("setupAfter", readAgain ? SetupBlock(engine) : JsonValue());
    }
    // A new SafeBoot or Ferrin runs only after a reboot: `after` still shows the old one.
    if (m_kind == ModuleOperationKind::Download && result == 0 &&
        (m_component == L"Ferrin" || m_component == L"SafeBoot"))
        record.Set("rebootPending", true);
    // Which exact bytes went to the module: every image the operation sent.
    JsonValue images = JsonValue::MakeArray();
    for (const SentImage& sent : engine.SentImages(m_firstImage)) {
        JsonValue image = JsonValue::MakeObject();
        image.Set("component", sent.component);
        image.Set("file", AbsoluteFile(sent.file));
        image.Set("size", static_cast<int64_t>(sent.size));
        image.Set("sha256", sent.sha256);
        image.Set("result", Number(sent.result));
        images.Append(std::move(image));
    }
    record.Set("images", std::move(images));
    record.Set("result", result);
    record.Set("resultText", text);
    record.Set("durationMs", static_cast<int64_t>(std::max<int64_t>(0, elapsed.count())));
    return record;
}

} // namespace frontend
