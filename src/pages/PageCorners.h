#pragma once

#include <QPointF>
#include <QSizeF>
#include <array>

namespace tavelo {

// A page's outline in a picture: its corners top-left, top-right, bottom-right, bottom-left
// as the picture is shown, in the picture's pixels (0..width, 0..height).
using PageCorners = std::array<QPointF, 4>;

// What looking for the page in a picture found.
struct FoundPage {
    bool found = false;       // false: nothing credible, the corners are the whole picture
    double confidence = 0.0;  // 0..1, how well the outline is borne out by the picture
    PageCorners corners{};
};

// The whole picture as a page.
PageCorners WholePicture(QSizeF size);

// The corners put in the order above, whatever order they came in.
PageCorners OrderCorners(const PageCorners& corners);

// The area the corners enclose (shoelace formula).
double CornersArea(const PageCorners& corners);

}  // namespace tavelo
