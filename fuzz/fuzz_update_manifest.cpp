// The update manifest reader and the version it names. The input is the whole answer of the
// server. Properties:
// - reading either refuses the answer as no manifest, or gives the version text; the same
//   bytes read again give the same outcome;
// - a version text it gives either is refused as too large or parses to a version, and the
//   version's own text (four numbers) parses back to the same version.

#include "fuzz_support.h"

#include "about/update_manifest.h"
#include "about/version_number.h"
#include "common/error.h"

#include <QBuffer>
#include <optional>

using namespace bp;
using bp::fuzz::printable;

namespace {

// The version text, or nothing when the answer is refused.
std::optional<QString> read(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    try {
        return readManifestVersionText(buffer);
    } catch (const Error &error) {
        FUZZ_CHECK(error.message() == notAManifestReason(), printable(error.message()));
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QString> text = read(bytes);
    FUZZ_CHECK(read(bytes) == text, printable(QString::fromUtf8(bytes)));
    if (!text)
        return 0;
    VersionNumber version;
    try {
        version = parseVersionText(*text);
    } catch (const Error &) {
        return 0;
    }
    const QString plain = QStringLiteral("%1.%2.%3.%4")
                              .arg(version.major)
                              .arg(version.minor)
                              .arg(version.release)
                              .arg(version.build);
    FUZZ_CHECK(parseVersionText(plain) == version, printable(*text));
    return 0;
}
