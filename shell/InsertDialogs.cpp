#include "shell/InsertDialogs.h"

#include "controls/ColorPickers.h"
#include "images/ImageDialog.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSysInfo>
#include <QVBoxLayout>

namespace {

QPushButton *Button(const QString &Caption, QDialog *Dialog, int Result, QHBoxLayout *Row)
{
    auto *b = new QPushButton(Caption, Dialog);
    QObject::connect(b, &QPushButton::clicked, Dialog, GuardedSlot([Dialog, Result] { Dialog->done(Result); }));
    Row->addWidget(b);
    return b;
}

QLineEdit *Edit(const QString &Name, const QString &Text, QWidget *Parent)
{
    auto *e = new QLineEdit(Text, Parent);
    e->setObjectName(Name);
    return e;
}

QHBoxLayout *ButtonRow(QVBoxLayout *Layout)
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    Layout->addLayout(row);
    return row;
}

} // namespace

TInsertDialog::TInsertDialog(QWidget *Owner) : QDialog(Owner)
{
    setWindowFlag(Qt::Tool, true);
    setModal(true);
}

void TInsertDialog::showEvent(QShowEvent *Event)
{
    RunGuarded([&] {
        QDialog::showEvent(Event);
        // The window manager cuts a caption wider than its window ("Javascript ... age Boxes"): the
        // dialog is at least as wide as its caption in a bold title font, with room for the
        // title bar's icon and buttons.
        QFont title = font();
        title.setBold(true);
        const int captionWidth = QFontMetrics(title).horizontalAdvance(windowTitle()) + TitleBarRoom;
        if (width() < captionWidth)
            resize(captionWidth, height());
        if (QWidget *owner = parentWidget()) {
            const QRect g = owner->frameGeometry();
            move(g.center() - QPoint(width() / 2, height() / 2));
        }
    });
}

// ============================================================================ message boxes

