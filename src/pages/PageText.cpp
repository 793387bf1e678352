#include "pages/PageText.h"

#include <QDataStream>
#include <QIODevice>

namespace tavelo {
namespace {

constexpr quint32 kTag = 0x54505431;  // "TPT1"
constexpr int kMaxKey = 1024;
constexpr int kMaxWords = 1000000;
constexpr qsizetype kMaxText = qsizetype{2} << 20;  // characters

QDataStream& Prepare(QDataStream& stream) {
    stream.setVersion(QDataStream::Qt_6_4);
    return stream;
}

}  // namespace

QString ReadingKey(const PageRecord& page, const QString& languages) {
    QString key = languages + QLatin1Char(' ') + QString::number(page.turns) + QLatin1Char(' ') +
                  QString::number(static_cast<int>(page.outline.state)) + QLatin1Char(' ') +
                  QString::number(page.look);
    if (page.outline.state != OutlineState::Unknown) {
        for (const QPointF& c : page.outline.corners) {
            key += QStringLiteral(" %1,%2").arg(c.x(), 0, 'f', 1).arg(c.y(), 0, 'f', 1);
        }
    }
    return key;
}

QByteArray EncodePageText(const PageText& t) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    Prepare(out) << kTag << t.key << qint32(t.words) << t.text << t.textLayer;
    return bytes;
}

bool DecodePageText(const QByteArray& bytes, PageText* t) {
    QDataStream in(bytes);
    quint32 tag = 0;
    qint32 words = -1;
    PageText read;
    Prepare(in) >> tag;
    if (in.status() != QDataStream::Ok || tag != kTag) {
        return false;
    }
    in >> read.key >> words >> read.text >> read.textLayer;
    if (in.status() != QDataStream::Ok || !in.atEnd() || read.key.size() > kMaxKey || words < 0 ||
        words > kMaxWords || read.text.size() > kMaxText ||
        (!read.textLayer.isEmpty() && !read.textLayer.startsWith("%PDF-"))) {
        return false;
    }
    read.words = words;
    *t = std::move(read);
    return true;
}

}  // namespace tavelo
