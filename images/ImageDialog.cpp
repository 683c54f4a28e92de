#include "images/ImageDialog.h"

#include "platform/FileDialogDates.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel *MakeLabel(QWidget *Parent, const char *Name, const QString &Text)
{
    auto *l = new QLabel(Text, Parent);
    l->setObjectName(QLatin1String(Name));
    return l;
}
QLineEdit *MakeEdit(QWidget *Parent, const char *Name, bool ReadOnly = false)
{
    auto *e = new QLineEdit(Parent);
    e->setObjectName(QLatin1String(Name));
    e->setReadOnly(ReadOnly);
    return e;
}
} // namespace

TfrmImage::TfrmImage(QWidget *Owner) : QDialog(Owner, Qt::Tool)
{
    setObjectName(QStringLiteral("frmImage"));
    setWindowTitle(QStringLiteral("HTML Image (Gif, Jpg or Png)"));

    // Laid out by Qt's layouts, so that every text keeps its room at any font size.
    auto *layout = new QVBoxLayout(this);
    Label4 = MakeLabel(this, "Label4",
                       QStringLiteral("Name of image file, edit this absolute path using ..\\ etc for a relative path"));
    Label4->setWordWrap(true);
    layout->addWidget(Label4);

    auto *fields = new QGridLayout;
    Label3 = MakeLabel(this, "Label3", QStringLiteral("Src:"));
    Edit2 = MakeEdit(this, "Edit2");
    Label3->setBuddy(Edit2);
    OpenImg = new QPushButton(QStringLiteral("Browse . . ."), this);
    OpenImg->setObjectName(QStringLiteral("OpenImg"));
    OpenImg->setAutoDefault(false);
    fields->addWidget(Label3, 0, 0);
    fields->addWidget(Edit2, 0, 1);
    fields->addWidget(OpenImg, 0, 2);
    Label7 = MakeLabel(this, "Label7", QString());
    QPalette red = Label7->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label7->setPalette(red);
    Label7->setWordWrap(true);
    Label7->setTextFormat(Qt::PlainText); // the error names the file: shown as it stands
    fields->addWidget(Label7, 1, 1, 1, 2);
    Label2 = MakeLabel(this, "Label2",
                       QStringLiteral("Browsers show this text as a tooltip, useful if images not displayed"));
    Label2->setWordWrap(true);
    QFont small = Label2->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    Label2->setFont(small);
    fields->addWidget(Label2, 2, 0, 1, 3);
    Label1 = MakeLabel(this, "Label1", QStringLiteral("Alt:"));
    Edit1 = MakeEdit(this, "Edit1");
    Label1->setBuddy(Edit1);
    fields->addWidget(Label1, 3, 0);
    fields->addWidget(Edit1, 3, 1, 1, 2);
    fields->setColumnStretch(1, 1);
    layout->addLayout(fields);

    auto *lower = new QHBoxLayout;
    GroupBox1 = new QGroupBox(QStringLiteral(" Preview  "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *box = new QVBoxLayout(GroupBox1);
    box->setContentsMargins(2, 2, 2, 2);
    tThumbimage1 = new tThumbimage(GroupBox1);
    tThumbimage1->setObjectName(QStringLiteral("tThumbimage1"));
    tThumbimage1->SetCenter(true);
    tThumbimage1->setMinimumSize(195, 175);
    box->addWidget(tThumbimage1);
    lower->addWidget(GroupBox1, 1);

    auto *side = new QVBoxLayout;
    CheckBoxStretch = new QCheckBox(QStringLiteral("Stretch to fit preview"), this);
    CheckBoxStretch->setObjectName(QStringLiteral("CheckBoxStretch"));
    side->addWidget(CheckBoxStretch);
    side->addSpacing(6);
    Label5 = MakeLabel(this, "Label5", QStringLiteral("Actual Image Width"));
    EditWidth = MakeEdit(this, "EditWidth", true);
    Label6 = MakeLabel(this, "Label6", QStringLiteral("Actual Image Height"));
    EditHeight = MakeEdit(this, "EditHeight", true);
    for (QWidget *w : {static_cast<QWidget *>(Label5), static_cast<QWidget *>(EditWidth),
                       static_cast<QWidget *>(Label6), static_cast<QWidget *>(EditHeight)})
        side->addWidget(w);
    side->addStretch(1);
    auto *buttons = new QHBoxLayout;
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    side->addLayout(buttons);
    lower->addLayout(side);
    layout->addLayout(lower, 1);

    connect(OpenImg, &QPushButton::clicked, this, GuardedSlot([this] { OpenImgClick(); }));
    connect(CheckBoxStretch, &QCheckBox::clicked, this, GuardedSlot([this] { CheckBoxStretchClick(); }));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    // A path typed or pasted into Src is loaded as a browsed one is, once the user leaves the
    // field (Enter, Tab or a click elsewhere): the sizes must belong to the file named.
    connect(Edit2, &QLineEdit::editingFinished, this, GuardedSlot([this] { LoadTypedPath(); }));
    Edit2->installEventFilter(this);
    Edit2->setFocus();
}

bool TfrmImage::eventFilter(QObject *Watched, QEvent *Event)
{
    // Enter in Src loads the typed path and keeps the dialog open, so the user sees the picture
    // and its sizes before OK; with the path loaded already, Enter is OK as anywhere else.
    if (Watched == Edit2 && Event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(Event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && Edit2->text() != FLoadedPath) {
            LoadTypedPath();
            return true;
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

void TfrmImage::LoadTypedPath()
{
    if (Edit2->text() != FLoadedPath)
        LoadFile(Edit2->text());
}

void TfrmImage::done(int Result)
{
    // OK taken while a typed path is still unloaded (a shortcut that leaves the focus in Src).
    if (Result == QDialog::Accepted)
        LoadTypedPath();
    QDialog::done(Result);
}

bool TfrmImage::Execute(TImageTagData &Data)
{
    if (parentWidget()) {
        const QRect owner = parentWidget()->window()->geometry();
        move(owner.center() - rect().center());
    }
    Edit2->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    Data = TagData();
    return true;
}

TImageTagData TfrmImage::TagData() const
{
    return {Edit2->text(), Edit1->text(), EditWidth->text(), EditHeight->text()};
}

void TfrmImage::OpenImgClick()
{
    QString file;
    if (OnChooseFile) {
        file = OnChooseFile();
    } else {
        QFileDialog dialog(this, QStringLiteral("Open Image"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        WidenDateColumn(dialog);
        dialog.setNameFilters({QStringLiteral("All images *.gif *.jpg *.png (*.gif *.jpg *.png)"),
                               QStringLiteral("*.gif (*.gif)"), QStringLiteral("*.jpg (*.jpg)"),
                               QStringLiteral("*.png (*.png)"), QStringLiteral("All files *.* (*)")});
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            file = dialog.selectedFiles().first();
    }
    if (file.isEmpty())
        return;
    LoadFile(file);
}

bool TfrmImage::LoadFile(const QString &FileName)
{
    Edit2->setText(FileName);
    FLoadedPath = FileName;
    Label7->clear();
    QString error;
    // An emptied field is no error: it only forgets the picture.
    if (!FileName.isEmpty()) {
        try {
            tThumbimage1->LoadImage(FileName.toStdString());
        } catch (const EImageRangeError &) {
            error = QStringLiteral("Range Error in image file (possibly bad crc)");
        } catch (const std::exception &E) {
            error = QString::fromUtf8(E.what());
            if (error.isEmpty())
                error = QStringLiteral("The picture could not be read");
        }
    }
    if (!error.isEmpty() || FileName.isEmpty()) {
        Label7->setText(error);
        tThumbimage1->Picture().SetGraphic(nullptr);
        EditWidth->clear();
        EditHeight->clear();
        return false;
    }
    EditWidth->setText(QString::number(tThumbimage1->Picture().Width()));
    EditHeight->setText(QString::number(tThumbimage1->Picture().Height()));
    return true;
}

void TfrmImage::CheckBoxStretchClick()
{
    tThumbimage1->SetStretch(CheckBoxStretch->isChecked());
}
