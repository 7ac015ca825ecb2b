#pragma once

// The version of this build (the project's), as --help, the About box and
// the results log's programVersion give it.
#ifndef PELLWORTH_VERSION
#error "PELLWORTH_VERSION comes from the build (frontend/CMakeLists.txt)"
#endif
inline constexpr const char* kProgramVersion = PELLWORTH_VERSION;
