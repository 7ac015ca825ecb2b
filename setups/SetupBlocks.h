#pragma once

#include "descriptions/ModuleTypeNames.h"
#include "engine/CConfigBlockIF.h"
#include "setups/SetupFileProcedures.h"

#include <memory>
#include <optional>

class CCmdEngine;

// The setup of each module type that has one (kModuleTypes' hasSetup): its
// block, its setup file and the file dialog's filter, one row per type in
// SetupBlocks.cpp. Everything that makes or handles a setup block by type
// goes through these.

// A block object for the setup of a module type (parameter block 0 of
// FPGA 0), at factory values; null for a type without a setup. With a null
// engine it reads and writes only through the channel it is given.
std::unique_ptr<CConfigBlockIF> MakeSetupBlock(ModuleTypeId type, CCmdEngine* engine = nullptr);

// The setup file of a module type over its block (null for a type without a
// setup, or a block of another type) and the file dialog's filter for it.
std::unique_ptr<CSetupDocumentIF> MakeSetupDocument(ModuleTypeId type, CConfigBlockIF& block);
const wchar_t* SetupFileFilter(ModuleTypeId type);
// Sets the block of a module type to factory values and writes it to the
// module; false when the module did not take it (or the type has no setup).
bool ResetSetupBlock(CConfigBlockIF& block);
