#pragma once
// The find-and-replace dialog: what to find, what to put in its place, and how to search. The
// window's search actions show it, turn its choices into the editor's search option word and run
// the search.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The dialog's choices as the option word of the editor's search and replace.
struct TFindChoices {
    bool Backward = false;
    bool FromHome = false;
    bool IgnoreNonSpacing = false;
    bool CaseSensitive = false;
    bool Prompt = false;
    bool RegularExpression = false;
    bool Replace = false;
    bool ReplaceAll = false;
    bool SelectedText = false;
    bool SpaceCompression = false;
    bool WholeWords = false;
};
int FindOptionWord(const TFindChoices &Choices);

class TSyntaxFindDialog : public QDialog {
public:
    // The result of "Replace all".
    static constexpr int ResultReplaceAll = 10;

    explicit TSyntaxFindDialog(QWidget *Parent = nullptr);

    QComboBox *FindTextComboBox = nullptr;
    QComboBox *NewTextComboBox = nullptr;
    QLabel *Label2 = nullptr;
    QCheckBox *CaseCheckBox = nullptr;
    QCheckBox *WholeWordCheckBox = nullptr;
    QCheckBox *NonSpacingCheckBox = nullptr;
    QCheckBox *CompressCheckBox = nullptr;
    QCheckBox *PromptCheckBox = nullptr;
    QCheckBox *RECheckBox = nullptr;
    QCheckBox *CheckBoxReplaceAll = nullptr;
    QRadioButton *ForwardRadioButton = nullptr, *BackwardRadioButton = nullptr;
    QRadioButton *GlobalRadioButton = nullptr, *SelectedRadioButton = nullptr;
    QRadioButton *RadioButton5 = nullptr, *HomeRadioButton = nullptr;
    QRadioButton *SearchRadioButton = nullptr, *ReplaceRadioButton = nullptr;
    QPushButton *OKButton = nullptr, *AllButton = nullptr, *CancelButton = nullptr;

    QString FindText() const;
    void SetFindText(const QString &Text);
    QString NewText() const;
    // The choices as they stand; "Replace all" (result ResultReplaceAll) replaces every match.
    TFindChoices Choices(int Result) const;

    // The rules that keep the controls in step (run on activation and on changes).
    void ApplyOperationRule();
    void ApplyFindTextRule();
    void ApplyRegularExpressionRule();
    // Moves Text to the top of the find history (one entry, compared without case).
    void AddToHistory(const QString &Text);
    // Prepares the dialog as each showing does.
    void Activate();

protected:
    void showEvent(QShowEvent *Event) override;
};
