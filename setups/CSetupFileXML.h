#pragma once

#include "descriptions/CXMLFileReader.h"
#include "setups/SetupFileProcedures.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

XERCES_CPP_NAMESPACE_BEGIN
class DOMElement;
XERCES_CPP_NAMESPACE_END

// One value of an enumerated setup parameter and the word that stands for it.
struct SetupWord {
    int32_t value;
    const wchar_t* word;
};

// An enumerated setup parameter: its name in the file and its words.
struct SetupParamDef {
    const wchar_t* name;
    std::span<const SetupWord> words;
};

// What the setup files of every module type share: a ModuleParams document
// with one Module element (version and type attributes) holding, per
// parameter, a comment listing its words and a Param element (name, value).
// A reader parses a file and answers getters; a writer makes a new document,
// takes setters in file order and writes the file. Failures become error
// text; nothing is thrown.
class CSetupFileXML : public CXMLFileReader {
public:
    // writeVersion: the data-format version written into new files.
    CSetupFileXML(std::wstring writeVersion, std::span<const SetupParamDef> params);
    ~CSetupFileXML() override;

    // Reads the file into a document; the data-format version is left to the
    // block's LoadFromSetup.
    bool Parse(const std::wstring& ignored, const std::wstring& path);
    // A new document: ModuleParams (with its document type) holding one
    // Module element with version and type.
    bool CreateDocument(const std::wstring& moduleTypeName);
    // Serialises the document to path: XML declaration, no byte order mark,
    // pretty printed.
    bool WriteFile(const std::wstring& path);

    // The comment written before parameter `index`: the words in ascending
    // value order, "invalid" left out.
    std::wstring ParamComment(size_t index) const;
    // The comment of an On/Off parameter.
    static std::wstring OnOffComment(const std::wstring& name);
    // The word table of parameter `index`.
    const std::map<int32_t, std::wstring>& Words(size_t index) const { return m_words[index]; }
    // The name in the file of enumerated parameter `index`.
    const wchar_t* ParamName(size_t index) const { return m_params[index].name; }

    // A parameter as a setter wrote it: its name in the file, the value it was
    // given (On/Off: 1/0) and the word written (empty when the value has none).
    using WrittenParam = WrittenSetupParam;
    // What the setters have written into the document since CreateDocument,
    // in file order: a setup block described as its file names it.
    const std::vector<WrittenParam>& WrittenParams() const { return m_written; }

protected:
    // Appends the comment and Param element of parameter `index`; a value the
    // table does not hold is written as an empty word.
    bool SetEnum(size_t index, uint32_t value);
    // The value of the first word of the table that equals the file's word; 0
    // when there is none.
    uint32_t GetEnum(size_t index) const;
    bool SetOnOff(const std::wstring& name, bool value);
    // True only for the word "On".
    bool GetOnOff(const std::wstring& name) const;

    std::wstring ModuleAttribute(const wchar_t* attribute) const;

private:
    bool AppendParam(const std::wstring& comment, const std::wstring& name, uint32_t value,
                     const std::wstring& word);
    // The value word of the first direct child of Module whose name matches
    // and that has a value; empty when there is none.
    std::wstring FindWord(const std::wstring& name) const;

    std::span<const SetupParamDef> m_params;
    std::vector<std::map<int32_t, std::wstring>> m_words;
    std::vector<WrittenParam> m_written;
    xercesc::DOMElement* m_module = nullptr; // in the document made by CreateDocument
};
