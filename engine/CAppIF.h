#pragma once

class CModuleTypeXML;
class CAssembliesXML;

// Services of the application that the engine calls back into. Implemented by
// the program (and by tests); the engine holds it without owning it.
class CAppIF {
public:
    virtual ~CAppIF() = default;
    virtual void OnModuleChanged() = 0;
    virtual void OnIdentityChanged() = 0;
    virtual void OnDisconnected() = 0;
    virtual bool IsOptionM() = 0;
    virtual bool IsOptionD() = 0;
    // New readers owned by the caller; null when they cannot be made.
    virtual CModuleTypeXML* CreateModuleTypeReader() = 0;
    virtual CAssembliesXML* CreateAssembliesReader() = 0;
};
