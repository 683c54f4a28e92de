#pragma once
// Tip of the day: TTipOfTheDayDlg is what the main window keeps (the tips, the tip to start
// with and the show-at-start flag); Execute shows a TTipOfTheDayForm modally and takes back
// where the user got to. The tips proper are elements 1 to High of the list; element 0 is
// never shown by paging.
#include "platform/Types.h"
#include <QDialog>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;

class TTipOfTheDayForm : public QDialog {
public:
    explicit TTipOfTheDayForm(QWidget *Parent = nullptr);

    std::vector<WideString> Tips;
    int StartTip = 1;
    bool ShowFlag = true;
    // The tip on display.
    int CurrentTip = 1;

    QLabel *diduknow = nullptr;
    QLabel *Tip = nullptr;
    QLabel *BulbImage = nullptr;
    QPushButton *ButtonPrevious = nullptr;
    QPushButton *NextBtn = nullptr;
    QPushButton *OKBtn = nullptr;
    QCheckBox *ShowOnStartup = nullptr;

    // The handlers. A start tip outside the tips is brought into range (1 to High), so a bad
    // stored value cannot stop the window; without tips the paging buttons are off.
    void FormShow();
    // On to the next tip, round to the first after the last; the start tip follows upwards.
    void NextBtnClick();
    // Back one tip, round to the last before the first; the start tip stays.
    void ButtonPreviousClick();
    // The step of Next without showing it, then the window closes.
    void OKBtnClick();
    void ShowOnStartupClick();
    int High() const { return int(Tips.size()) - 1; }

protected:
    void showEvent(QShowEvent *Event) override;

private:
    void ShowTip();
    void Step();
};

class TTipOfTheDayDlg {
public:
    void SetTips(std::vector<WideString> Value) { FTips = std::move(Value); }
    const std::vector<WideString> &GetTips() const { return FTips; }
    int GetStartTip() const { return FStartTip; }
    void SetStartTip(int Value) { FStartTip = Value; }
    bool GetShowOnStartup() const { return FShowOnStartup; }
    void SetShowOnStartup(bool Value) { FShowOnStartup = Value; }
    // Shows the window modally over Parent; afterwards GetStartTip and GetShowOnStartup hold
    // what the user left.
    void Execute(QWidget *Parent = nullptr);
    // The window while Execute runs, else none.
    static TTipOfTheDayForm *ActiveForm();

private:
    std::vector<WideString> FTips;
    int FStartTip = 1;
    bool FShowOnStartup = true;
};
