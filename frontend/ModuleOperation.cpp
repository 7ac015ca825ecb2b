#include "frontend/ModuleOperation.h"

#include "descriptions/DataDirectory.h"
#include "descriptions/ModuleTypeNames.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "frontend/ProgramVersion.h"
#include "frontend/VersionFile.h"

#include <unistd.h>

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
    versions.Set("fpgas", FpgaVersions(module));
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
                                 const CCmdEngine& engine, const std::wstring& file,
                                 const std::wstring& component, VersionNumber release)
    : m_start(std::chrono::steady_clock::now()) {
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
    m_head.Set("moduleType", static_cast<int>(module.moduleType));
    m_head.Set("typeName", ModuleTypeName(module.moduleType));
    m_head.Set("name", WidenText(module.name));
    m_head.Set("assembly", WidenText(module.assembly));
    m_head.Set("serial", WidenText(module.serial));
    if (!file.empty())
        m_head.Set("file", AbsoluteFile(file));
    if (!component.empty())
        m_head.Set("component", component);
    if (!release.IsNone())
        m_head.Set("targetRelease", VersionText(release));
    m_before = engine.IsConnected() ? Versions(engine) : JsonValue();
    m_firstImage = engine.SentImageCount();
}

JsonValue ModuleOperation::Record(int32_t result, const std::wstring& text,
                                  const CCmdEngine& engine) const {
    JsonValue record = m_head;
    record.Set("before", m_before);
    record.Set("after", engine.IsConnected() ? Versions(engine) : JsonValue());
    // Which exact bytes went to the module: every image the operation sent.
    JsonValue images = JsonValue::MakeArray();
    for (const SentImage& sent : engine.SentImages(m_firstImage)) {
        JsonValue image = JsonValue::MakeObject();
        image.Set("component", sent.component);
        image.Set("file", AbsoluteFile(sent.file));
        image.Set("size", static_cast<int64_t>(sent.size));
        image.Set("sha256", sent.sha256);
        image.Set("result", sent.result);
        images.Append(std::move(image));
    }
    record.Set("images", std::move(images));
    record.Set("result", result);
    record.Set("resultText", text);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_start);
    record.Set("durationMs", static_cast<int64_t>(elapsed.count()));
    return record;
}

} // namespace frontend
