#include "pages/PdfPages.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

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
                      QPageSize::PageSizeId paper) {
    if (count <= 0) {
        return PIC_NO_PICTURE;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return PIC_FILE_OPEN;
    }
    QImage page = picture(0);
    if (page.isNull()) {
        return PIC_NO_PICTURE;
    }
    std::int16_t result = PIC_OK;
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPointsPerInch);
        writer.setCreator(QStringLiteral("Tavelo"));
        writer.setPageLayout(LayoutFor(paper, page));
        QPainter painter;
        if (!painter.begin(&writer)) {
            return PIC_FILE_WRITE;
        }
        for (int i = 0; i < count; ++i) {
            if (i > 0) {
                page = picture(i);
                if (page.isNull()) {
                    result = PIC_NO_PICTURE;
                    break;
                }
                writer.setPageLayout(LayoutFor(paper, page));
                writer.newPage();
            }
            DrawPictureFitted(painter, writer.pageLayout().paintRectPoints(), page);
        }
        painter.end();
    }
    if (result != PIC_OK) {
        file.cancelWriting();
        return result;
    }
    return file.commit() ? PIC_OK : PIC_FILE_WRITE;
}

}  // namespace tavelo
