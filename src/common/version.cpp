#include "common/version.h"

#if !defined(ZEPHINET_VERSION) || !defined(ZEPHINET_RELEASE_DATE)
#error "ZEPHINET_VERSION and ZEPHINET_RELEASE_DATE come from the CMake project"
#endif

namespace zn {

QString ProgramVersion()
{
    return QStringLiteral(ZEPHINET_VERSION);
}

QString ReleaseDate()
{
    return QStringLiteral(ZEPHINET_RELEASE_DATE);
}

} // namespace zn
