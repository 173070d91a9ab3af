#include "program_file_version.h"

#include "program_version.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <QCoreApplication>
#include <QString>
#include <string>
#include <vector>
#include <windows.h>
#include <winver.h>
#endif

namespace bp {

#ifdef Q_OS_WIN

std::array<int, 4> programFileVersion()
{
    std::array<int, 4> version{0, 0, 0, 0};
    const std::wstring path = QCoreApplication::applicationFilePath().toStdWString();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0)
        return version;
    std::vector<char> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return version;
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void **>(&info), &length) ||
        info == nullptr || length < sizeof(VS_FIXEDFILEINFO))
        return version;
    version[0] = HIWORD(info->dwFileVersionMS);
    version[1] = LOWORD(info->dwFileVersionMS);
    version[2] = HIWORD(info->dwFileVersionLS);
    version[3] = LOWORD(info->dwFileVersionLS);
    return version;
}

#else

std::array<int, 4> programFileVersion()
{
    return {kVersionMajor, kVersionMinor, kVersionPatch, kVersionBuild};
}

#endif

} // namespace bp
