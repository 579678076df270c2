// A package walked as a run would: listed (central directories and nested ZIPs only), then every
// item read into memory in the listing's order. Prints the items, the bytes read, the time of
// each step and the peak memory, on one line:
//   tenvor-bench-package PACKAGE.zip
//   items=10000 faults=0 bytes=123456789 list_s=0.012 read_s=0.456 peak_rss_kb=12345
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "package/PackageListing.h"
#include "package/PackageReader.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PACKAGE.zip\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const tenvor::PackageListing listing = tenvor::ListPackageFile(path, path, {"bench"});
    const auto listed = Clock::now();
    tenvor::PackageReader reader(listing);
    std::size_t faults = 0;
    unsigned long long bytes = 0;
    for (std::size_t i = 0; i < listing.items.size(); ++i) {
        const tenvor::PackageResult<std::string> content = reader.Read(listing.items[i]);
        faults += content ? 0 : 1;
        bytes += content ? content->size() : 0;
    }
    const auto read = Clock::now();
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("items=%zu faults=%zu bytes=%llu list_s=%.3f read_s=%.3f peak_rss_kb=%ld\n", listing.items.size(),
                faults, bytes, std::chrono::duration<double>(listed - start).count(),
                std::chrono::duration<double>(read - listed).count(), usage.ru_maxrss);
    return faults == 0 ? 0 : 1;
}
