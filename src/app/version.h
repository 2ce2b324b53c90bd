#pragma once

#include <QString>

namespace zn {

// The version of this build ("1.5.0"), the CMake project version.
QString ProgramVersion();

} // namespace zn
