#include "pages/PageStraightener.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "pages/CvImage.h"
#include "pages/PaperLight.h"

namespace tavelo {

namespace {

double Length(QPointF a, QPointF b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

}  // namespace

QSize StraightSize(const PageCorners& c, PaperShape* paper) {
    const QSizeF measured((Length(c[0], c[1]) + Length(c[3], c[2])) / 2,
                          (Length(c[0], c[3]) + Length(c[1], c[2])) / 2);
    PaperShape shape;
    const QSize size = StraightPixelSize(measured, shape);
    if (paper != nullptr) {
        *paper = shape;
    }
    return size;
}

StraightPage StraightenPage(const QImage& picture, const PageCorners& corners, PageLook look) {
    StraightPage page;
    if (picture.isNull() || CornersArea(corners) < 16) {
        return page;
    }
    const QSize size = StraightSize(corners, &page.paper);
    QImage keep;
    const cv::Mat full = BgraView(picture, keep);
    // Only the sheet's bounds are cleaned: the light is evened at the picture's own size,
    // before the enlargement, where there are fewer pixels to touch.
    double left = corners[0].x(), top = corners[0].y(), right = left, bottom = top;
    for (const QPointF& p : corners) {
        left = std::min(left, p.x()), right = std::max(right, p.x());
        top = std::min(top, p.y()), bottom = std::max(bottom, p.y());
    }
    const cv::Rect bounds =
        cv::Rect(cv::Point(int(std::floor(left)) - 2, int(std::floor(top)) - 2),
                 cv::Point(int(std::ceil(right)) + 2, int(std::ceil(bottom)) + 2)) &
        cv::Rect(0, 0, full.cols, full.rows);
    if (bounds.width < 4 || bounds.height < 4) {
        return page;
    }
    // Sharpened for the linear enlargement below: a cubic one costs several times as much.
    const cv::Mat even = EvenLight(full(bounds), look == PageLook::Colour);

    const cv::Point2f from[4] = {
        {float(corners[0].x() - bounds.x), float(corners[0].y() - bounds.y)},
        {float(corners[1].x() - bounds.x), float(corners[1].y() - bounds.y)},
        {float(corners[2].x() - bounds.x), float(corners[2].y() - bounds.y)},
        {float(corners[3].x() - bounds.x), float(corners[3].y() - bounds.y)}};
    const cv::Point2f to[4] = {{0, 0},
                               {float(size.width()), 0},
                               {float(size.width()), float(size.height())},
                               {0, float(size.height())}};
    // Picture coordinates put pixel i at [i, i + 1); OpenCV's at its centre.
    cv::Point2f fromCentres[4], toCentres[4];
    for (int i = 0; i < 4; ++i) {
        fromCentres[i] = from[i] - cv::Point2f(0.5f, 0.5f);
        toCentres[i] = to[i] - cv::Point2f(0.5f, 0.5f);
    }
    const cv::Mat transform = cv::getPerspectiveTransform(fromCentres, toCentres);
    const cv::Size outSize(size.width(), size.height());
    cv::Mat out = NewPicture(size, look != PageLook::Colour, page.picture);
    if (look == PageLook::BlackWhite) {
        cv::Mat straight;
        cv::warpPerspective(even, straight, transform, outSize, cv::INTER_LINEAR,
                            cv::BORDER_REPLICATE);
        Threshold(straight, out);
    } else {
        cv::warpPerspective(even, out, transform, outSize, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    }
    return page;
}

}  // namespace tavelo
