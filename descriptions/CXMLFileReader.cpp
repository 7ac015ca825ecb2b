#include "descriptions/CXMLFileReader.h"

#include "descriptions/InputFile.h"
#include "descriptions/XmlText.h"

#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMException.hpp>
#include <xercesc/dom/DOMNode.hpp>
#include <xercesc/dom/DOMNodeList.hpp>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>

#include <cerrno>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {

const wchar_t kUnknown[] = L"unknown";

// The error count alone does not tell the operator what is wrong with a
// file; the first few messages follow it, one a line.
constexpr size_t kMaxDetails = 5;

class DetailCollector : public xercesc::ErrorHandler {
public:
    void warning(const xercesc::SAXParseException&) override {}
    void error(const xercesc::SAXParseException& e) override { Add(e); }
    void fatalError(const xercesc::SAXParseException& e) override { Add(e); }
    void resetErrors() override { m_details.clear(); }

    void Note(const std::wstring& text) {
        if (m_details.size() < kMaxDetails) {
            m_details.push_back(text);
        }
    }
    std::wstring Text() const {
        std::wstring text;
        for (const std::wstring& detail : m_details) {
            text += detail + L"\n";
        }
        return text;
    }

private:
    void Add(const xercesc::SAXParseException& e) {
        std::wstring where;
        if (e.getLineNumber() != 0) {
            where = L"line " + std::to_wstring(e.getLineNumber()) + L", column " +
                    std::to_wstring(e.getColumnNumber()) + L": ";
        }
        Note(where + XmlToWide(e.getMessage()));
    }

    std::vector<std::wstring> m_details;
};

// The local path a system id names, relative ids against the document's.
std::string LocalPath(const std::wstring& id, const std::wstring& base) {
    auto strip = [](std::wstring text) {
        if (text.compare(0, 7, L"file://") == 0) {
            text.erase(0, 7);
        }
        return text;
    };
    std::wstring path = strip(id);
    if (!path.empty() && path[0] != L'/') {
        const std::wstring from = strip(base);
        const size_t slash = from.rfind(L'/');
        if (slash != std::wstring::npos) {
            path = from.substr(0, slash + 1) + path;
        }
    }
    return WideToUtf8(path);
}

// Local grammars and entities resolve as usual; anything that would have to
// be fetched over a network is replaced by nothing (the parse then reports
// what is missing). A data file must never make the program go online, nor
// read a FIFO, a device or a terminal (a DOCTYPE naming /dev/stdin would
// wait for input for ever).
class LocalOnlyResolver : public xercesc::XMLEntityResolver {
public:
    explicit LocalOnlyResolver(DetailCollector& details) : m_details(details) {}

    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* resource) override {
        const std::wstring id = XmlToWide(resource->getSystemId());
        const size_t scheme = id.find(L"://");
        if (scheme == std::wstring::npos || id.compare(0, 7, L"file://") == 0) {
            const int error = inputfile::Check(LocalPath(id, XmlToWide(resource->getBaseURI())));
            if (error != inputfile::kNotRegular && error != EISDIR) {
                return nullptr; // default resolution of a local file (or its error)
            }
            m_details.Note(L"not read: " + id + L" (not a regular file)");
        } else {
            m_details.Note(L"not fetched: " + id);
        }
        static const XMLByte kNothing[] = {0};
        return new xercesc::MemBufInputSource(kNothing, 0, resource->getSystemId(), false);
    }

private:
    DetailCollector& m_details;
};

} // namespace

struct CXMLFileReader::ParseSupport {
    xercesc::SecurityManager security; // bounds entity expansion
    DetailCollector details;
    LocalOnlyResolver resolver{details};
};

CXMLFileReader::CXMLFileReader(std::wstring expectedVersion)
    : m_expectedVersion(std::move(expectedVersion)) {}

CXMLFileReader::~CXMLFileReader() {
    ReleaseDocument();
}

bool CXMLFileReader::HasError() const {
    return !m_error.empty();
}

void CXMLFileReader::TakeError(std::wstring& text) {
    text = std::move(m_error);
    m_error.clear();
}

void CXMLFileReader::SetDocumentBytes(std::optional<std::string> bytes) {
    m_bytes = std::move(bytes);
}

void CXMLFileReader::AppendError(const std::wstring& text) {
    m_error += text;
}

void CXMLFileReader::ReleaseDocument() {
    if (m_parser) {
        m_parser.reset(); // frees the document with it
    } else if (m_document != nullptr) {
        m_document->release();
    }
    m_document = nullptr;
    m_support.reset();
}

