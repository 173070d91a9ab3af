#pragma once

#include <QString>
#include <compare>

namespace bp {

// A program version: four 32-bit components, compared component by component from major to
// build (a build of 150 never outweighs a higher release).
struct VersionNumber
{
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;

    auto operator<=>(const VersionNumber &) const = default;
};

// "Версия " and major.minor, then the release when release or build is not 0, then the build
// when it is not 0: 1.3.1.0 reads "Версия 1.3.1", 2.0.0.0 "Версия 2.0".
QString versionLine(const VersionNumber &version);

// Reads a version text as runs of the ASCII digits 0-9 separated by anything else: the first
// four runs are the components, missing ones are 0, later ones are ignored. A run above
// 2147483647 throws bp::Error.
VersionNumber parseVersionText(QStringView text);

// The running program's version (see programFileVersion()).
VersionNumber runningProgramVersion();

} // namespace bp
