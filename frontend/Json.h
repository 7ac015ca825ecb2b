#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// Just enough JSON for the front ends: the tool's machine-readable output and
// the results log. Objects keep their members in the order they were set,
// texts are UTF-8.
namespace frontend {

class JsonValue {
public:
    using Object = std::vector<std::pair<std::string, JsonValue>>;
    using Array = std::vector<JsonValue>;

    JsonValue() = default; // null
    JsonValue(bool value) : m_value(value) {}
    JsonValue(int value) : m_value(static_cast<int64_t>(value)) {}
    JsonValue(int64_t value) : m_value(value) {}
    JsonValue(uint32_t value) : m_value(static_cast<int64_t>(value)) {}
    JsonValue(double value) : m_value(value) {}
    JsonValue(const char* text) : m_value(std::string(text)) {}
    JsonValue(std::string text) : m_value(std::move(text)) {}
    JsonValue(const std::wstring& text);
    JsonValue(const wchar_t* text) : JsonValue(std::wstring(text)) {}
    JsonValue(Array array) : m_value(std::move(array)) {}
    JsonValue(Object object) : m_value(std::move(object)) {}

    static JsonValue MakeObject() { return JsonValue(Object{}); }
    static JsonValue MakeArray() { return JsonValue(Array{}); }

    // Objects: sets a member (replacing one of the same name). Arrays: appends.
    JsonValue& Set(const std::string& name, JsonValue value);
    JsonValue& Append(JsonValue value);

    bool IsNull() const { return std::holds_alternative<std::monostate>(m_value); }
    bool IsObject() const { return std::holds_alternative<Object>(m_value); }
    // The members of an object; null for other values.
    const Object* AsObject() const { return std::get_if<Object>(&m_value); }
    const Array* AsArray() const { return std::get_if<Array>(&m_value); }
    const std::string* AsString() const { return std::get_if<std::string>(&m_value); }
    std::optional<int64_t> AsInteger() const;
    // The member of that name of an object; null when absent or no object.
    const JsonValue* Get(std::string_view name) const;
    // The member's text, or the fallback when it is absent or no text.
    std::string Text(std::string_view name, const std::string& fallback = {}) const;

    // The text of a compact document.
    std::string Write() const;

    // Reads one whole document (surrounding white space allowed). Strict: no
    // comments, trailing commas, duplicate names, bare control characters,
    // invalid UTF-8 or lone surrogates; nesting at most 64 deep. Null with
    // the reason and its byte offset in error when the text is no JSON.
    static std::optional<JsonValue> Parse(std::string_view text, std::string& error);

private:
    void WriteTo(std::string& out) const;

    std::variant<std::monostate, bool, int64_t, double, std::string, Array, Object> m_value;
};

// A JSON string literal of UTF-8 text, quotes included.
std::string JsonQuote(const std::string& utf8);

} // namespace frontend
