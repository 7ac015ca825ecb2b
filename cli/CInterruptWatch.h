#pragma once

// Ctrl-C (SIGINT, and SIGTERM and SIGHUP alike) while a download runs must not kill the
// process in the middle of a transfer: inside a watch the signal only marks
// the watch as interrupted, and the command that ticks the run sends the
// abort. Outside a watch the signals keep their default action (the process
// ends). Install() is called once, before any thread is started. Watches may
// nest and live on several threads at once; the outermost one starts with a
// clear flag.
class CInterruptWatch {
public:
    static void Install();

    CInterruptWatch();
    ~CInterruptWatch();
    CInterruptWatch(const CInterruptWatch&) = delete;
    CInterruptWatch& operator=(const CInterruptWatch&) = delete;

    bool Interrupted() const;
};
