#include "simulator/ModuleState.h"

namespace sim {

std::string FixedText(const std::string& text, size_t size) {
    std::string field = text.substr(0, size);
    field.resize(size, '\0');
    return field;
}

std::string TrimText(const std::string& field) {
    return field.substr(0, field.find('\0'));
}

} // namespace sim
