#include "shell/FindDialog.h"
#include "platform/GuardedApplication.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

int FindOptionWord(const TFindChoices &c)
{
    int w = 0;
    if (c.Backward)
        w |= 1;
    if (c.FromHome)
        w |= 2;
    if (c.IgnoreNonSpacing)
        w |= 4;
    if (c.CaseSensitive)
        w |= 8;
    if (c.Prompt)
        w |= 16;
    if (c.RegularExpression)
        w |= 32;
    if (c.Replace) {
        w |= 64;
        if (c.ReplaceAll)
            w |= 128;
    }
    if (c.SelectedText)
        w |= 256;
    if (c.SpaceCompression)
        w |= 512;
    if (c.WholeWords)
        w |= 1024;
    return w;
}

namespace {

QRadioButton *Radio(QGroupBox *Box, const QString &Caption, bool Checked)
{
    auto *r = new QRadioButton(Caption, Box);
    r->setChecked(Checked);
    Box->layout()->addWidget(r);
    return r;
}

QGroupBox *Group(const QString &Title, QWidget *Parent)
{
    auto *g = new QGroupBox(Title, Parent);
    g->setLayout(new QVBoxLayout);
    return g;
}

} // namespace

TSyntaxFindDialog::TSyntaxFindDialog(QWidget *Parent) : QDialog(Parent, Qt::Tool)
{
    setObjectName(QStringLiteral("SyntaxFindDialog"));
    setWindowTitle(QStringLiteral("Find or replace text"));
    auto *layout = new QVBoxLayout(this);
    auto *texts = new QGridLayout;
    FindTextComboBox = new QComboBox(this);
    FindTextComboBox->setEditable(true);
    FindTextComboBox->setInsertPolicy(QComboBox::NoInsert);
    FindTextComboBox->setMinimumWidth(280);
    NewTextComboBox = new QComboBox(this);
    NewTextComboBox->setEditable(true);
    NewTextComboBox->setInsertPolicy(QComboBox::NoInsert);
    Label2 = new QLabel(QStringLiteral("Text to insert:"), this);
    texts->addWidget(new QLabel(QStringLiteral("Text to find:"), this), 0, 0);
    texts->addWidget(FindTextComboBox, 0, 1);
    texts->addWidget(Label2, 1, 0);
    texts->addWidget(NewTextComboBox, 1, 1);
    layout->addLayout(texts);

    auto *options = new QGridLayout;
    CaseCheckBox = new QCheckBox(QStringLiteral("&Case sensitive"), this);
    WholeWordCheckBox = new QCheckBox(QStringLiteral("&Whole words only"), this);
    NonSpacingCheckBox = new QCheckBox(QStringLiteral("&Ignore non-spacing characters"), this);
    CompressCheckBox = new QCheckBox(QStringLiteral("Space c&ompression"), this);
    CompressCheckBox->setToolTip(QStringLiteral("Treat continous space characters as one space"));
    PromptCheckBox = new QCheckBox(QStringLiteral("&Prompt on replace"), this);
    RECheckBox = new QCheckBox(QStringLiteral("&Regular expression"), this);
    CheckBoxReplaceAll = new QCheckBox(QStringLiteral("Replace All"), this);
    const QList<QCheckBox *> boxes = {CaseCheckBox,   WholeWordCheckBox, NonSpacingCheckBox, CompressCheckBox,
                                      PromptCheckBox, RECheckBox,        CheckBoxReplaceAll};
    for (int i = 0; i < boxes.size(); ++i)
        options->addWidget(boxes[i], i / 2, i % 2);
    layout->addLayout(options);

    auto *groups = new QGridLayout;
    QGroupBox *direction = Group(QStringLiteral(" Direction: "), this);
    ForwardRadioButton = Radio(direction, QStringLiteral("Forwar&d"), true);
    BackwardRadioButton = Radio(direction, QStringLiteral("&Backward"), false);
    QGroupBox *scope = Group(QStringLiteral(" Scope: "), this);
    GlobalRadioButton = Radio(scope, QStringLiteral("&Global"), true);
    SelectedRadioButton = Radio(scope, QStringLiteral("&Selected text"), false);
    QGroupBox *origin = Group(QStringLiteral(" Origin: "), this);
    RadioButton5 = Radio(origin, QStringLiteral("&From cursor"), true);
    HomeRadioButton = Radio(origin, QStringLiteral("From &home position"), false);
    QGroupBox *operation = Group(QStringLiteral(" Operation: "), this);
    SearchRadioButton = Radio(operation, QStringLiteral("Search only"), true);
    ReplaceRadioButton = Radio(operation, QStringLiteral("Search and replace"), false);
    groups->addWidget(direction, 0, 0);
    groups->addWidget(scope, 0, 1);
    groups->addWidget(origin, 1, 0);
    groups->addWidget(operation, 1, 1);
    layout->addLayout(groups);

    auto *buttons = new QHBoxLayout;
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    AllButton = new QPushButton(QStringLiteral("Replace &all"), this);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(AllButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);

    connect(SearchRadioButton, &QRadioButton::clicked, this, GuardedSlot([this] {
        ApplyOperationRule();
        ApplyFindTextRule();
    }));
    connect(ReplaceRadioButton, &QRadioButton::clicked, this, GuardedSlot([this] {
        ApplyOperationRule();
        ApplyFindTextRule();
    }));
    connect(FindTextComboBox, &QComboBox::editTextChanged, this, GuardedSlot([this] { ApplyFindTextRule(); }));
    connect(RECheckBox, &QCheckBox::clicked, this, GuardedSlot([this] { ApplyRegularExpressionRule(); }));
    connect(NonSpacingCheckBox, &QCheckBox::clicked, this, GuardedSlot([this] { ApplyRegularExpressionRule(); }));
    connect(OKButton, &QPushButton::clicked, this, GuardedSlot([this] {
        AddToHistory(FindText());
        done(QDialog::Accepted);
    }));
    connect(AllButton, &QPushButton::clicked, this, GuardedSlot([this] {
        AddToHistory(FindText());
        done(ResultReplaceAll);
    }));
    connect(CancelButton, &QPushButton::clicked, this, GuardedSlot([this] { done(QDialog::Rejected); }));
}