void CXMLFileReader::AdoptDocument(xercesc::DOMDocument* document) {
    ReleaseDocument();
    m_document = document;
}

xercesc::DOMElement* CXMLFileReader::DocumentElement() const {
    return m_document != nullptr ? m_document->getDocumentElement() : nullptr;
}

std::wstring CXMLFileReader::GetDocumentAttribute(const std::wstring& element,
                                                  const std::wstring& attribute) const {
    if (m_document == nullptr) {
        return kUnknown;
    }
    const std::u16string tag = WideToXml(element);
    xercesc::DOMNodeList* list = m_document->getElementsByTagName(tag.c_str());
    if (list == nullptr || list->getLength() != 1) {
        return kUnknown;
    }
    xercesc::DOMNode* node = list->item(0);
    if (node == nullptr || node->getNodeType() != xercesc::DOMNode::ELEMENT_NODE) {
        return kUnknown;
    }
    std::wstring value;
    if (!GetStringAttribute(static_cast<xercesc::DOMElement*>(node), attribute, value)) {
        return kUnknown;
    }
    return value;
}

bool CXMLFileReader::ParseDocument(const std::wstring& path) {
    ReleaseDocument();

    // Only a regular file is parsed: a FIFO would block the parse for ever.
    if (const int error = m_bytes ? 0 : inputfile::Check(WideToUtf8(path));
        error == inputfile::kNotRegular || error == EISDIR) {
        AppendError(L"Parsing " + path + L" error count: 1\n" + path + L": " +
                    inputfile::ErrorReason(error) + L"\n");
        return false;
    }

    try {
        m_support = std::make_unique<ParseSupport>();
        m_parser = std::make_unique<xercesc::XercesDOMParser>();
    } catch (...) {
        m_parser.reset();
        m_support.reset();
        AppendError(L"Cannot create DOM parser!");
        return false;
    }

    m_parser->setValidationScheme(xercesc::XercesDOMParser::Val_Auto);
    m_parser->setDoNamespaces(false);
    m_parser->setDoSchema(false);
    m_parser->setCreateEntityReferenceNodes(false);
    m_parser->setSecurityManager(&m_support->security);
    m_parser->setErrorHandler(&m_support->details);
    m_parser->setXMLEntityResolver(&m_support->resolver);

    try {
        const std::u16string xmlPath = WideToXml(path);
        if (m_bytes) {
            xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(m_bytes->data()),
                                              m_bytes->size(), xmlPath.c_str(), false);
            m_parser->parse(source);
        } else {
            xercesc::LocalFileInputSource source(xmlPath.c_str());
            m_parser->parse(source);
        }
        const XMLSize_t errors = m_parser->getErrorCount();
        if (errors != 0) {
            AppendError(L"Parsing " + path + L" error count: " + std::to_wstring(errors) + L"\n" +
                        m_support->details.Text());
        }
    } catch (const xercesc::OutOfMemoryException&) {
        AppendError(L"An exception parsing " + path);
    } catch (const xercesc::DOMException& e) {
        std::wstring message = XmlToWide(e.getMessage());
        if (message.empty()) {
            message = std::to_wstring(e.code);
        }
        AppendError(L"DOM Exception parsing " + path + L" reports: " + message);
    } catch (const xercesc::XMLException& e) {
        AppendError(L"XML Exception parsing " + path + L" reports: " + XmlToWide(e.getMessage()));
    } catch (const xercesc::SAXParseException& e) {
        // A fatal error of the document itself (not well-formed, unreadable).
        AppendError(L"XML Exception parsing " + path + L" reports: " + XmlToWide(e.getMessage()) +
                    L" at line " + std::to_wstring(e.getLineNumber()) + L", column " +
                    std::to_wstring(e.getColumnNumber()));
    } catch (const xercesc::SAXException& e) {
        AppendError(L"XML Exception parsing " + path + L" reports: " + XmlToWide(e.getMessage()));
    } catch (...) {
        AppendError(L"An exception parsing " + path);
    }

    if (HasError()) {
        ReleaseDocument();
        return false;
    }
    m_document = m_parser->getDocument(); // the parser keeps ownership
    return true;
}

bool CXMLFileReader::ParseAndCheckVersion(const std::wstring& path,
                                          const std::wstring& versionElement) {
    if (!ParseDocument(path)) {
        return false;
    }
    const std::wstring found = GetDocumentAttribute(versionElement, L"version");
    if (found != m_expectedVersion) {
        AppendError(L"Expected data format version '" + m_expectedVersion + L"', received '" +
                    found);
        ReleaseDocument();
    }
    return !HasError();
}
