// Writes the code page 932 tables of the build as C++ source, asking this machine's iconv
// ("CP932", the Windows flavour of Shift_JIS) about every character and every code:
//   tenvor-cp932-table OUTPUT.cpp
// The program converts with these tables on every system, so a Windows build writes and reads
// exactly the bytes the Linux build does.
#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t kNoCode = 0xFFFF;  // the character has no code in code page 932
constexpr std::uint16_t kNoCharacter = 0;  // the code stands for no character

class Converter {
public:
    Converter(const char* to, const char* from) : descriptor_(::iconv_open(to, from)) {}
    ~Converter()
    {
        if (Ok()) {
            ::iconv_close(descriptor_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }

    // The whole of input converted, or an empty result when iconv refuses any of it.
    std::vector<unsigned char> Convert(const std::vector<unsigned char>& input)
    {
        ::iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
        std::vector<unsigned char> output(16);
        char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(input.data()));
        std::size_t inLeft = input.size();
        char* out = reinterpret_cast<char*>(output.data());
        std::size_t outLeft = output.size();
        if (::iconv(descriptor_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
            ::iconv(descriptor_, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1)) {
            return {};
        }
        output.resize(output.size() - outLeft);
        return output;
    }

private:
    iconv_t descriptor_;
};

std::vector<unsigned char> Utf16Le(std::uint32_t character)
{
    return {static_cast<unsigned char>(character & 0xFF), static_cast<unsigned char>(character >> 8)};
}

void WriteArray(std::FILE* out, const char* declaration, const std::vector<std::uint16_t>& values)
{
    std::fprintf(out, "%s = {\n", declaration);
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::fprintf(out, "%u,%s", static_cast<unsigned>(values[i]), i % 16 == 15 ? "\n" : "");
    }
    std::fprintf(out, "};\n\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    Converter encode("CP932", "UTF-16LE");
    Converter decode("UTF-16LE", "CP932");
    if (!encode.Ok() || !decode.Ok()) {
        std::fprintf(stderr, "iconv cannot convert between CP932 and UTF-16LE\n");
        return 1;
    }

    // Every character of the Basic Multilingual Plane (code page 932 has nothing beyond it),
    // surrogates excepted: its code, one byte (below 0x100) or two (lead, trail), or none.
    std::vector<std::uint16_t> fromUnicode(0x10000, kNoCode);
    for (std::uint32_t character = 0; character < 0x10000; ++character) {
        if (character >= 0xD800 && character <= 0xDFFF) {
            continue;
        }
        const std::vector<unsigned char> code = encode.Convert(Utf16Le(character));
        if (code.size() == 1) {
            fromUnicode[character] = code[0];
        } else if (code.size() == 2) {
            fromUnicode[character] = static_cast<std::uint16_t>(code[0] << 8 | code[1]);
        }
    }

    // Every single byte and every pair of bytes: the character it stands for, or none. A byte
    // that stands for nothing alone but starts pairs is a lead byte.
    std::vector<std::uint16_t> singleByte(0x100, kNoCharacter);
    std::vector<std::uint16_t> leadByte(0x100, 0);
    std::vector<std::uint16_t> doubleByte(0x10000, kNoCharacter);
    for (unsigned lead = 0; lead < 0x100; ++lead) {
        const std::vector<unsigned char> alone = decode.Convert({static_cast<unsigned char>(lead)});
        if (alone.size() == 2) {
            singleByte[lead] = static_cast<std::uint16_t>(alone[0] | alone[1] << 8);
            continue;
        }
        for (unsigned trail = 0; trail < 0x100; ++trail) {
            const std::vector<unsigned char> pair =
                decode.Convert({static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)});
            if (pair.size() == 2) {
                doubleByte[lead << 8 | trail] = static_cast<std::uint16_t>(pair[0] | pair[1] << 8);
                leadByte[lead] = 1;
            }
        }
    }

    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out,
                 "// Generated at build time by tenvor-cp932-table from this machine's iconv (CP932). Do not "
                 "edit.\n#include \"platform/Cp932Table.h\"\n\nnamespace tenvor::cp932 {\n\n");
    WriteArray(out, "const std::uint16_t kFromUnicode[0x10000]", fromUnicode);
    WriteArray(out, "const std::uint16_t kSingleByte[0x100]", singleByte);
    WriteArray(out, "const std::uint16_t kLeadByte[0x100]", leadByte);
    WriteArray(out, "const std::uint16_t kDoubleByte[0x10000]", doubleByte);
    std::fprintf(out, "}  // namespace tenvor::cp932\n");
    if (std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