QString TSyntaxFindDialog::FindText() const
{
    return FindTextComboBox->currentText();
}

void TSyntaxFindDialog::SetFindText(const QString &Text)
{
    FindTextComboBox->setEditText(Text);
}

QString TSyntaxFindDialog::NewText() const
{
    return NewTextComboBox->currentText();
}

TFindChoices TSyntaxFindDialog::Choices(int Result) const
{
    TFindChoices c;
    c.Backward = BackwardRadioButton->isChecked();
    c.FromHome = HomeRadioButton->isChecked();
    c.IgnoreNonSpacing = NonSpacingCheckBox->isChecked();
    c.CaseSensitive = CaseCheckBox->isChecked();
    c.Prompt = PromptCheckBox->isChecked();
    c.RegularExpression = RECheckBox->isChecked();
    c.Replace = ReplaceRadioButton->isChecked() || Result == ResultReplaceAll;
    // "Replace all" replaces every match, whatever the check box says.
    c.ReplaceAll = c.Replace && (CheckBoxReplaceAll->isChecked() || Result == ResultReplaceAll);
    c.SelectedText = SelectedRadioButton->isChecked();
    c.SpaceCompression = CompressCheckBox->isChecked();
    c.WholeWords = WholeWordCheckBox->isChecked();
    return c;
}

void TSyntaxFindDialog::ApplyOperationRule()
{
    const bool replace = ReplaceRadioButton->isChecked();
    for (QWidget *w :
         {static_cast<QWidget *>(NewTextComboBox), static_cast<QWidget *>(Label2), static_cast<QWidget *>(AllButton),
          static_cast<QWidget *>(PromptCheckBox), static_cast<QWidget *>(CheckBoxReplaceAll)})
        w->setEnabled(replace);
}

void TSyntaxFindDialog::ApplyFindTextRule()
{
    OKButton->setEnabled(!FindText().isEmpty());
    AllButton->setEnabled(OKButton->isEnabled() && ReplaceRadioButton->isChecked());
}

void TSyntaxFindDialog::ApplyRegularExpressionRule()
{
    const bool re = RECheckBox->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(CompressCheckBox), static_cast<QWidget *>(WholeWordCheckBox),
                       static_cast<QWidget *>(ForwardRadioButton), static_cast<QWidget *>(BackwardRadioButton)})
        w->setEnabled(!re);
}

void TSyntaxFindDialog::AddToHistory(const QString &Text)
{
    if (Text.isEmpty())
        return;
    const int at = FindTextComboBox->findText(Text, Qt::MatchFixedString); // case-insensitive
    if (at >= 0)
        FindTextComboBox->removeItem(at);
    FindTextComboBox->insertItem(0, Text);
    FindTextComboBox->setCurrentIndex(0);
}

void TSyntaxFindDialog::Activate()
{
    ApplyOperationRule();
    ApplyFindTextRule();
    FindTextComboBox->setFocus();
    FindTextComboBox->lineEdit()->selectAll();
}

void TSyntaxFindDialog::showEvent(QShowEvent *Event)
{
    RunGuarded([&] {
        QDialog::showEvent(Event);
        if (parentWidget())
            move(parentWidget()->geometry().center() - rect().center());
        Activate();
    });
}
