#pragma once

#include "engine/EngineCodes.h"

#include <atomic>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>

class CCmdEngine;

// One lookup table download on a worker thread, without widgets: the lookup
// table page opens the image, starts the run, polls it from its 100 ms timer
// and closes it when the worker has finished.
//
// Threads: Open, Start, IsFinished, Close, RequestAbort and Shutdown are for the
// GUI thread. The worker only runs the engine's download and then writes the
// result before it sets the finished flag; the GUI thread reads the result
// only after it has seen the flag (and joined the worker).
class CLookupTableRun {
public:
    explicit CLookupTableRun(CCmdEngine& engine);
    // Aborts and joins a running worker: it must not outlive its owner.
    ~CLookupTableRun();
    CLookupTableRun(const CLookupTableRun&) = delete;
    CLookupTableRun& operator=(const CLookupTableRun&) = delete;

    // Opens the image for the next run and takes its size. Returns 0, or the
    // system's error number when the file does not open, is a directory, does
    // not fit the download's 32-bit size (EFBIG) or a run is going (EBUSY).
    int Open(const std::wstring& path);
    // Drops an opened image that will not be downloaded (the operator cancelled).
    void CloseImage();
    uint32_t ImageSize() const { return m_size; }

    // Sets the engine's `update in progress` and starts the worker on the
    // opened image. False (nothing started) while a run is going or without
    // an opened image.
    bool Start(uint8_t fpgaId, uint8_t tableId);
    // A worker has been started and its run is not closed yet.
    bool IsRunning() const { return m_running; }
    // The worker has ended; Close() may report the run.
    bool IsFinished() const { return m_finished.load(); }
    // The running download ends at its next chunk boundary with "aborted".
    // Only a run of this object is aborted, never another page's download.
    void RequestAbort();
    // Joins the finished worker, closes the image, clears `update in progress`
    // and returns the run's result (an engine code). A download that failed
    // after the module went away reports "not connected".
    eng::Code Close();
    // Aborts and joins a running worker and leaves the run closed without a
    // report (the page is going away).
    void Shutdown();

    // The confirmation before a download (caption kAttentionCaption), the
    // status line when it was declined, and the box after a successful run.
    static std::wstring QuestionText(const std::wstring& tableName, const std::wstring& fpgaName);
    static constexpr const wchar_t* kCancelledText = L"Update was cancelled!";
    static constexpr const wchar_t* kSuccessText = L"Update Successful!";
    // The closing report's text of a result.
    static std::wstring ResultText(eng::Code result);
    // Bar position 0..100 and the "%2.1f%%" text of a progress fraction.
    static int BarPosition(float fraction);
    static std::wstring PercentText(float fraction);

private:
    void Work();

    CCmdEngine& m_engine;
    std::ifstream m_image;
    uint32_t m_size = 0;
    std::wstring m_path; // the open image's file, for the results log
    uint8_t m_fpgaId = 0;
    uint8_t m_tableId = 0;
    bool m_running = false;
    eng::Code m_result = eng::kOk; // written by the worker before m_finished
    std::atomic<bool> m_finished{false};
    std::thread m_worker;
};
