#pragma once

#include <QString>

namespace zn {

// The version of this build ("1.5.0"), the CMake project version.
QString ProgramVersion();
// The day this version was released, "YYYY-MM-DD": the about box's credit,
// the AppStream release and the manual pages all take it from the build.
QString ReleaseDate();

} // namespace zn
