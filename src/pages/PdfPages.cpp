#include "pages/PdfPages.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include "picture/DurableFile.h"
#include "picture/PictureResult.h"

namespace tavelo {
namespace {

// Device units of the writer: points, so the page rectangle is the paper's own size.
constexpr int kPointsPerInch = 72;

QPageLayout LayoutFor(QPageSize::PageSizeId paper, const QImage& picture) {
    const auto orientation =
        picture.width() > picture.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
    return QPageLayout(QPageSize(paper), orientation, QMarginsF(), QPageLayout::Point);
}

}  // namespace

QPageSize::PageSizeId DefaultPaper(const QLocale& locale) {
    return locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                   : QPageSize::A4;
}

void DrawPictureFitted(QPainter& painter, const QRectF& area, const QImage& picture) {
    if (picture.isNull() || area.isEmpty()) {
        return;
    }
    QSizeF size = picture.size();
    size.scale(area.size(), Qt::KeepAspectRatio);
    QRectF target(QPointF(), size);
    target.moveCenter(area.center());
    painter.drawImage(target, picture);
}

std::int16_t WritePdf(const QString& path, int count, const PagePicture& picture,
                      const PdfDocument& document) {
    if (count <= 0) {
        return PIC_NO_PICTURE;
    }
    DurableFile file;
    if (const std::int16_t opened = file.OpenToReplace(path); opened != PIC_OK) {
        return opened;
    }
    int drawn = 0;
    {
        QPdfWriter writer(&file.Device());
        writer.setResolution(kPointsPerInch);
        writer.setCreator(QStringLiteral("Tavelo"));
        writer.setTitle(document.title.isEmpty() ? QFileInfo(path).completeBaseName()
                                                 : document.title);
        QPainter painter;
        for (int i = 0; i < count; ++i) {
            const QImage page = picture(i);
            if (page.isNull()) {
                if (!document.skipUnreadable) {
                    return PIC_NO_PICTURE;  // nothing of it reaches the name
                }
                if (document.skipped != nullptr) {
                    document.skipped->push_back(i);
                }
                continue;
            }
            writer.setPageLayout(LayoutFor(document.paper, page));
            if (drawn == 0 ? !painter.begin(&writer) : !writer.newPage()) {
                return PIC_FILE_WRITE;
            }
            DrawPictureFitted(painter, writer.pageLayout().paintRectPoints(), page);
            ++drawn;
        }
        if (drawn > 0 && !painter.end()) {
            return PIC_FILE_WRITE;
        }
    }
    if (drawn == 0) {
        return PIC_NO_PICTURE;
    }
    // Whatever the writer could not write has failed the file.
    return file.Commit();
}

}  // namespace tavelo
