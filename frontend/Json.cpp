#include "frontend/Json.h"

#include "descriptions/XmlText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace frontend {

namespace {

constexpr int kMaxDepth = 64;

class Parser {
public:
    Parser(std::string_view text, std::string& error) : m_text(text), m_error(error) {}

    std::optional<JsonValue> Document() {
        SkipSpace();
        std::optional<JsonValue> value = Value(0);
        if (!value)
            return std::nullopt;
        SkipSpace();
        if (m_at != m_text.size())
            return Fail("text after the value");
        return value;
    }

private:
    std::nullopt_t Fail(const std::string& what) {
        if (m_error.empty())
            m_error = what + " at byte " + std::to_string(m_at);
        return std::nullopt;
    }
    bool AtEnd() const { return m_at >= m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_at]; }
    void SkipSpace() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r'))
            ++m_at;
    }
    bool Literal(std::string_view word) {
        if (m_text.substr(m_at, word.size()) != word)
            return false;
        m_at += word.size();
        return true;
    }

    std::optional<JsonValue> Value(int depth) {
        if (depth >= kMaxDepth)
            return Fail("nesting deeper than " + std::to_string(kMaxDepth));
        switch (Peek()) {
        case '{':
            return ObjectValue(depth);
        case '[':
            return ArrayValue(depth);
        case '"': {
            std::optional<std::string> text = String();
            if (!text)
                return std::nullopt;
            return JsonValue(std::move(*text));
        }
        case 't':
            if (Literal("true"))
                return JsonValue(true);
            break;
        case 'f':
            if (Literal("false"))
                return JsonValue(false);
            break;
        case 'n':
            if (Literal("null"))
                return JsonValue();
            break;
        default:
            if (Peek() == '-' || (Peek() >= '0' && Peek() <= '9'))
                return Number();
        }
        return Fail(AtEnd() ? "unexpected end" : "unexpected character");
    }

    std::optional<JsonValue> ObjectValue(int depth) {
        ++m_at; // {
        JsonValue object = JsonValue::MakeObject();
        SkipSpace();
        if (Peek() == '}') {
            ++m_at;
            return object;
        }
        for (;;) {
            SkipSpace();
            if (Peek() != '"')
                return Fail("expected a member name");
            const size_t nameAt = m_at;
            std::optional<std::string> name = String();
            if (!name)
                return std::nullopt;
            if (object.Get(*name)) {
                m_at = nameAt;
                return Fail("duplicate member \"" + *name + "\"");
            }
            SkipSpace();
            if (Peek() != ':')
                return Fail("expected ':'");
            ++m_at;
            SkipSpace();
            std::optional<JsonValue> value = Value(depth + 1);
            if (!value)
                return std::nullopt;
            object.Set(*name, std::move(*value));
            SkipSpace();
            if (Peek() == ',') {
                ++m_at;
                continue;
            }
            if (Peek() == '}') {
                ++m_at;
                return object;
            }
            return Fail("expected ',' or '}'");
        }
    }

    std::optional<JsonValue> ArrayValue(int depth) {
        ++m_at; // [
        JsonValue array = JsonValue::MakeArray();
        SkipSpace();
        if (Peek() == ']') {
            ++m_at;
            return array;
        }
        for (;;) {
            SkipSpace();
            std::optional<JsonValue> value = Value(depth + 1);
            if (!value)
                return std::nullopt;
            array.Append(std::move(*value));
            SkipSpace();
            if (Peek() == ',') {
                ++m_at;
                continue;
            }
            if (Peek() == ']') {
                ++m_at;
                return array;
            }
            return Fail("expected ',' or ']'");
        }
    }

    std::optional<JsonValue> Number() {
        const size_t start = m_at;
        auto digits = [this] {
            const size_t from = m_at;
            while (!AtEnd() && Peek() >= '0' && Peek() <= '9')
                ++m_at;
            return m_at > from;
        };
        if (Peek() == '-')
            ++m_at;
        if (Peek() == '0') {
            ++m_at;
        } else if (!digits()) {
            return Fail("expected a digit");
        }
        bool integer = true;
        if (Peek() == '.') {
            ++m_at;
            integer = false;
            if (!digits())
                return Fail("expected a digit after '.'");
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++m_at;
            integer = false;
            if (Peek() == '+' || Peek() == '-')
                ++m_at;
            if (!digits())
                return Fail("expected a digit in the exponent");
        }
        const std::string_view text = m_text.substr(start, m_at - start);
        // "-0" stays the double -0.0, so it writes back as it was read.
        if (integer && text != "-0") {
            int64_t value = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (ec == std::errc() && end == text.data() + text.size())
                return JsonValue(value);
        }
        // Beyond 64 bits, or with a fraction: a double, as JSON readers take it.
        const double value = std::strtod(std::string(text).c_str(), nullptr);
        if (!std::isfinite(value)) {
            m_at = start;
            return Fail("number out of range");
        }
        return JsonValue(value);
    }

    std::optional<uint32_t> Hex4() {
        if (m_at + 4 > m_text.size())
            return Fail("unexpected end in \\u");
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_at++];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<uint32_t>(c - 'A' + 10);
            else
                return Fail("bad hexadecimal digit in \\u");
        }
        return value;
    }

    static void AppendUtf8(std::string& out, uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    // One UTF-8 sequence, checked (no overlong forms, no surrogates, at most U+10FFFF).
    bool CopyUtf8(std::string& out) {
        const auto lead = static_cast<unsigned char>(m_text[m_at]);
        size_t length = 0;
        uint32_t c = 0;
        uint32_t min = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F, min = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F, min = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (m_at + length > m_text.size())
            return false;
        for (size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(m_text[m_at + i]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        out.append(m_text.substr(m_at, length));
        m_at += length;
        return true;
    }

    std::optional<std::string> String() {
        ++m_at; // "
        std::string out;
        for (;;) {
            if (AtEnd())
                return Fail("unterminated string");
            const char c = m_text[m_at];
            if (c == '"') {
                ++m_at;
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return Fail("control character in a string");
            if (static_cast<unsigned char>(c) >= 0x80) {
                if (!CopyUtf8(out))
                    return Fail("invalid UTF-8");
                continue;
            }
            ++m_at;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (AtEnd())
                return Fail("unterminated string");
            switch (m_text[m_at++]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::optional<uint32_t> unit = Hex4();
                if (!unit)
                    return std::nullopt;
                uint32_t code = *unit;
                if (code >= 0xDC00 && code <= 0xDFFF)
                    return Fail("lone low surrogate");
                if (code >= 0xD800 && code <= 0xDBFF) {
                    if (!Literal("\\u"))
                        return Fail("lone high surrogate");
                    std::optional<uint32_t> low = Hex4();
                    if (!low)
                        return std::nullopt;
                    if (*low < 0xDC00 || *low > 0xDFFF)
                        return Fail("lone high surrogate");
                    code = 0x10000 + ((code - 0xD800) << 10) + (*low - 0xDC00);
                }
                AppendUtf8(out, code);
                break;
            }
            default:
                --m_at;
                return Fail("unknown escape");
            }
        }
    }

    std::string_view m_text;
    std::string& m_error;
    size_t m_at = 0;
};

} // namespace

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

std::optional<int64_t> JsonValue::AsInteger() const {
    if (const int64_t* n = std::get_if<int64_t>(&m_value))
        return *n;
    return std::nullopt;
}

const JsonValue* JsonValue::Get(std::string_view name) const {
    if (const Object* object = AsObject())
        for (const auto& [key, member] : *object)
            if (key == name)
                return &member;
    return nullptr;
}

std::string JsonValue::Text(std::string_view name, const std::string& fallback) const {
    const JsonValue* member = Get(name);
    const std::string* text = member ? member->AsString() : nullptr;
    return text ? *text : fallback;
}

std::optional<JsonValue> JsonValue::Parse(std::string_view text, std::string& error) {
    error.clear();
    return Parser(text, error).Document();
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
    } else if (const double* d = std::get_if<double>(&m_value)) {
        // JSON has no infinities or NaN.
        if (!std::isfinite(*d)) {
            out += "null";
        } else {
            char text[32];
            std::snprintf(text, sizeof text, "%.17g", *d);
            out += text;
        }
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

} // namespace frontend
