#pragma once

#include <QString>

class QIODevice;

namespace bp {

// Reads the version text of an update manifest: the document element, its first child
// element "Program_Info", and that element's first child "Program_Version", whose text is
// the result. A missing "Program_Version" reads as an empty text. The whole document must be
// well formed; a document type declaration, a missing "Program_Info", element content in
// "Program_Version" or nesting deeper than kMaxManifestDepth throws bp::Error.
QString readManifestVersionText(QIODevice &device);

// Deep enough for any manifest, shallow enough that a hostile document is refused at once.
inline constexpr int kMaxManifestDepth = 64;

// The reason the check gives for a document that is not a version manifest.
QString notAManifestReason();

} // namespace bp
