#include "pages/CvImage.h"

#include <opencv2/imgproc.hpp>

namespace tavelo {

cv::Mat BgraView(const QImage& picture, QImage& keep) {
    const QImage::Format f = picture.format();
    keep = f == QImage::Format_RGB32 || f == QImage::Format_ARGB32
               ? picture
               : picture.convertToFormat(QImage::Format_RGB32);
    return cv::Mat(keep.height(), keep.width(), CV_8UC4, const_cast<uchar*>(keep.constBits()),
                   static_cast<std::size_t>(keep.bytesPerLine()));
}

QImage ToImage(const cv::Mat& mat) {
    if (mat.empty()) {
        return {};
    }
    if (mat.type() == CV_8UC1) {
        QImage out(mat.cols, mat.rows, QImage::Format_Grayscale8);
        for (int y = 0; y < mat.rows; ++y) {
            std::memcpy(out.scanLine(y), mat.ptr(y), static_cast<std::size_t>(mat.cols));
        }
        return out;
    }
    QImage out(mat.cols, mat.rows, QImage::Format_RGB32);
    cv::Mat view(mat.rows, mat.cols, CV_8UC4, out.bits(),
                 static_cast<std::size_t>(out.bytesPerLine()));
    if (mat.type() == CV_8UC3) {
        cv::cvtColor(mat, view, cv::COLOR_BGR2BGRA);
    } else {
        mat.copyTo(view);
    }
    return out;
}

}  // namespace tavelo
