#include "maintenance/CLookupTableRun.h"

#include "descriptions/InputFile.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>

namespace {

// The codes whose own text (the engine's) closes a lookup table download;
// every other code says "Unknown error!".
constexpr eng::Code kCodesWithText[] = {eng::kOk,         eng::kNotConnected, eng::kTimeout,
                                        eng::kFileAccess, eng::kLinkError,    eng::kOutOfMemory,
                                        eng::kAborted};

} // namespace

CLookupTableRun::CLookupTableRun(CCmdEngine& engine) : m_engine(engine) {}

CLookupTableRun::~CLookupTableRun() {
    Shutdown();
}

int CLookupTableRun::Open(const std::wstring& path) {
    if (m_running)
        return EBUSY; // the worker reads the open image
    CloseImage();
    m_path = path;
    return inputfile::OpenImage(m_image, WideToUtf8(path), m_size);
}

void CLookupTableRun::CloseImage() {
    if (m_running)
        return; // the worker reads it
    m_image.close();
    m_image.clear();
    m_size = 0;
}

bool CLookupTableRun::Start(uint8_t fpgaId, uint8_t tableId) {
    if (m_running || !m_image.is_open())
        return false;
    m_fpgaId = fpgaId;
    m_tableId = tableId;
    m_result = eng::kOk;
    m_finished.store(false);
    m_running = true;
    m_engine.SetUpdateInProgress(true);
    // An abort meant for an earlier run, which no chunk boundary took, must not
    // stop this one.
    m_engine.Channel().ClearAbort();
    m_worker = std::thread([this] { Work(); });
    return true;
}

void CLookupTableRun::Work() {
    eng::Code result = eng::kNotConnected;
    if (m_engine.IsConnected()) {
        m_engine.NameNextImage(m_path);
        result = m_engine.DownloadLookupTable(m_fpgaId, m_tableId, m_image, m_size);
    }
    m_result = result;
    m_finished.store(true);
}

void CLookupTableRun::RequestAbort() {
    // Once the worker is done there is nothing to abort, and a flag left set
    // would stop the next download of any page before its first chunk.
    if (m_running && !m_finished.load())
        m_engine.Channel().RequestAbort();
}

eng::Code CLookupTableRun::Close() {
    if (!m_running)
        return m_result;
    if (m_worker.joinable())
        m_worker.join();
    m_running = false;
    CloseImage();
    m_engine.SetUpdateInProgress(false);
    m_finished.store(false);
    // The module went away under the download: say so rather than naming
    // whatever the broken link produced. A completed download stays a success.
    if (m_result != eng::kOk && !m_engine.IsConnected())
        m_result = eng::kNotConnected;
    return m_result;
}

void CLookupTableRun::Shutdown() {
    if (!m_running)
        return;
    RequestAbort();
    Close();
}

std::wstring CLookupTableRun::QuestionText(const std::wstring& tableName,
                                           const std::wstring& fpgaName) {
    return L"Updating Lookup Table '" + tableName + L"' of FPGA '" + fpgaName +
           L"'.\nAre you sure you wish to do this?";
}

std::wstring CLookupTableRun::ResultText(eng::Code result) {
    const bool own = std::find(std::begin(kCodesWithText), std::end(kCodesWithText), result) !=
                     std::end(kCodesWithText);
    return EngineCodeText(own ? result : eng::kUnknown);
}

int CLookupTableRun::BarPosition(float fraction) {
    return static_cast<int>((static_cast<double>(fraction) + 0.005) * 100.0);
}

std::wstring CLookupTableRun::PercentText(float fraction) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%2.1f%%", static_cast<double>(fraction) * 100.0);
    return text;
}
