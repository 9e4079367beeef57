// Settings documents come from anywhere. Arbitrary bytes read as printer records must end
// in a record or an archive error, never a crash, a leak or an allocation beyond the input;
// and what the loaded records store must read back as the same document.
#include <cstddef>
#include <cstdint>

#include "CArchive.h"
#include "CException.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"

namespace {

// Loads records one after another until the bytes end or one cannot be read, and returns
// what the loaded records store.
CString LoadAndStoreAgain(const CString& bytes)
{
    CArchive in(bytes);
    CArchive out;
    while (in.Remaining() > 0) {
        CQuarnPrinter printer;
        try {
            printer.Serialize(in);
        } catch (CArchiveException* e) {
            e->Delete();
            break;
        } catch (CQuarnPrinterException* e) {
            e->Delete();
            break;
        }
        printer.Serialize(out);
    }
    return out.Buffer();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const CString stored = LoadAndStoreAgain(CString(reinterpret_cast<const char*>(data), size));
    if (LoadAndStoreAgain(stored) != stored) __builtin_trap();
    return 0;
}
