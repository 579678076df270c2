#include "platform/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace tenvor {

namespace {

iconv_t Handle(void* descriptor)
{
    return static_cast<iconv_t>(descriptor);
}

}  // namespace

int Utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    return 1;
}

Cp932Encoder::Cp932Encoder() : descriptor_(::iconv_open("CP932", "UTF-8"))
{
    if (descriptor_ == reinterpret_cast<void*>(static_cast<std::intptr_t>(-1))) {
        throw std::runtime_error("iconv cannot convert UTF-8 to CP932");
    }
}

Cp932Encoder::~Cp932Encoder()
{
    ::iconv_close(Handle(descriptor_));
}

void Cp932Encoder::Append(std::string& out, std::string_view utf8)
{
    std::size_t i = 0;
    while (i < utf8.size()) {
        // ASCII is the same in both; copy runs of it directly.
        std::size_t run = i;
        while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) < 0x80) {
            ++run;
        }
        out.append(utf8.data() + i, run - i);
        i = run;
        if (i == utf8.size()) {
            break;
        }
        // Convert the non-ASCII run through iconv.
        std::size_t end = i;
        while (end < utf8.size() && static_cast<unsigned char>(utf8[end]) >= 0x80) {
            ++end;
        }
        char* in = const_cast<char*>(utf8.data() + i);
        std::size_t inLeft = end - i;
        while (inLeft > 0) {
            char buffer[1024];
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = ::iconv(Handle(descriptor_), &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc != static_cast<std::size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL: skip one character, or one stray byte, and mark it.
            std::size_t skip = static_cast<std::size_t>(Utf8SequenceLength(static_cast<unsigned char>(*in)));
            if (skip > inLeft) {
                skip = inLeft;
            }
            in += skip;
            inLeft -= skip;
            out += '?';
            ::iconv(Handle(descriptor_), nullptr, nullptr, nullptr, nullptr);
        }
        i = end;
    }
}

}  // namespace tenvor
