#pragma once

#include "descriptions/CCommonXML.h"

#include <xercesc/util/XercesDefs.hpp>

#include <memory>
#include <optional>
#include <string>

XERCES_CPP_NAMESPACE_BEGIN
class DOMDocument;
class DOMElement;
class XercesDOMParser;
XERCES_CPP_NAMESPACE_END

// What every file reader shares: the data-format version it expects, the
// parser and its document, and the error text that collects every failure.
// The reader owns the parser and the parser owns the document; element
// readers handed out by a file reader must be gone before it parses again
// or is destroyed.
class CXMLFileReader : public CCommonXML {
public:
    explicit CXMLFileReader(std::wstring expectedVersion);
    virtual ~CXMLFileReader();
    CXMLFileReader(const CXMLFileReader&) = delete;
    CXMLFileReader& operator=(const CXMLFileReader&) = delete;

    // True when error text has been collected and not yet taken.
    bool HasError() const;
    // Hands out the error text and empties it.
    void TakeError(std::wstring& text);
    // Drops the parser and the document (a document built without a parser
    // is released through the DOM).
    void ReleaseDocument();

    // From now on the reader parses these bytes instead of opening the file
    // its path names; the path still names the document in error texts and
    // is the base of its relative system ids. Every parser setting, the
    // entity resolution and the DOCTYPE handling stay those of a file (the
    // fuzz targets read from memory this way). An empty optional goes back to
    // files.
    void SetDocumentBytes(std::optional<std::string> bytes);
    // The attribute of the only element of that name in the whole document
    // (document element included); "unknown" when there is no document, no
    // or more than one such element, or the attribute is missing.
    std::wstring GetDocumentAttribute(const std::wstring& element,
                                      const std::wstring& attribute) const;

    const std::wstring& ExpectedVersion() const { return m_expectedVersion; }
    xercesc::DOMDocument* Document() const { return m_document; }
    // Null without a document.
    xercesc::DOMElement* DocumentElement() const;

protected:
    // Reads the file into a document; no data-format version check. Error
    // text that was never taken makes this fail as well.
    bool ParseDocument(const std::wstring& path);
    // ParseDocument, then the version attribute of the only versionElement
    // must equal the expected version; otherwise the document is dropped.
    bool ParseAndCheckVersion(const std::wstring& path, const std::wstring& versionElement);
    void AppendError(const std::wstring& text);
    // For writers that build a document themselves: the reader then owns it.
    void AdoptDocument(xercesc::DOMDocument* document);

private:
    std::wstring m_expectedVersion;
    xercesc::DOMDocument* m_document = nullptr;
    struct ParseSupport; // what the parser borrows while it exists
    std::unique_ptr<ParseSupport> m_support;
    std::unique_ptr<xercesc::XercesDOMParser> m_parser;
    std::wstring m_error;
    std::optional<std::string> m_bytes;
};
