#include "frontend/Json.h"

#include "descriptions/XmlText.h"

#include <cstdio>

namespace cli {

JsonValue::JsonValue(const std::wstring& text) : m_value(WideToUtf8(text)) {}

JsonValue& JsonValue::Set(const std::string& name, JsonValue value) {
    if (!IsObject())
        m_value = Object{};
    Object& object = std::get<Object>(m_value);
    for (auto& [key, member] : object) {
        if (key == name) {
            member = std::move(value);
            return *this;
        }
    }
    object.emplace_back(name, std::move(value));
    return *this;
}

JsonValue& JsonValue::Append(JsonValue value) {
    if (!std::holds_alternative<Array>(m_value))
        m_value = Array{};
    std::get<Array>(m_value).push_back(std::move(value));
    return *this;
}

std::string JsonQuote(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string JsonValue::Write() const {
    std::string out;
    WriteTo(out);
    return out;
}

void JsonValue::WriteTo(std::string& out) const {
    if (std::holds_alternative<std::monostate>(m_value)) {
        out += "null";
    } else if (const bool* b = std::get_if<bool>(&m_value)) {
        out += *b ? "true" : "false";
    } else if (const int64_t* n = std::get_if<int64_t>(&m_value)) {
        out += std::to_string(*n);
    } else if (const std::string* s = std::get_if<std::string>(&m_value)) {
        out += JsonQuote(*s);
    } else if (const Array* a = std::get_if<Array>(&m_value)) {
        out += '[';
        for (size_t i = 0; i < a->size(); ++i) {
            if (i > 0)
                out += ',';
            (*a)[i].WriteTo(out);
        }
        out += ']';
    } else if (const Object* o = std::get_if<Object>(&m_value)) {
        out += '{';
        for (size_t i = 0; i < o->size(); ++i) {
            if (i > 0)
                out += ',';
            out += JsonQuote((*o)[i].first);
            out += ':';
            (*o)[i].second.WriteTo(out);
        }
        out += '}';
    }
}

} // namespace cli
