#pragma once

#include <QAbstractButton>
#include <QString>

namespace tavelo {

// A plain push button drawn from two pictures, found by a caption with "U" (up) or "D"
// (down) appended; it reports only the ordinary click.
class CBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CBitmapButton(int id, QWidget* parent = nullptr);

    int GetDlgCtrlID() const { return m_nId; }

    // Takes the pictures of `caption` and sizes the button to its up picture; false when
    // the up picture is missing.
    bool AutoLoad(const QString& caption);

    QString UpPicture() const { return m_strCaption + QLatin1Char('U'); }
    QString DownPicture() const { return m_strCaption + QLatin1Char('D'); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_nId;
    QString m_strCaption;
};

}  // namespace tavelo
