// The parentless widget that toolkit dialogs take as their parent inside a host whose main window is
// not a Qt widget. It watches its children and leaves those that delete themselves when closed.
#pragma once

#include <QWidget>

class GQUIWidgetWrapper : public QWidget
{
    Q_OBJECT

public:
    GQUIWidgetWrapper();

    bool eventFilter(QObject* watched, QEvent* event) override;

protected:
    void childEvent(QChildEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool fClosed = false;
};
