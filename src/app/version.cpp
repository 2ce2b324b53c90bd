#include "app/version.h"

#ifndef ZEPHINET_VERSION
#error "ZEPHINET_VERSION comes from the CMake project version"
#endif

namespace zn {

QString ProgramVersion()
{
    return QStringLiteral(ZEPHINET_VERSION);
}

} // namespace zn
