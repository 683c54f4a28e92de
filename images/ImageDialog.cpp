#include "images/ImageDialog.h"

#include "platform/QtConvert.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel *MakeLabel(QWidget *Parent, const char *Name, const QString &Text, const QRect &R)
{
    auto *l = new QLabel(Text, Parent);
    l->setObjectName(QLatin1String(Name));
    l->setGeometry(R);
    return l;
}
QLineEdit *MakeEdit(QWidget *Parent, const char *Name, const QRect &R, bool ReadOnly = false)
{
    auto *e = new QLineEdit(Parent);
    e->setObjectName(QLatin1String(Name));
    e->setGeometry(R);
    e->setReadOnly(ReadOnly);
    return e;
}
} // namespace

TfrmImage::TfrmImage(QWidget *Owner) : QDialog(Owner, Qt::Tool)
{
    setObjectName(QStringLiteral("frmImage"));
    setWindowTitle(QStringLiteral("HTML Image (Gif, Jpg or Png)"));
    setFixedSize(413, 324);

    Label4 = MakeLabel(this, "Label4",
                       QStringLiteral("Name of image file, edit this absolute path using ..\\ etc for a relative path"),
                       QRect(8, 4, 397, 32));
    Label4->setWordWrap(true);
    Label3 = MakeLabel(this, "Label3", QStringLiteral("Src:"), QRect(8, 40, 30, 22));
    Edit2 = MakeEdit(this, "Edit2", QRect(40, 40, 278, 24));
    OpenImg = new QPushButton(QStringLiteral("Browse . . ."), this);
    OpenImg->setObjectName(QStringLiteral("OpenImg"));
    OpenImg->setGeometry(324, 39, 81, 26);
    Label7 = MakeLabel(this, "Label7", QString(), QRect(40, 66, 365, 18));
    QPalette red = Label7->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label7->setPalette(red);
    Label2 = MakeLabel(this, "Label2",
                       QStringLiteral("Browsers show this text as a tooltip, useful if images not displayed"),
                       QRect(8, 84, 397, 18));
    QFont small = Label2->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    Label2->setFont(small);
    Label1 = MakeLabel(this, "Label1", QStringLiteral("Alt:"), QRect(8, 104, 30, 22));
    Edit1 = MakeEdit(this, "Edit1", QRect(40, 104, 365, 24));

    GroupBox1 = new QGroupBox(QStringLiteral(" Preview  "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 120, 201, 201);
    auto *box = new QVBoxLayout(GroupBox1);
    box->setContentsMargins(2, 2, 2, 2);
    tThumbimage1 = new tThumbimage(GroupBox1);
    tThumbimage1->setObjectName(QStringLiteral("tThumbimage1"));
    tThumbimage1->SetCenter(true);
    box->addWidget(tThumbimage1);

    CheckBoxStretch = new QCheckBox(QStringLiteral("Stretch to fit preview"), this);
    CheckBoxStretch->setObjectName(QStringLiteral("CheckBoxStretch"));
    CheckBoxStretch->setGeometry(220, 134, 185, 22);
    Label5 = MakeLabel(this, "Label5", QStringLiteral("Actual Image Width"), QRect(220, 166, 185, 18));
    EditWidth = MakeEdit(this, "EditWidth", QRect(220, 186, 90, 24), true);
    Label6 = MakeLabel(this, "Label6", QStringLiteral("Actual Image Height"), QRect(220, 216, 185, 18));
    EditHeight = MakeEdit(this, "EditHeight", QRect(220, 236, 90, 24), true);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(220, 290, 88, 28);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(317, 290, 88, 28);

    connect(OpenImg, &QPushButton::clicked, this, [this] { OpenImgClick(); });
    connect(CheckBoxStretch, &QCheckBox::clicked, this, [this] { CheckBoxStretchClick(); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    Edit2->setFocus();
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
    Label7->clear();
    QString error;
    try {
        tThumbimage1->LoadImage(FileName.toStdString());
    } catch (const EImageRangeError &) {
        error = QStringLiteral("Range Error in image file (possibly bad crc)");
    } catch (const std::exception &E) {
        error = QString::fromUtf8(E.what());
        if (error.isEmpty())
            error = QStringLiteral("The picture could not be read");
    }
    if (!error.isEmpty()) {
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
