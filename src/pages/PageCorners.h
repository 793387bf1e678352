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

// What a page knows of the sheet in its picture.
enum class OutlineState : char {
    Unknown,   // not looked for yet (or looking was switched off when the page came)
    Found,     // the finder's outline
    NotFound,  // looked for, nothing credible: the whole picture is the page
    Edited,    // placed by the user (the whole picture included)
};

struct PageOutline {
    OutlineState state = OutlineState::Unknown;
    double confidence = 0.0;  // the finder's, kept when the user edits the outline
    PageCorners corners{};    // meaningful unless Unknown
    bool operator==(const PageOutline&) const = default;
};

// The whole picture as a page.
PageCorners WholePicture(QSizeF size);

// The corners put in the order above, whatever order they came in.
PageCorners OrderCorners(const PageCorners& corners);

// The corners of a picture of `size` after `steps` quarter turns to the right of the
// picture (negative: to the left), in the turned picture's pixels and in the order above.
PageCorners TurnCorners(const PageCorners& corners, QSizeF size, int steps);

// The area the corners enclose (shoelace formula).
double CornersArea(const PageCorners& corners);

}  // namespace tavelo
