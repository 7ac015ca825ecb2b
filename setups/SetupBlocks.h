#pragma once

#include "descriptions/ModuleTypeNames.h"
#include "engine/CConfigBlockIF.h"

#include <memory>

class CCmdEngine;

// A block object for the setup of a module type (parameter block 0 of
// FPGA 0), at factory values; null for a type without a setup. With a null
// engine it reads and writes only through the channel it is given.
std::unique_ptr<CConfigBlockIF> MakeSetupBlock(ModuleTypeId type, CCmdEngine* engine = nullptr);
