#include "platform/IniFile.h"

#include <ini.h>
#include <strings.h>

#include <optional>

#include "platform/InputFile.h"

namespace tenvor {

namespace {

// The text read of an INI file; the rest of a larger file is ignored.
constexpr std::size_t kMaxIniBytes = 64 * 1024;

struct Lookup {
    std::string section;
    std::string key;
    std::optional<std::string> value;
};

// A value enclosed in double or single quotation marks is read without them, as Windows does.
std::string Unquoted(std::string value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

int OnEntry(void* user, const char* section, const char* name, const char* value)
{
    auto* lookup = static_cast<Lookup*>(user);
    if (section != nullptr && name != nullptr && value != nullptr && !lookup->value &&
        ::strcasecmp(section, lookup->section.c_str()) == 0 && ::strcasecmp(name, lookup->key.c_str()) == 0) {
        lookup->value = Unquoted(value);
    }
    return 1;  // a malformed line hides nothing after it
}

}  // namespace

std::string IniStringInText(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view fallback)
{
    ini_allow_multiline = false;  // continuation lines are not part of the private-profile format
    Lookup lookup{std::string(section), std::string(key), std::nullopt};
    const std::string terminated(text.substr(0, text.find('\0')));
    ini_parse_string(terminated.c_str(), OnEntry, &lookup);
    return lookup.value ? *lookup.value : std::string(fallback);
}

std::vector<std::string> ReadIniStrings(const std::string& path, std::string_view section, std::span<const IniKey> keys)
{
    const std::string text = ReadFileHead(path, kMaxIniBytes).value_or(std::string());
    std::vector<std::string> values;
    for (const IniKey& key : keys) {
        values.push_back(IniStringInText(text, section, key.name, key.fallback));
    }
    return values;
}

}  // namespace tenvor
