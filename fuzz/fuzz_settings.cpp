// Fuzz target: any bytes as a settings file, read and then written back.
#include "settings/inifile.h"

#include <cstdint>
#include <cstdlib>

using namespace zn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniDocument document(bytes);
    const QByteArray before = document.toBytes();
    // Reading never changes the file, and no value comes back over 1023 bytes.
    if (before != bytes.toByteArray())
        std::abort();
    for (const char *key : {"HandleName", "PortNo", "Password", "SendIP"}) {
        const auto value = document.value("LocalSetting", key);
        if (value && value->size() > IniDocument::MaxValueBytes)
            std::abort();
    }
    // A key written reads back as written; the other keys keep their values.
    const auto portBefore = document.value("LocalSetting", "PortNo");
    document.setValue("LocalSetting", "HandleName", "fuzz");
    if (document.value("LocalSetting", "HandleName") != QByteArray("fuzz"))
        std::abort();
    if (document.value("LocalSetting", "PortNo") != portBefore)
        std::abort();
    IniDocument reread(document.toBytes());
    if (reread.value("LocalSetting", "HandleName") != QByteArray("fuzz"))
        std::abort();
    return 0;
}
