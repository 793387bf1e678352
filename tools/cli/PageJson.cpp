#include "PageJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace tavelo::cli {
namespace {

// To `perUnit` steps of one: a quotient by a whole number prints in its fewest digits.
double Rounded(double value, double perUnit) {
    return std::round(value * perUnit) / perUnit;
}

QJsonValue PaperName(Paper paper) {
    switch (paper) {
        case Paper::A4:
            return QStringLiteral("A4");
        case Paper::Letter:
            return QStringLiteral("Letter");
        case Paper::A5:
            return QStringLiteral("A5");
        case Paper::Legal:
            return QStringLiteral("Legal");
        case Paper::Unknown:
            break;
    }
    return QJsonValue::Null;
}

}  // namespace

QByteArray PageJson(const PageFacts& facts) {
    QJsonObject line;
    line.insert(QStringLiteral("file"), facts.file);
    if (!facts.input.isEmpty()) {
        line.insert(QStringLiteral("input"), facts.input);
    }
    line.insert(QStringLiteral("page"), facts.page);
    line.insert(QStringLiteral("pages"), facts.pages);
    line.insert(QStringLiteral("width"), facts.size.width());
    line.insert(QStringLiteral("height"), facts.size.height());
    if (facts.outline.state != OutlineState::Unknown) {
        line.insert(QStringLiteral("found"), facts.outline.state == OutlineState::Found);
        line.insert(QStringLiteral("confidence"), Rounded(facts.outline.confidence, 1000));
        QJsonArray corners;
        for (const QPointF& corner : facts.outline.corners) {
            corners.append(QJsonArray{Rounded(corner.x(), 10), Rounded(corner.y(), 10)});
        }
        line.insert(QStringLiteral("corners"), corners);
        line.insert(QStringLiteral("paper"), PaperName(facts.paper.paper));
    }
    if (facts.read) {
        line.insert(QStringLiteral("words"), facts.words);
        line.insert(QStringLiteral("text_confidence"), Rounded(facts.textConfidence, 1000));
    }
    return QJsonDocument(line).toJson(QJsonDocument::Compact);
}

}  // namespace tavelo::cli
