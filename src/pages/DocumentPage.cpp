#include "pages/DocumentPage.h"

#include <QTransform>

#include "pages/PageFinder.h"

namespace tavelo {

PageOutline OutlineFor(const QImage& picture, bool findPage) {
    PageOutline outline;
    if (!findPage || picture.isNull()) {
        return outline;
    }
    const FoundPage found = FindPage(picture);
    outline.state = found.found ? OutlineState::Found : OutlineState::NotFound;
    outline.confidence = found.confidence;
    outline.corners = found.found ? found.corners : WholePicture(picture.size());
    return outline;
}

PageLook LookOf(int pageLook, PageLook sittingLook) {
    return pageLook >= 0 && pageLook <= 2 ? static_cast<PageLook>(pageLook) : sittingLook;
}

StraightPage DocumentPicture(const QImage& picture, const PageOutline& outline, PageLook look,
                             int turns) {
    StraightPage page;
    if (outline.state == OutlineState::Unknown) {
        page.picture = picture;
    } else {
        page = StraightenPage(picture, outline.corners, look);
    }
    if (const int steps = ((turns % 4) + 4) % 4; steps != 0 && !page.picture.isNull()) {
        page.picture = page.picture.transformed(QTransform().rotate(90.0 * steps));
    }
    page.paper.landscape = page.picture.width() > page.picture.height();
    return page;
}

}  // namespace tavelo
