#include "pages/ReaderProtocol.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

namespace tavelo {
namespace {

// Both ends are built together; the tag catches a worker of another build or a stray write.
constexpr quint32 kRequestTag = 0x54525131;  // "TRQ1"
constexpr quint32 kReplyTag = 0x54525031;    // "TRP1"

QDataStream& Prepare(QDataStream& stream) {
    stream.setVersion(QDataStream::Qt_6_4);
    return stream;
}

}  // namespace

QByteArray Frame(const QByteArray& payload) {
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(payload.size()), frame.data());
    frame.append(payload);
    return frame;
}

FrameState TakeFrame(QByteArray& buffer, QByteArray* payload) {
    if (buffer.size() < 4) {
        return FrameState::Incomplete;
    }
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    if (length > kMaxFrameBytes) {
        return FrameState::Broken;
    }
    if (quint64(buffer.size()) < 4ull + length) {
        return FrameState::Incomplete;
    }
    *payload = buffer.mid(4, qsizetype(length));
    buffer.remove(0, qsizetype(length) + 4);
    return FrameState::Complete;
}

QByteArray EncodeRequest(const ReadRequest& r) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    Prepare(out) << kRequestTag << quint32(r.id) << r.picture << qint32(r.pixelsPerInch)
                 << r.languages << r.detectOrientation;
    return bytes;
}

bool DecodeRequest(const QByteArray& payload, ReadRequest* r) {
    QDataStream in(payload);
    quint32 tag = 0, id = 0;
    qint32 ppi = 0;
    Prepare(in) >> tag >> id >> r->picture >> ppi >> r->languages >> r->detectOrientation;
    r->id = id;
    r->pixelsPerInch = ppi;
    return in.status() == QDataStream::Ok && tag == kRequestTag && in.atEnd();
}

QByteArray EncodeReply(const ReadReply& r) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    Prepare(out) << kReplyTag << quint32(r.id) << quint8(r.status) << r.text << r.confidence
                 << qint32(r.orientation) << r.turned << r.textLayer << qint32(r.words.size());
    for (const ReadWord& w : r.words) {
        out << w.box << w.confidence << w.text;
    }
    return bytes;
}

bool DecodeReply(const QByteArray& payload, ReadReply* r) {
    QDataStream in(payload);
    quint32 tag = 0, id = 0;
    quint8 status = 0;
    qint32 orientation = 0, count = 0;
    Prepare(in) >> tag >> id >> status >> r->text >> r->confidence >> orientation >> r->turned >>
        r->textLayer >> count;
    if (in.status() != QDataStream::Ok || tag != kReplyTag || count < 0 ||
        status > quint8(ReadStatus::NoWorker)) {
        return false;
    }
    r->id = id;
    r->status = ReadStatus(status);
    r->orientation = orientation;
    r->words.clear();
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        ReadWord w;
        in >> w.box >> w.confidence >> w.text;
        r->words.append(w);
    }
    return in.status() == QDataStream::Ok && in.atEnd();
}

}  // namespace tavelo
