#include "convert/CsvPathsOfRun.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>

namespace tenvor {

namespace {

struct FreeCString {
    void operator()(utf8proc_uint8_t* text) const { std::free(text); }
};

std::string AsciiLowerCase(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

}  // namespace

std::string FoldedName(std::string_view name)
{
    bool ascii = true;
    for (const char c : name) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (ascii) {
        // Plain ASCII is in normal form already, and folds as its capital letters do.
        return AsciiLowerCase(name);
    }
    utf8proc_uint8_t* mapped = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(name.data()), static_cast<utf8proc_ssize_t>(name.size()),
                     &mapped, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_CASEFOLD));
    const std::unique_ptr<utf8proc_uint8_t, FreeCString> owned(mapped);
    if (length >= 0 && mapped != nullptr) {
        return std::string(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(length));
    }
    return AsciiLowerCase(name);
}

std::string CsvPathsOfRun::Key(std::string_view root, std::string_view relative)
{
    std::string key(root);
    key += '\0';
    key += FoldedName(relative);
    return key;
}

const std::string* CsvPathsOfRun::Find(std::string_view root, std::string_view relative) const
{
    const auto found = written_.find(Key(root, relative));
    return found == written_.end() ? nullptr : &found->second;
}

void CsvPathsOfRun::Add(std::string_view root, std::string_view relative, std::string path)
{
    written_.emplace(Key(root, relative), std::move(path));
}

}  // namespace tenvor
