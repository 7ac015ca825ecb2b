#include "setups/CSetupFileXML.h"

#include "descriptions/XmlText.h"

#include <xercesc/dom/DOMComment.hpp>
#include <xercesc/dom/DOMConfiguration.hpp>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMDocumentType.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMException.hpp>
#include <xercesc/dom/DOMImplementation.hpp>
#include <xercesc/dom/DOMImplementationRegistry.hpp>
#include <xercesc/dom/DOMLSException.hpp>
#include <xercesc/dom/DOMLSOutput.hpp>
#include <xercesc/dom/DOMLSSerializer.hpp>
#include <xercesc/dom/DOMNode.hpp>
#include <xercesc/framework/LocalFileFormatTarget.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <memory>
#include <sys/stat.h>
#include <utility>

namespace {

const wchar_t kModuleParams[] = L"ModuleParams";
const wchar_t kModule[] = L"Module";
const wchar_t kParam[] = L"Param";
const wchar_t kInvalid[] = L"invalid";

struct ReleaseSerializer {
    void operator()(xercesc::DOMLSSerializer* s) const { s->release(); }
};
struct ReleaseOutput {
    void operator()(xercesc::DOMLSOutput* o) const { o->release(); }
};

// Passes everything on to the file target and counts the bytes: the file
// target closes its file in its destructor and drops any error of that last
// write, so the file's size is checked against the count afterwards.
class CountingTarget : public xercesc::XMLFormatTarget {
public:
    explicit CountingTarget(xercesc::XMLFormatTarget& inner) : m_inner(inner) {}
    void writeChars(const XMLByte* const toWrite, const XMLSize_t count,
                    xercesc::XMLFormatter* const formatter) override {
        m_inner.writeChars(toWrite, count, formatter);
        m_count += count;
    }
    void flush() override { m_inner.flush(); }
    XMLSize_t Count() const { return m_count; }

private:
    xercesc::XMLFormatTarget& m_inner;
    XMLSize_t m_count = 0;
};

// True when path is a regular file of exactly `size` bytes.
bool HasSize(const std::wstring& path, XMLSize_t size) {
    struct stat info {};
    return ::stat(WideToUtf8(path).c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           static_cast<XMLSize_t>(info.st_size) == size;
}

void SetAttribute(xercesc::DOMElement* element, const std::wstring& name,
                  const std::wstring& value) {
    element->setAttribute(WideToXml(name).c_str(), WideToXml(value).c_str());
}

// Sets a serializer parameter only where the serializer supports it.
void SetParameter(xercesc::DOMConfiguration* config, const XMLCh* name, bool value) {
    if (config->canSetParameter(name, value)) {
        config->setParameter(name, value);
    }
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

} // namespace

CSetupFileXML::CSetupFileXML(std::wstring writeVersion, std::span<const SetupParamDef> params)
    : CXMLFileReader(std::move(writeVersion)), m_params(params) {
    m_words.reserve(params.size());
    for (const SetupParamDef& param : params) {
        std::map<int32_t, std::wstring>& table = m_words.emplace_back();
        for (const SetupWord& entry : param.words) {
            table.emplace(entry.value, entry.word);
        }
    }
}

CSetupFileXML::~CSetupFileXML() = default;

bool CSetupFileXML::Parse(const std::wstring& /*ignored*/, const std::wstring& path) {
    m_module = nullptr;
    m_written.clear();
    return ParseDocument(path);
}

bool CSetupFileXML::CreateDocument(const std::wstring& moduleTypeName) {
    m_module = nullptr;
    m_written.clear();
    ReleaseDocument();
    try {
        xercesc::DOMImplementation* impl =
            xercesc::DOMImplementationRegistry::getDOMImplementation(WideToXml(L"Core").c_str());
        if (impl == nullptr) {
            AppendError(L"DOM implementation not found.");
        } else {
            const std::u16string root = WideToXml(kModuleParams);
            xercesc::DOMDocument* document = impl->createDocument(nullptr, root.c_str(), nullptr);
            AdoptDocument(document);
            // Made by the document, it goes with the document: one made by
            // the implementation stays until the program ends.
            document->insertBefore(document->createDocumentType(root.c_str()),
                                   document->getDocumentElement());
            xercesc::DOMElement* module = document->createElement(WideToXml(kModule).c_str());
            document->getDocumentElement()->appendChild(module);
            m_module = module;
            SetAttribute(module, L"version", ExpectedVersion());
            SetAttribute(module, L"type", moduleTypeName);
        }
    } catch (const xercesc::OutOfMemoryException&) {
        AppendError(L"OutOfMemoryException.");
    } catch (const xercesc::DOMException& e) {
        AppendError(L"DOMException code is:  ." + std::to_wstring(e.code));
    } catch (...) {
        AppendError(L"An error occurred creating the document.");
    }
    if (HasError() && Document() != nullptr) {
        m_module = nullptr;
        ReleaseDocument();
    }
    return !HasError();
}

std::wstring CSetupFileXML::ParamComment(size_t index) const {
    std::wstring list;
    for (const auto& [value, word] : m_words[index]) {
        if (word == kInvalid) {
            continue;
        }
        if (!list.empty()) {
            list += L",";
        }
        list += Quoted(word);
    }
    return L"Param name=" + Quoted(ParamName(index)) + L" value can be any of " + list;
}

std::wstring CSetupFileXML::OnOffComment(const std::wstring& name) {
    return L"Param name=" + Quoted(name) + L" value can be any of \"On\",\"Off\"";
}

bool CSetupFileXML::AppendParam(const std::wstring& comment, const std::wstring& name,
                                uint32_t value, const std::wstring& word) {
    try {
        xercesc::DOMDocument* document = Document();
        if (m_module == nullptr || document == nullptr) {
            // Setters belong to a document made by CreateDocument.
            AppendError(L"An error occurred creating the document");
            return false;
        }
        m_module->appendChild(document->createComment(WideToXml(comment).c_str()));
        xercesc::DOMElement* param = document->createElement(WideToXml(kParam).c_str());
        m_module->appendChild(param);
        SetAttribute(param, L"name", name);
        SetAttribute(param, L"value", word);
        m_written.push_back({name, value, word});
    } catch (const xercesc::OutOfMemoryException&) {
        AppendError(L"OutOfMemoryException");
    } catch (const xercesc::DOMException& e) {
        AppendError(L"DOMException code is:  " + std::to_wstring(e.code));
    } catch (...) {
        AppendError(L"An error occurred creating the document");
    }
    return !HasError();
}

bool CSetupFileXML::SetEnum(size_t index, uint32_t value) {
    const auto& table = m_words[index];
    const auto found = table.find(static_cast<int32_t>(value));
    const std::wstring word = found != table.end() ? found->second : std::wstring();
    return AppendParam(ParamComment(index), ParamName(index), value, word);
}

bool CSetupFileXML::SetOnOff(const std::wstring& name, bool value) {
    return AppendParam(OnOffComment(name), name, value ? 1 : 0, value ? L"On" : L"Off");
}

std::wstring CSetupFileXML::FindWord(const std::wstring& name) const {
    const xercesc::DOMElement* module = FindFirstElement(DocumentElement(), kModule);
    if (module == nullptr) {
        return std::wstring();
    }
    for (const xercesc::DOMNode* node = module->getFirstChild(); node != nullptr;
         node = node->getNextSibling()) {
        if (node->getNodeType() != xercesc::DOMNode::ELEMENT_NODE) {
            continue;
        }
        const auto* element = static_cast<const xercesc::DOMElement*>(node);
        std::wstring found;
        std::wstring word;
        if (GetStringAttribute(element, L"name", found) && found == name &&
            GetStringAttribute(element, L"value", word)) {
            return word;
        }
    }
    return std::wstring();
}

uint32_t CSetupFileXML::GetEnum(size_t index) const {
    const std::wstring word = FindWord(ParamName(index));
    for (const auto& [value, entry] : m_words[index]) {
        if (entry == word) {
            return static_cast<uint32_t>(value);
        }
    }
    return 0;
}

bool CSetupFileXML::GetOnOff(const std::wstring& name) const {
    return FindWord(name) == L"On";
}

std::wstring CSetupFileXML::ModuleAttribute(const wchar_t* attribute) const {
    return GetDocumentAttribute(kModule, attribute);
}

bool CSetupFileXML::WriteFile(const std::wstring& path) {
    try {
        xercesc::DOMImplementation* impl =
            xercesc::DOMImplementationRegistry::getDOMImplementation(WideToXml(L"LS").c_str());
        std::unique_ptr<xercesc::DOMLSSerializer, ReleaseSerializer> writer(
            impl != nullptr ? impl->createLSSerializer() : nullptr);
        if (!writer) {
            AppendError(L"Cannot create XML serializer object.");
            return false;
        }
        xercesc::DOMConfiguration* config = writer->getDomConfig();
        SetParameter(config, xercesc::XMLUni::fgDOMXMLDeclaration, true);
        SetParameter(config, xercesc::XMLUni::fgDOMWRTBOM, false);
        SetParameter(config, xercesc::XMLUni::fgDOMWRTDiscardDefaultContent, false);
        SetParameter(config, xercesc::XMLUni::fgDOMWRTFormatPrettyPrint, true);

        std::unique_ptr<xercesc::LocalFileFormatTarget> target;
        try {
            target = std::make_unique<xercesc::LocalFileFormatTarget>(WideToUtf8(path).c_str());
        } catch (...) {
            AppendError(L"Cannot create XML format object.");
            return false;
        }
        CountingTarget counter(*target);
        bool written = false;
        {
            std::unique_ptr<xercesc::DOMLSOutput, ReleaseOutput> output(impl->createLSOutput());
            output->setByteStream(&counter);
            try {
                written = Document() != nullptr && writer->write(Document(), output.get());
                if (written) {
                    counter.flush();
                }
            } catch (const xercesc::DOMLSException&) {
                written = false;
            }
        }
        target.reset(); // closes the file
        // A full disk shows only as a short file.
        if (written && !HasSize(path, counter.Count())) {
            written = false;
        }
        if (!written) {
            AppendError(L"Cannot write XML data to file.");
        }
    } catch (const xercesc::OutOfMemoryException&) {
        AppendError(L"OutOfMemoryException");
    } catch (const xercesc::XMLException& e) {
        AppendError(L"An error occurred during creation of output transcoder. Msg is:" +
                    XmlToWide(e.getMessage()));
    } catch (...) {
        AppendError(L"Cannot write XML data to file.");
    }
    return !HasError();
}