TfrmMessageBox::TfrmMessageBox(QWidget *Owner) : TInsertDialog(Owner)
{
    setObjectName(QStringLiteral("frmMessageBox"));
    setWindowTitle(QStringLiteral("Javascript User Message Boxes"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    MessTextLabel = new QLabel(QStringLiteral("Message text"), this);
    MessTextEdit = Edit(QStringLiteral("MessTextEdit"), QString(), this);
    DefaultReplyLabel = new QLabel(QStringLiteral("Default reply"), this);
    DefaultReplyEdit = Edit(QStringLiteral("DefaultReplyEdit"), QString(), this);
    form->addRow(MessTextLabel, MessTextEdit);
    form->addRow(DefaultReplyLabel, DefaultReplyEdit);
    layout->addLayout(form);
    MessageTypeGroup = new QGroupBox(QStringLiteral(" Message type "), this);
    auto *types = new QHBoxLayout(MessageTypeGroup);
    AlertRadioButton = new QRadioButton(QStringLiteral("&Alert"), MessageTypeGroup);
    ConfirmRadioButton = new QRadioButton(QStringLiteral("&Confirm"), MessageTypeGroup);
    PromptRadioButton = new QRadioButton(QStringLiteral("&Prompt"), MessageTypeGroup);
    int tag = 1;
    for (QRadioButton *b : {AlertRadioButton, ConfirmRadioButton, PromptRadioButton}) {
        b->setProperty("Tag", tag++);
        types->addWidget(b);
        connect(b, &QRadioButton::clicked, this, GuardedSlot([this] { RadioButtonClick(); }));
    }
    AlertRadioButton->setChecked(true);
    layout->addWidget(MessageTypeGroup);
    QHBoxLayout *row = ButtonRow(layout);
    BitBtnOk = Button(QStringLiteral("OK"), this, QDialog::Accepted, row);
    BitBtn2 = Button(QStringLiteral("Cancel"), this, QDialog::Rejected, row);
    BitBtnOk->setDefault(true);
    RadioButtonClick();
    MessTextEdit->setFocus();
}

void TfrmMessageBox::RadioButtonClick()
{
    const bool prompt = PromptRadioButton->isChecked();
    DefaultReplyEdit->setEnabled(prompt);
    DefaultReplyLabel->setEnabled(prompt);
}

TMessageBoxFields TfrmMessageBox::Fields() const
{
    TMessageBoxFields f;
    f.Alert = AlertRadioButton->isChecked();
    f.Confirm = ConfirmRadioButton->isChecked();
    f.Prompt = PromptRadioButton->isChecked();
    f.Text = ToWideString(MessTextEdit->text());
    f.DefaultReply = ToWideString(DefaultReplyEdit->text());
    return f;
}

// ============================================================================ tables

TfrmTables::TfrmTables(QWidget *Owner) : TInsertDialog(Owner)
{
    setObjectName(QStringLiteral("frmTables"));
    setWindowTitle(QStringLiteral("HTML Tables"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    const TTableFields d;
    const struct {
        QLineEdit **Field;
        const char *Name, *Label;
        const WideString &Text;
    } fields[] = {
        {&EditRows, "EditRows", "Rows", d.Rows},
        {&EditColumns, "EditColumns", "Columns", d.Columns},
        {&EditWidth, "EditWidth", "Table width %", d.Width},
        {&EditBorder, "EditBorder", "Border width pixels", d.Border},
        {&EditPadding, "EditPadding", "Cell padding pixels", d.Padding},
        {&EditSpacing, "EditSpacing", "Cell spacing pixels", d.Spacing},
    };
    for (const auto &f : fields) {
        *f.Field = Edit(QString::fromLatin1(f.Name), ToQString(f.Text), this);
        form->addRow(QString::fromLatin1(f.Label), *f.Field);
    }
    layout->addLayout(form);
    QHBoxLayout *row = ButtonRow(layout);
    BitBtnOk = Button(QStringLiteral("Ok"), this, QDialog::Accepted, row);
    BitBtn2 = Button(QStringLiteral("Cancel"), this, QDialog::Rejected, row);
    BitBtnOk->setDefault(true);
}

TTableFields TfrmTables::Fields() const
{
    TTableFields f;
    f.Rows = ToWideString(EditRows->text());
    f.Columns = ToWideString(EditColumns->text());
    f.Width = ToWideString(EditWidth->text());
    f.Border = ToWideString(EditBorder->text());
    f.Padding = ToWideString(EditPadding->text());
    f.Spacing = ToWideString(EditSpacing->text());
    return f;
}

// ============================================================================ lists

TfrmLists::TfrmLists(QWidget *Owner) : TInsertDialog(Owner)
{
    setObjectName(QStringLiteral("frmLists"));
    setWindowTitle(QStringLiteral("HTML Lists"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    ItemsEdit = Edit(QStringLiteral("ItemsEdit"), QStringLiteral("4"), this);
    form->addRow(QStringLiteral("Number of items"), ItemsEdit);
    layout->addLayout(form);
    auto *group = new QGroupBox(QStringLiteral(" List type "), this);
    auto *grid = new QFormLayout(group);
    RadioButtonOrdered = new QRadioButton(QStringLiteral("Ordered"), group);
    RadioButtonUnordered = new QRadioButton(QStringLiteral("Unordered"), group);
    OrderedComboBox = new QComboBox(group);
    OrderedComboBox->addItems({QStringLiteral("Default"), QStringLiteral("1,2,3"), QStringLiteral("A,B,C"),
                               QStringLiteral("a,b,c"), QStringLiteral("I,II,III"), QStringLiteral("i,ii,iii")});
    UnorderedComboBox = new QComboBox(group);
    UnorderedComboBox->addItems(
        {QStringLiteral("Default"), QStringLiteral("Disc"), QStringLiteral("Circle"), QStringLiteral("Square")});
    for (QComboBox *c : {OrderedComboBox, UnorderedComboBox})
        c->setMaxVisibleItems(6);
    auto styled = [group](QRadioButton *Button, QComboBox *Combo) {
        auto *row = new QHBoxLayout;
        row->addWidget(Button);
        row->addWidget(new QLabel(QStringLiteral("Style"), group));
        row->addWidget(Combo);
        return row;
    };
    grid->addRow(styled(RadioButtonOrdered, OrderedComboBox));
    grid->addRow(styled(RadioButtonUnordered, UnorderedComboBox));
    RadioButtonOrdered->setChecked(true);
    for (QRadioButton *b : {RadioButtonOrdered, RadioButtonUnordered})
        connect(b, &QRadioButton::clicked, this, GuardedSlot([this] { RadioButtonClick(); }));
    layout->addWidget(group);
    QHBoxLayout *row = ButtonRow(layout);
    BitBtnOk = Button(QStringLiteral("Ok"), this, QDialog::Accepted, row);
    BitBtnCancel = Button(QStringLiteral("Cancel"), this, QDialog::Rejected, row);
    BitBtnOk->setDefault(true);
    RadioButtonClick();
}

void TfrmLists::showEvent(QShowEvent *Event)
{
    RunGuarded([&] {
        TInsertDialog::showEvent(Event);
        RadioButtonClick();
    });
}

void TfrmLists::RadioButtonClick()
{
    const bool ordered = RadioButtonOrdered->isChecked();
    OrderedComboBox->setEnabled(ordered);
    UnorderedComboBox->setEnabled(!ordered);
}

TListFields TfrmLists::Fields() const
{
    TListFields f;
    f.Ordered = RadioButtonOrdered->isChecked();
    f.OrderedStyle = ToWideString(OrderedComboBox->currentText());
    f.UnorderedStyle = ToWideString(UnorderedComboBox->currentText());
    f.Items = ToWideString(ItemsEdit->text());
    return f;
}

// ============================================================================ anchors

TfrmAnchors::TfrmAnchors(QWidget *Owner) : TInsertDialog(Owner)
{
    setObjectName(QStringLiteral("frmAnchors"));
    setWindowTitle(QStringLiteral("Anchors (HTML links to . . .)  "));
    auto *layout = new QVBoxLayout(this);
    auto *group = new QGroupBox(QStringLiteral(" Type "), this);
    auto *types = new QVBoxLayout(group);
    RadioButtonExternal = new QRadioButton(QStringLiteral("Link external to another document or web site"), group);
    RadioButtonInternal = new QRadioButton(QStringLiteral("Link to section inside this document"), group);
    RadioButtonBkMark = new QRadioButton(QStringLiteral("Linked to (bookmark in this document)"), group);
    for (QRadioButton *b : {RadioButtonExternal, RadioButtonInternal, RadioButtonBkMark}) {
        types->addWidget(b);
        connect(b, &QRadioButton::clicked, this, GuardedSlot([this, b] { RadioButtonClick(b); }));
    }
    RadioButtonExternal->setChecked(true);
    layout->addWidget(group);
    auto *form = new QFormLayout;
    EditAnchorText = Edit(QStringLiteral("EditAnchorText"), QString(), this);
    EditURL = Edit(QStringLiteral("EditURL"), QStringLiteral("http://"), this);
    EditSection = Edit(QStringLiteral("EditSection"), QStringLiteral("#"), this);
    EditBkMark = Edit(QStringLiteral("EditBkMark"), QString(), this);
    for (QLineEdit *e : {EditAnchorText, EditURL, EditSection, EditBkMark})
        e->setMinimumWidth(240);
    form->addRow(QStringLiteral("Text (appears as \"clickable\" link)"), EditAnchorText);
    form->addRow(QStringLiteral("URL or document to go to"), EditURL);
    form->addRow(QStringLiteral("Section identifier"), EditSection);
    form->addRow(QStringLiteral("\"Linked to\" identifier"), EditBkMark);
    layout->addLayout(form);
    QHBoxLayout *row = ButtonRow(layout);
    BitBtnOk = Button(QStringLiteral("OK"), this, QDialog::Accepted, row);
    BitBtnCancel = Button(QStringLiteral("Cancel"), this, QDialog::Rejected, row);
    BitBtnOk->setDefault(true);
    ApplyType();
    RadioButtonExternal->setFocus();
}

void TfrmAnchors::ApplyType()
{
    const bool external = RadioButtonExternal->isChecked();
    const bool internal = RadioButtonInternal->isChecked();
    const bool bookmark = RadioButtonBkMark->isChecked();
    EditAnchorText->setEnabled(!bookmark);
    EditURL->setEnabled(external);
    EditSection->setEnabled(internal);
    EditBkMark->setEnabled(bookmark);
}

void TfrmAnchors::RadioButtonClick(QRadioButton *Button)
{
    ApplyType();
    (Button == RadioButtonBkMark ? EditBkMark : EditAnchorText)->setFocus();
}

TAnchorFields TfrmAnchors::Fields() const
{
    TAnchorFields f;
    f.Kind = RadioButtonBkMark->isChecked()     ? TAnchorKind::Bookmark
             : RadioButtonInternal->isChecked() ? TAnchorKind::Internal
                                                : TAnchorKind::External;
    f.Text = ToWideString(EditAnchorText->text());
    f.URL = ToWideString(EditURL->text());
    f.Section = ToWideString(EditSection->text());
    f.BkMark = ToWideString(EditBkMark->text());
    return f;
}

// ============================================================================ the tools

TInsertTools::TInsertTools(QWidget *Window) : QObject(Window), FWindow(Window)
{
    frmMessageBox = new TfrmMessageBox(Window);
    frmTables = new TfrmTables(Window);
    frmLists = new TfrmLists(Window);
    frmAnchors = new TfrmAnchors(Window);
    frmImage = new TfrmImage(Window);
    RunDialog = [](QDialog &Dialog) { return Dialog.exec(); };
    RunImageDialog = [this](TImageTagData &Data) { return frmImage->Execute(Data); };
    PickColour = [this](int Source, WideString &Colour) { return DefaultPickColour(Source, Colour); };
    Clock = [] { return QDateTime::currentDateTime(); };
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    UserName = ToWideString(user);
    ComputerName = ToWideString(QSysInfo::machineHostName());
}

TInsertTools::~TInsertTools() = default;

bool TInsertTools::DefaultPickColour(int Source, WideString &Colour)
{
    switch (Source) {
    case csStd16:
        if (!FStd16)
            FStd16 = std::make_unique<TkivStd16Col>(FWindow);
        if (!FStd16->Execute())
            return false;
        Colour = FStd16->ColorText;
        break;
    case csWebSafe:
        if (!FWebSafe)
            FWebSafe = std::make_unique<TkivWebSafe>(FWindow);
        if (!FWebSafe->Execute())
            return false;
        Colour = FWebSafe->ColorText;
        break;
    case csWebNames:
        if (!FWebNames)
            FWebNames = std::make_unique<TkivWebNames>(FWindow);
        if (!FWebNames->Execute())
            return false;
        Colour = FWebNames->ColorText;
        break;
    case csAnyColour: {
        const QColor c = QColorDialog::getColor(Qt::white, FWindow);
        if (!c.isValid())
            return false;
        Colour = ColourDialogText(c.red(), c.green(), c.blue());
        break;
    }
    default: return false;
    }
    return !Colour.empty();
}
