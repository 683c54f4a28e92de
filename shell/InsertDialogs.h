#pragma once
// The small dialogs behind the insert menus (message boxes, tables, lists, anchors) and what the
// insert menus keep for the window's life: those dialogs, the colour pickers, the image dialog,
// the user and computer names, and the hooks tests replace the modal showings with.
//
// The dialogs only hold and enable their fields; the menu handlers read them after OK. They are
// made once, so what the user typed last is there again at the next use.
#include "platform/Types.h"
#include "shell/InsertFragments.h"

#include <QDateTime>
#include <QDialog>
#include <QObject>

#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TfrmImage;
class TkivStd16Col;
class TkivWebNames;
class TkivWebSafe;
struct TImageTagData;

// A tool window shown over the centre of its owner.
class TInsertDialog : public QDialog {
public:
    explicit TInsertDialog(QWidget *Owner);
    // The width a title bar takes beside its caption (icon and buttons).
    static constexpr int TitleBarRoom = 100;

protected:
    void showEvent(QShowEvent *Event) override;
};

class TfrmMessageBox : public TInsertDialog {
public:
    explicit TfrmMessageBox(QWidget *Owner);
    QLabel *MessTextLabel, *DefaultReplyLabel;
    QLineEdit *MessTextEdit, *DefaultReplyEdit;
    QGroupBox *MessageTypeGroup;
    QRadioButton *AlertRadioButton, *ConfirmRadioButton, *PromptRadioButton;
    QPushButton *BitBtnOk, *BitBtn2;
    // Prompt enables the default reply, Alert and Confirm disable it.
    void RadioButtonClick();
    TMessageBoxFields Fields() const;
};

class TfrmTables : public TInsertDialog {
public:
    explicit TfrmTables(QWidget *Owner);
    QLineEdit *EditRows, *EditColumns, *EditWidth, *EditBorder, *EditPadding, *EditSpacing;
    QPushButton *BitBtnOk, *BitBtn2;
    TTableFields Fields() const;
};

class TfrmLists : public TInsertDialog {
public:
    explicit TfrmLists(QWidget *Owner);
    QLineEdit *ItemsEdit;
    QRadioButton *RadioButtonOrdered, *RadioButtonUnordered;
    QComboBox *OrderedComboBox, *UnorderedComboBox;
    QPushButton *BitBtnOk, *BitBtnCancel;
    // The style list of the checked type is enabled, the other one disabled.
    void RadioButtonClick();
    TListFields Fields() const;

protected:
    void showEvent(QShowEvent *Event) override;
};

class TfrmAnchors : public TInsertDialog {
public:
    explicit TfrmAnchors(QWidget *Owner);
    QRadioButton *RadioButtonExternal, *RadioButtonInternal, *RadioButtonBkMark;
    QLineEdit *EditAnchorText, *EditURL, *EditSection, *EditBkMark;
    QPushButton *BitBtnOk, *BitBtnCancel;
    // The edits follow the checked type.
    void ApplyType();
    // A click of a type button: the rule, then the focus to the edit the type wants first.
    void RadioButtonClick(QRadioButton *Button);
    TAnchorFields Fields() const;
};

// Colour sources of the colour items (Tag mod 10).
enum TColourSource { csStd16 = 1, csWebSafe = 2, csWebNames = 3, csAnyColour = 4 };

class TInsertTools : public QObject {
public:
    // Window: the owner of the dialogs and pickers.
    explicit TInsertTools(QWidget *Window);
    ~TInsertTools() override;

    TfrmMessageBox *frmMessageBox;
    TfrmTables *frmTables;
    TfrmLists *frmLists;
    TfrmAnchors *frmAnchors;
    TfrmImage *frmImage;

    // Shows one of the four dialogs modally and answers its result; tests replace it.
    std::function<int(QDialog &Dialog)> RunDialog;
    // Shows the image dialog; true with the tag data on OK. Tests replace it.
    std::function<bool(TImageTagData &Data)> RunImageDialog;
    // Asks the colour source for a colour; false when it was cancelled. Tests replace it.
    std::function<bool(int Source, WideString &Colour)> PickColour;
    // The time the function header is dated with.
    std::function<QDateTime()> Clock;

    // Read once when the window is made.
    WideString UserName;
    WideString ComputerName;

private:
    bool DefaultPickColour(int Source, WideString &Colour);
    QWidget *FWindow;
    std::unique_ptr<TkivStd16Col> FStd16;
    std::unique_ptr<TkivWebSafe> FWebSafe;
    std::unique_ptr<TkivWebNames> FWebNames;
};
