#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <cstdint>

namespace tavelo {

// The exchange with the reading worker (tavelo-reader): each message is one frame, a 32-bit
// big-endian length and that many bytes of payload. The worker answers every request with
// exactly one reply carrying the request's id, in the order asked.

// A page to read: its picture file's bytes (PNG, JPEG, BMP, TIFF), its pixels per inch, the
// languages as tesseract names them ("eng", "eng+deu"), and whether to turn it upright first.
struct ReadRequest {
    std::uint32_t id = 0;
    QByteArray picture;
    int pixelsPerInch = 0;
    QString languages;
    bool detectOrientation = false;
};

enum class ReadStatus : std::uint8_t {
    Read = 0,        // read; the page may still hold no words
    BadPicture = 1,  // the bytes are no picture the worker can decode
    NoLanguage = 2,  // a language's model is not installed
    Failed = 3,      // the engine gave up on the page
    Crashed = 4,     // the worker died on the page (set by the client)
    TimedOut = 5,    // the worker took too long and was stopped (set by the client)
    NoWorker = 6,    // the worker cannot be started (set by the client)
};

// One word in the pixels of the picture as sent (turned upright when `turned` is not 0, in
// the upright picture's pixels), its confidence 0..100.
struct ReadWord {
    QRect box;
    float confidence = 0;
    QString text;
    bool operator==(const ReadWord&) const = default;
};

struct ReadReply {
    std::uint32_t id = 0;
    ReadStatus status = ReadStatus::Failed;
    QString text;  // in reading order, lines ending in '\n', paragraphs apart by an empty line
    QList<ReadWord> words;
    float confidence = 0;  // mean of the words', 0..100
    // Clockwise quarter turns, in degrees, that bring the page upright (0, 90, 180, 270), as
    // detected; `turned` says whether the worker read the page after turning it so.
    int orientation = 0;
    bool turned = false;
    // A one-page PDF of the words alone as invisible text, sized as the picture at its pixels
    // per inch, to lay over the picture.
    QByteArray textLayer;
};

// Frames never grow past this; a larger length means the stream is broken.
inline constexpr std::uint32_t kMaxFrameBytes = 256u << 20;

QByteArray Frame(const QByteArray& payload);

enum class FrameState { Incomplete, Complete, Broken };
// Takes the first whole frame's payload off the front of `buffer`.
FrameState TakeFrame(QByteArray& buffer, QByteArray* payload);

QByteArray EncodeRequest(const ReadRequest& request);
bool DecodeRequest(const QByteArray& payload, ReadRequest* request);
QByteArray EncodeReply(const ReadReply& reply);
bool DecodeReply(const QByteArray& payload, ReadReply* reply);

}  // namespace tavelo
