#pragma once

// Receives the fraction done of a running transfer.
class CProgressIF {
public:
    virtual ~CProgressIF() = default;
    virtual void SetProgress(float fraction) = 0;
    virtual float GetProgress() = 0;
};
