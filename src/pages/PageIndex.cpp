#include "pages/PageIndex.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <map>

#include "camera/Capture.h"
#include "pages/StoreFiles.h"
#include "picture/ImageLimits.h"

namespace tavelo {
namespace {

const QString kLockName = QStringLiteral("lock");
const QString kThumbSuffix = QStringLiteral("png");
const QString kRawSuffix = QStringLiteral("raw");

// A page's file: its stem and what it holds. Anything else by such a name is not ours.
const QRegularExpression& PageFileName() {
    static const QRegularExpression re(QStringLiteral("^(p[0-9]{6})\\.([a-z0-9]{1,8})$"));
    return re;
}
const QRegularExpression& TemporaryName() {
    // The durable writer's, and those of the writer before it.
    static const QRegularExpression re(QStringLiteral(
        "^(\\.tavelo-[A-Za-z0-9]{6}|(p[0-9]{6}\\.[a-z0-9]{1,8}|pages\\.txt)\\.part)$"));
    return re;
}

qint64 RawBytes(int width, int height) {
    return 2 * qint64{width} * height;
}

// The capture a raw file of this size holds; the turn of the camera cannot be told from
// the size when both shapes have it, and then the upright one is taken.
bool RawFromSize(qint64 size, PageRecord& p) {
    for (const int mode : {3, 2}) {
        for (const int rotation : {0, 1}) {
            int w = 0, h = 0;
            if (RawCaptureSize(mode, rotation, w, h) && RawBytes(w, h) == size) {
                p.mode = mode;
                p.camRotation = rotation;
                p.width = w;
                p.height = h;
                return true;
            }
        }
    }
    return false;
}

bool ToInt(const QByteArray& field, int& value) {
    bool ok = false;
    value = field.toInt(&ok);
    return ok;
}

// One line of the list, or false when it is not one the store writes.
// The outline columns: its state, eight corner coordinates, the confidence and the look.
constexpr int kOutlineFields = 11;
constexpr int kLookCount = 3;  // PageLook's values

QByteArray FormatOutline(const PageRecord& p) {
    static const char kStates[] = {'-', 'f', 'n', 'e'};
    QByteArray text(1, kStates[static_cast<int>(p.outline.state)]);
    for (const QPointF& c : p.outline.corners) {
        text += '\t' + QByteArray::number(c.x(), 'f', 1) + '\t' + QByteArray::number(c.y(), 'f', 1);
    }
    return text + '\t' + QByteArray::number(p.outline.confidence, 'f', 3) + '\t' +
           QByteArray::number(p.look);
}

bool ToReal(const QByteArray& field, double& value, double low, double high) {
    bool ok = false;
    value = field.toDouble(&ok);
    return ok && value >= low && value <= high;  // NaN fails both
}

// Corners beyond any picture's size or a look we do not know make the line not ours.
bool ParseOutline(const QList<QByteArray>& f, int first, PageRecord& p) {
    const QByteArray& state = f[first];
    if (state.size() != 1 || !QByteArray("-fne").contains(state[0])) {
        return false;
    }
    p.outline.state = static_cast<OutlineState>(QByteArray("-fne").indexOf(state[0]));
    for (int i = 0; i < 4; ++i) {
        double x = 0, y = 0;
        if (!ToReal(f[first + 1 + 2 * i], x, 0, kMaxPictureSide) ||
            !ToReal(f[first + 2 + 2 * i], y, 0, kMaxPictureSide)) {
            return false;
        }
        p.outline.corners[static_cast<std::size_t>(i)] = QPointF(x, y);
    }
    return ToReal(f[first + 9], p.outline.confidence, 0, 1) && ToInt(f[first + 10], p.look) &&
           p.look >= -1 && p.look < kLookCount;
}

bool ParseLine(const QByteArray& line, PageRecord& p) {
    const QList<QByteArray> f = line.split('\t');
    if (f.size() < 8 || (f.size() > 10 && f.size() != 10 + kOutlineFields)) {
        return false;  // fewer: a list from before pages kept their turns and state
    }
    if (f.size() == 10 + kOutlineFields && !ParseOutline(f, 10, p)) {
        return false;
    }
    p.name = QString::fromLatin1(f[0]);
    p.raw = f[1] == "raw";
    p.suffix = f[7] == "-" ? QString() : QString::fromLatin1(f[7]);
    if (PageNumber(p.name) == 0 || (!p.raw && f[1] != "file") || !ToInt(f[2], p.width) ||
        !ToInt(f[3], p.height) || !ToInt(f[4], p.mode) || !ToInt(f[5], p.camRotation) ||
        !ToInt(f[6], p.sharpIndex)) {
        return false;
    }
    p.turns = 0;
    if (f.size() >= 9 && (!ToInt(f[8], p.turns) || p.turns < 0 || p.turns > 3)) {
        return false;
    }
    p.kept = false;
    if (f.size() >= 10 && f[9] != "0" && f[9] != "1") {
        return false;
    }
    p.kept = f.size() >= 10 && f[9] == "1";
    int w = 0, h = 0;
    if (p.raw) {
        return p.suffix.isEmpty() && RawCaptureSize(p.mode, p.camRotation, w, h) && w == p.width &&
               h == p.height;
    }
    return PageFileName().match(p.name + QLatin1Char('.') + p.suffix).hasMatch() &&
           p.suffix != kRawSuffix && p.suffix != kThumbSuffix && p.suffix != kTextSuffix;
}

struct Found {
    QString dataSuffix;  // empty: no data file
    bool thumbnail = false;
    bool text = false;
    bool unusable = false;  // something by the page's name that is not a file of ours
};

}  // namespace

int PageNumber(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^p([0-9]{6})$"));
    const QRegularExpressionMatch m = re.match(name);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QString DataSuffix(const PageRecord& page) {
    return page.raw ? kRawSuffix : page.suffix;
}

QByteArray FormatPageList(const std::vector<PageRecord>& pages) {
    QByteArray text;
    for (const PageRecord& p : pages) {
        text += p.name.toLatin1() + '\t' + (p.raw ? "raw" : "file") + '\t' +
                QByteArray::number(p.width) + '\t' + QByteArray::number(p.height) + '\t' +
                QByteArray::number(p.mode) + '\t' + QByteArray::number(p.camRotation) + '\t' +
                QByteArray::number(p.sharpIndex) + '\t' +
                (p.suffix.isEmpty() ? QByteArray("-") : p.suffix.toLatin1()) + '\t' +
                QByteArray::number(p.turns) + '\t' + (p.kept ? '1' : '0') + '\t' +
                FormatOutline(p) + '\n';
    }
    return text;
}

SittingContents ReadSitting(const QString& folder) {
    SittingContents c;
    const QDir dir(folder);
    // What is there decides what a page is; the folder's own size bounds the work.
    bool complete = false;
    const QStringList names = FolderEntries(folder, 3 * kMaxPagesPerSitting + 16, &complete);
    c.foreign = !complete;
    std::map<QString, Found> found;  // by stem, in name order
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        const QRegularExpressionMatch m = PageFileName().match(name);
        if (m.hasMatch()) {
            c.lastNumber = std::max(c.lastNumber, PageNumber(m.captured(1)));
            Found& f = found[m.captured(1)];
            const bool own = IsOwnFile(path);
            if (m.captured(2) == kThumbSuffix) {
                f.thumbnail = own;  // a page without its thumbnail still comes back
                c.foreign = c.foreign || !own;
            } else if (m.captured(2) == kTextSuffix) {
                f.text = own;  // and without its text, which is read again
                c.foreign = c.foreign || !own;
            } else if (!own) {
                f.unusable = true;
            } else if (f.dataSuffix.isEmpty()) {
                f.dataSuffix = m.captured(2);
            } else {
                c.foreign = true;  // a second data file for one page: left alone
            }
        } else if (TemporaryName().match(name).hasMatch() && IsOwnFile(path)) {
            c.temporaries.append(name);
        } else if (name == kRemovedFolder && IsOwnFolder(path)) {
            for (const QString& removed : FolderEntries(path, 3 * kMaxPagesPerSitting)) {
                const QRegularExpressionMatch r = PageFileName().match(removed);
                c.lastNumber = std::max(c.lastNumber, r.hasMatch() ? PageNumber(r.captured(1)) : 0);
            }
        } else if (!((name == kPageList || name == kLockName) && IsOwnFile(path))) {
            c.foreign = true;
        }
    }

    // The list's order and what it says of each page, for the pages whose files are here.
    std::vector<PageRecord> listed;
    QByteArray list;
    if (ReadOwnFile(dir.filePath(kPageList), kMaxListBytes, list) == ReadResult::Read) {
        for (const QByteArray& line : list.split('\n')) {
            PageRecord p;
            if (line.size() <= kMaxListLine && ParseLine(line, p)) {
                const auto it = found.find(p.name);
                if (it != found.end() && !it->second.unusable &&
                    it->second.dataSuffix == DataSuffix(p)) {
                    listed.push_back(p);
                    it->second.dataSuffix.clear();  // taken: a second line for it is ignored
                    it->second.thumbnail = false;
                    it->second.text = false;
                }
            }
        }
    }
    for (auto& [stem, f] : found) {
        if (f.dataSuffix.isEmpty()) {
            if (f.unusable) {
                c.unreadable.append(stem);
            } else {
                if (f.thumbnail) {
                    c.spareThumbnails.append(stem + QLatin1Char('.') + kThumbSuffix);
                }
                if (f.text) {
                    c.spareThumbnails.append(stem + QLatin1Char('.') + kTextSuffix);
                }
            }
            continue;
        }
        PageRecord p;
        p.name = stem;
        p.raw = f.dataSuffix == kRawSuffix;
        p.suffix = p.raw ? QString() : f.dataSuffix;
        listed.push_back(p);
    }

    // Every page is checked against its file: a raw file of a capture's size, a picture
    // file within what the picture engine reads.
    for (PageRecord& p : listed) {
        qint64 size = 0;
        IsOwnFile(dir.filePath(p.name + QLatin1Char('.') + DataSuffix(p)), &size);
        bool whole = p.raw ? (RawBytes(p.width, p.height) == size || RawFromSize(size, p))
                           : size > 0 && size <= kMaxFileBytes;
        if (!whole || found[p.name].unusable ||
            static_cast<int>(c.pages.size()) >= kMaxPagesPerSitting) {
            c.unreadable.append(p.name);
        } else {
            c.pages.push_back(p);
        }
    }
    return c;
}

}  // namespace tavelo
