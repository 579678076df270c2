#include "convert/CsvField.h"

namespace tenvor {

bool NeedsQuoting(std::string_view value)
{
    for (const char c : value) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            return true;
        }
    }
    return false;
}

std::string QuoteCsvField(std::string_view value)
{
    if (!NeedsQuoting(value)) {
        return std::string(value);
    }
    std::string quoted;
    quoted.reserve(value.size() + 8);
    quoted += '"';
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"') {
            quoted += "\"\"";
        } else if (c == '\r') {
            // CR LF and a lone CR are both one line break.
            quoted += '\n';
            if (i + 1 < value.size() && value[i + 1] == '\n') {
                ++i;
            }
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}

}  // namespace tenvor
