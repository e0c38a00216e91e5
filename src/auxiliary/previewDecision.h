#pragma once

#include "auxiliary/repositoryFile.h"

#include <QString>
#include <QStringList>

namespace tolvane {

// How the preview panel shows a file it may show.
enum class PreviewKind {
    Html,  // a script-less HTML view
    Image, // a raster picture
    Svg,   // a vector picture
    Pdf,   // pages, where Qt PDF is built in
    Text,  // read-only text, capped
    Other, // the file's icon and facts
};

// Why a file is not previewed (its icon and facts are shown instead).
enum class PreviewRefusal {
    None,
    Missing,
    OutsideRepository, // a link (or a linked folder) that leads out of the repository
    Folder,
    SpecialFile, // a pipe, socket or device: reading could block or never end
    Unreadable,
    NeverPreview, // object files, archives of git's own and the like
    TooLarge,
    Binary, // no extension, and a zero byte among its first bytes
};

// Files above this size are never previewed.
inline constexpr qint64 previewSizeLimit = 100'000'000;
// An extension-less file is taken for binary when a zero byte shows within this many bytes.
inline constexpr qsizetype binaryProbeLength = 512;
// Text (and HTML shown as text) is read up to this many bytes.
inline constexpr qsizetype textPreviewLimit = 1'000'000;
// Larger HTML is shown as its text: laying it out would stall the interface.
inline constexpr qint64 htmlRenderLimit = 2'000'000;

// What the guards need to know about a file; gathered without reading more than its first
// binaryProbeLength bytes.
struct PreviewFacts {
    bool exists = false;
    bool insideRepository = false;
    bool isDirectory = false;
    bool isRegular = false;
    bool readable = false;
    qint64 size = 0;
    QString extension;            // lower-cased, without the dot; empty when there is none
    bool headHasZeroByte = false; // within the first binaryProbeLength bytes
};

// The lower-cased text after the last dot of the last path component; a leading dot (".bashrc")
// or a trailing one ("name.") gives no extension.
QString previewExtension(const QString& path);

// The file-system facts of a located file (reads at most binaryProbeLength bytes).
PreviewFacts examineForPreview(const RepositoryFile& file, const QString& relativePath);

// The guards, in order; None when the file may be previewed.
PreviewRefusal previewRefusal(const PreviewFacts& facts);

// Extensions never previewed.
const QStringList& neverPreviewExtensions();

// The kind for a file the guards let through.
PreviewKind previewKind(const PreviewFacts& facts, bool pdfSupported);

// A sentence on why a file is not shown, for the fallback page.
QString refusalText(PreviewRefusal refusal, const RepositoryFile& file);

} // namespace tolvane
