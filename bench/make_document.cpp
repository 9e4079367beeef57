// Writes a printer-settings document with N network printers (10.x.y.z, port 9100) for
// the load and teardown benchmark, through the library's own archive so the bytes are
// exactly what the library reads.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "CArchive.h"
#include "CString.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s COUNT FILE\n", argv[0]);
        return 2;
    }
    const int count = std::atoi(argv[1]);
    CArchive archive;
    archive << static_cast<std::int32_t>(count);
    for (int i = 0; i < count; ++i) {
        archive << FormatString("Printer#%d", i + 1) << CString("Bench printer") << CString("");
        archive << CString("CNetworkPort") << std::int32_t{0};
        archive << FormatString("10.%d.%d.%d", (i >> 16) & 255, (i >> 8) & 255, i & 255) << std::int32_t{9100};
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(archive.Buffer().data(), static_cast<std::streamsize>(archive.Buffer().size()));
    return out ? 0 : 1;
}
