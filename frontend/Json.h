#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// Just enough JSON for the tool's machine-readable output: objects keep
// their members in the order they were set, texts are written as UTF-8.
namespace cli {

class JsonValue {
public:
    using Object = std::vector<std::pair<std::string, JsonValue>>;
    using Array = std::vector<JsonValue>;

    JsonValue() = default; // null
    JsonValue(bool value) : m_value(value) {}
    JsonValue(int value) : m_value(static_cast<int64_t>(value)) {}
    JsonValue(int64_t value) : m_value(value) {}
    JsonValue(uint32_t value) : m_value(static_cast<int64_t>(value)) {}
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

    bool IsObject() const { return std::holds_alternative<Object>(m_value); }
    // The members of an object; null for other values.
    const Object* AsObject() const { return std::get_if<Object>(&m_value); }
    // The text of a compact document.
    std::string Write() const;

private:
    void WriteTo(std::string& out) const;

    std::variant<std::monostate, bool, int64_t, std::string, Array, Object> m_value;
};

// A JSON string literal of UTF-8 text, quotes included.
std::string JsonQuote(const std::string& utf8);

} // namespace cli
