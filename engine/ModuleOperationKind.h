#pragma once

// The operations that change a module, as the pages and the tool run them.
// Both front ends keep a record of each in their results log, under one name
// (frontend/ModuleOperation.h), whichever layer starts it.
enum class ModuleOperationKind {
    Update,        // release update
    Download,      // one firmware image (SafeBoot, Ferrin, an FPGA)
    DownloadLut,   // one lookup table
    SetupLoad,     // a setup file into the module
    SetupDefaults, // the factory defaults into the module
    Csv,           // the register writes of a CSV file
};
