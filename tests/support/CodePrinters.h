#pragma once

// Failed expectations show a code by its number, as the logs and texts do.
#include "engine/EngineCodes.h"
#include "engine/PokeFile.h"
#include "maintenance/UpdateCodes.h"

#include <ostream>

#define PELLWORTH_PRINT_CODE(range)                                                                \
    namespace range {                                                                              \
    inline void PrintTo(Code code, std::ostream* os) {                                             \
        *os << #range "(" << Number(code) << ")";                                                  \
    }                                                                                              \
    }
PELLWORTH_PRINT_CODE(chan)
PELLWORTH_PRINT_CODE(eng)
PELLWORTH_PRINT_CODE(conn)
PELLWORTH_PRINT_CODE(upd)
PELLWORTH_PRINT_CODE(poke)
#undef PELLWORTH_PRINT_CODE
