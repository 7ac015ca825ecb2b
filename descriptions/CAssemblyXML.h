#pragma once

#include "descriptions/CAssembliesXMLIF.h"
#include "descriptions/CCommonXML.h"

// One Assembly element of a release assembly file; each named part is the
// first descendant of that name.
class CAssemblyXML : public CAssemblyXMLIF, public CCommonXML {
public:
    explicit CAssemblyXML(xercesc::DOMElement* element) : m_element(element) {}

    uint8_t GetId() const override;
    VersionNumber GetReleaseVersion() const override;
    std::wstring GetBoardAssemblyNumber() const override;
    std::wstring GetModuleTypeFilename() const override;
    VersionNumber GetSafeBootVersion() const override;
    std::wstring GetSafeBootFilename() const override;
    VersionNumber GetFerrinVersion() const override;
    std::wstring GetFerrinFilename() const override;
    void GetFpgas(AssemblyFPGAReaders& fpgas) const override;

private:
    std::wstring ChildText(const wchar_t* child, const wchar_t* attribute) const;

    xercesc::DOMElement* m_element; // not owned
};
