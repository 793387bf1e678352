#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <cstdint>
#include <deque>
#include <vector>

#include "pages/ReaderProtocol.h"

namespace tavelo {

class PageReader;
class Sitting;

// Reads the text of every page of a sitting in the background, following the sitting: a page
// is read once its document page can be made (its sheet found, or not looked for), while the
// sitting's options say to read, in their languages; a page changed is read again, a page
// removed is dropped. The document page is made on a thread of its own and read by the
// worker processes of `reader`, so nothing here holds up the caller's thread. What was read
// is kept with the page on disk, and taken back instead of reading again. A page the reader
// finds lying sideways or upside down is turned upright as an undoable turn, once, unless
// the user has turned it since it came.
class SittingReader : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,        // not to be read: reading is off
        Waiting,     // to be read
        BeingRead,   // a worker reads it
        Read,        // its text is here (perhaps no words)
        Unreadable,  // it could not be read
    };

    SittingReader(Sitting& sitting, PageReader& reader, QObject* parent = nullptr);
    ~SittingReader() override;

    State StateOf(int row) const;
    int Words(int row) const;
    QString Text(int row) const;
    // The words of the page as invisible text, a one-page PDF sized as its document page;
    // empty when it has none.
    QByteArray TextLayer(int row) const;
    // How many of `rows` are on their way to being read: waiting with their document page to
    // be made, or being read. Pages whose sheet is still to be found are not counted.
    int Underway(const std::vector<int>& rows) const;
    // The worker process reading page `row`, 0 when it is not being read.
    qint64 ProcessReading(int row) const;

Q_SIGNALS:
    void stateChanged(int row);
    // The page could not be read; it stays a page without text.
    void pageUnreadable(int row);

private:
    struct Entry {
        State state = State::Idle;
        bool queued = false;        // waits for its document page to be made
        quint64 job = 0;            // its document page being made, 0 when not
        std::uint32_t request = 0;  // sent to the reader, 0 when not
        QString pendingKey;         // what it is being read as
        int turns = 0;              // as last seen
        bool userTurned = false;    // turned by anyone but this reader since it came
        bool autoTurned = false;    // turned upright by this reader
        int words = 0;
        QString text;
        QByteArray textLayer;
        QString key;  // what its text was read as
    };

    void Added(int row);
    void Removed(int row);
    void Moved(int from, int to);
    void Changed(int row);
    void Reset();
    void OptionsChanged();
    void Take(int row);  // a page that has come: its kept text, or read it
    void Consider(const QString& name);
    void Drop(Entry& entry);  // whatever is on its way for the page, called off
    void Pump();
    void Prepare(const QString& name);
    void Prepared(const QString& name, quint64 job, const QByteArray& picture, int ppi);
    void Started(std::uint32_t request);
    void Finished(const ReadReply& reply);
    void SetState(const QString& name, State state);
    const Entry* EntryAt(int row) const;

    Sitting& m_sitting;
    PageReader& m_reader;
    bool m_bOrientation = false;
    std::vector<QString> m_names;  // the sitting's pages in its order
    QHash<QString, Entry> m_entries;
    QHash<std::uint32_t, QString> m_requests;  // empty name: called off while being read
    std::deque<QString> m_queue;
    int m_nInFlight = 0;  // pages being made or sent to the reader
    quint64 m_nLastJob = 0;
    std::uint32_t m_nStartedNow = 0;  // the last page a worker took
    QString m_turning;                // the page this reader is turning
    QString m_languages;
    bool m_bReadText = false;
    QThreadPool m_pool;
};

// How far reading a page has come, in a few words for the list of pages; empty for Idle.
QString ReadingLine(SittingReader::State state, int words);

}  // namespace tavelo
