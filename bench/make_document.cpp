// Writes a printer-settings document with N network printers (10.x.y.z, or FIRST.x.y.z
// when FIRST is given, port 9100), each with DOWNLOAD as its download file, for the
// benchmarks, through the library's own archive so the bytes are exactly what the library reads.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "CArchive.h"
#include "CString.h"

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: %s COUNT FILE [FIRST [DOWNLOAD]]\n", argv[0]);
        return 2;
    }
    const int count = std::atoi(argv[1]);
    const int first = argc > 3 ? std::atoi(argv[3]) : 10;
    const CString download = argc > 4 ? argv[4] : "";
    CArchive archive;
    archive << static_cast<std::int32_t>(count);
    for (int i = 0; i < count; ++i) {
        archive << FormatString("Printer#%d", i + 1) << CString("Bench printer") << download;
        archive << CString("CNetworkPort") << std::int32_t{0};
        archive << FormatString("%d.%d.%d.%d", first, ((i + 1) >> 16) & 255, ((i + 1) >> 8) & 255, (i + 1) & 255) << std::int32_t{9100};
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(archive.Buffer().data(), static_cast<std::streamsize>(archive.Buffer().size()));
    return out ? 0 : 1;
}
