#pragma once

#include <chrono>

// Time spent waiting for the operator to answer a box, process-wide: an
// operation's recorded duration leaves it out. Boxes are shown one at a time.
namespace operatorwait {

std::chrono::milliseconds Total();

class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    std::chrono::steady_clock::time_point m_start;
};

} // namespace operatorwait
