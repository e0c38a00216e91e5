#pragma once

#include "auxiliary/previewDecision.h"
#include "auxiliary/repositoryFile.h"

#include <QString>

class QWidget;

namespace tolvane {

// Everything the panel decided about one file before building its content.
struct PreviewRequest {
    QString repoPath;
    QString relativePath;
    RepositoryFile file;
    PreviewFacts facts;
    PreviewRefusal refusal = PreviewRefusal::None;
    PreviewKind kind = PreviewKind::Other; // what it shows as, when not refused
};

// True when this build shows PDF pages (Qt PDF was found).
bool pdfPreviewSupported();

// Locates and examines `relativePath` and applies the guards (reads at most its first bytes).
PreviewRequest preparePreview(const QString& repoPath, const QString& relativePath);

// The content widget for a request. Its object name tells what it shows: "htmlPreview",
// "imagePreview", "svgPreview", "pdfPreview", "textPreview", or "fallbackPreview" (the file's
// icon and facts, with the reason when it was refused).
QWidget* createPreviewContent(const PreviewRequest& request, QWidget* parent);

} // namespace tolvane
