#pragma once
// The start-up window: borderless, centred, raised edge, with three pictures, the product words
// and the build date.
#include <QWidget>

class TfrmSplash : public QWidget {
public:
    explicit TfrmSplash(QWidget *Parent = nullptr);
    // "Build date:" and the date the window shows (day/month/year without leading zeros).
    static QString BuildDateText();

protected:
    void paintEvent(QPaintEvent *Event) override;
};
