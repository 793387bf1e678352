#pragma once

#include <QImage>
#include <QObject>
#include <QSet>
#include <QThreadPool>

#include "pages/Sitting.h"

namespace tavelo {

// Keeps each page's sheet and thumbnail in step with the sitting's document options, in the
// background: a page that comes with an Unknown outline is looked for while "Find the page"
// is on; switched off, the sheets found are set aside so that each document page is the
// picture as shown; a new sitting look makes the thumbnails again. The work runs on a thread
// of its own, on copies of the pages' records, and is taken into the sitting by the page's
// name, since rows move while it runs. Widget-free.
class SheetFinder : public QObject {
    Q_OBJECT
public:
    explicit SheetFinder(Sitting& sitting, QObject* parent = nullptr);
    ~SheetFinder() override;  // waits for the page being worked on; drops the others

    // Pages waiting or being worked on.
    int Pending() const { return static_cast<int>(m_pending.size()); }
    // Runs the event loop until no page is pending or `ms` have passed; true when idle.
    bool WaitForIdle(int ms);

    // A thumbnail of `page` (a document page) as the dock shows it.
    static QImage ThumbnailOf(const QImage& page);

Q_SIGNALS:
    // The sheet of page `row` was looked for: `found` false when the whole picture is kept.
    void pageLooked(int row, bool found);

private:
    struct Job;
    struct Result;

    void Queue(int row);
    void QueueAll();
    void Take(const Result& result);
    // Whether page `row` has work to be done under the sitting's options now.
    bool NeedsWork(int row, bool lookChanged) const;

    Sitting& m_sitting;
    QThreadPool m_pool;
    QSet<QString> m_pending;    // names of pages queued and not yet taken
    DocumentOptions m_options;  // the options the thumbnails were last made for
    int m_nGeneration = 0;      // a new sitting in place: names mean other pages
};

}  // namespace tavelo
