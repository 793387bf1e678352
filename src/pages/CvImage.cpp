#include "pages/CvImage.h"

namespace tavelo {

cv::Mat BgraView(const QImage& picture, QImage& keep) {
    const QImage::Format f = picture.format();
    keep = f == QImage::Format_RGB32 || f == QImage::Format_ARGB32
               ? picture
               : picture.convertToFormat(QImage::Format_RGB32);
    return cv::Mat(keep.height(), keep.width(), CV_8UC4, const_cast<uchar*>(keep.constBits()),
                   static_cast<std::size_t>(keep.bytesPerLine()));
}

cv::Mat NewPicture(QSize size, bool grey, QImage& picture) {
    picture = QImage(size, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    return cv::Mat(picture.height(), picture.width(), grey ? CV_8UC1 : CV_8UC4, picture.bits(),
                   static_cast<std::size_t>(picture.bytesPerLine()));
}

}  // namespace tavelo
