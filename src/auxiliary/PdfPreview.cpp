#include "auxiliary/PdfPreview.h"

#include "platform/regularFileRead.h"

#ifdef TOLVANE_HAVE_QT_PDF

#include <QFile>
#include <QPainter>
#include <QPdfDocument>
#include <QScrollBar>

#include <unistd.h>

namespace tolvane {
namespace {

constexpr int pageMargin = 12;
// Rendered pages kept beyond those in sight, so that scrolling back does not render again.
constexpr int renderedPageLimit = 12;

} // namespace

PdfPreview::PdfPreview(QWidget* parent)
    : QAbstractScrollArea(parent), m_document(new QPdfDocument(this)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Mid);
    verticalScrollBar()->setSingleStep(20);
    connect(m_document, &QPdfDocument::pageCountChanged, this, &PdfPreview::layoutPages);
    connect(m_document, &QPdfDocument::statusChanged, this, &PdfPreview::layoutPages);
}

PdfPreview::~PdfPreview() {
    // Closing the document notifies; it must not reach a half-destroyed view.
    m_document->disconnect(this);
    delete m_document;
}

bool PdfPreview::load(const QByteArray& path) {
    // `path` is canonical: a link found in its place now is not followed.
    RegularFile file = RegularFile::open(path, LinkPolicy::Refuse);
    if (!file.isOpen())
        return false;
    const int descriptor = file.release();
    // The document reads from the device for as long as it lives.
    auto* device = new QFile(m_document);
    if (!device->open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return false;
    }
    m_document->load(device);
    return m_document->status() != QPdfDocument::Status::Error;
}

int PdfPreview::pageCount() const {
    return m_document->pageCount();
}

void PdfPreview::layoutPages() {
    m_pages.clear();
    m_rendered.clear();
    const int width = std::max(1, viewport()->width() - 2 * pageMargin);
    int top = pageMargin;
    for (int page = 0; page < m_document->pageCount(); ++page) {
        const QSizeF points = m_document->pagePointSize(page);
        const int height =
            points.width() > 0 ? std::max(1, int(width * points.height() / points.width())) : width;
        m_pages.append(QRect(pageMargin, top, width, height));
        top += height + pageMargin;
    }
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, std::max(0, top - viewport()->height()));
    viewport()->update();
}

void PdfPreview::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layoutPages();
}

void PdfPreview::scrollContentsBy(int, int) {
    viewport()->update();
}

void PdfPreview::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int offset = verticalScrollBar()->value();
    const QRect sight(0, offset, viewport()->width(), viewport()->height());
    const qreal ratio = devicePixelRatioF();
    for (int page = 0; page < m_pages.size(); ++page) {
        const QRect area = m_pages[page];
        if (!area.intersects(sight))
            continue;
        auto rendered = m_rendered.find(page);
        if (rendered == m_rendered.end()) {
            if (m_rendered.size() >= renderedPageLimit)
                m_rendered.clear();
            QImage image = m_document->render(page, (QSizeF(area.size()) * ratio).toSize());
            image.setDevicePixelRatio(ratio);
            rendered = m_rendered.insert(page, image);
        }
        const QRect target = area.translated(0, -offset);
        painter.fillRect(target, Qt::white);
        painter.drawImage(target, *rendered);
    }
}

} // namespace tolvane

#endif
