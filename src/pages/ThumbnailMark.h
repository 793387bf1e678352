#pragma once

#include <QImage>

namespace tavelo {

// The thumbnail of a page whose sheet was looked for and not found, marked so in its
// top-right corner: a small amber triangle with an exclamation mark, which reads on white
// paper and on dark desks alike. The picture itself is left as it is.
QImage MarkNoPageEdge(const QImage& thumbnail);

}  // namespace tavelo
