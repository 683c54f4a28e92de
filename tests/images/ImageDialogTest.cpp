// The image dialog as a user meets it: browse to a file, see it previewed with its size, turn
// the stretch on, and read the tag data back. Failures show in the red error line.
#include "ImageTestSupport.h"
#include "images/ImageDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace imgtest;

namespace {

struct FileCase {
    const char *Name;
    int W, H;
};

// Writes one picture of each format the dialog previews; returns their paths.
std::vector<std::string> WriteSamples(const QTemporaryDir &Dir)
{
    std::vector<std::string> paths;
    QImage img(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            img.setPixel(x, y, qRgb(x * 6, y * 10, 128));
    for (const auto &[ext, fmt] :
         {std::pair{"bmp", "BMP"}, std::pair{"jpg", "JPEG"}, std::pair{"ico", "ICO"}, std::pair{"PNG", "PNG"}}) {
        const QString p = Dir.filePath(QString("sample.%1").arg(ext));
        img.save(p, fmt);
        paths.push_back(p.toStdString());
    }
    // Targa, PCX and GIF made by ImageMagick from the BMP.
    for (const char *ext : {"tga", "pcx", "gif"}) {
        const QString p = Dir.filePath(QString("sample.%1").arg(ext));
        RunTool("convert", {QString::fromStdString(paths[0]), p});
        paths.push_back(p.toStdString());
    }
    return paths;
}

TEST(ImageDialog, PreviewsEveryFormatAndReportsItsSize)
{
    QTemporaryDir dir;
    const auto paths = WriteSamples(dir);
    TfrmImage form;
    form.show();
    for (const std::string &p : paths) {
        form.OnChooseFile = [&] { return QString::fromStdString(p); };
        QTest::mouseClick(form.OpenImg, Qt::LeftButton);
        EXPECT_EQ(form.Label7->text(), QString()) << p;
        EXPECT_EQ(form.EditWidth->text(), "37") << p;
        EXPECT_EQ(form.EditHeight->text(), "23") << p;
        EXPECT_EQ(form.Edit2->text().toStdString(), p);
        // The preview shows the picture centred: its middle pixel is not the background.
        const QImage shot = form.tThumbimage1->grab().toImage();
        const QRgb mid = shot.pixel(shot.width() / 2, shot.height() / 2);
        EXPECT_GT(qBlue(mid), 90) << p;
    }
    form.Edit1->setText("a picture");
    const TImageTagData data = form.TagData();
    EXPECT_EQ(data.Alt, "a picture");
    EXPECT_EQ(data.Width, "37");
    // Stretching fills the preview.
    QTest::mouseClick(form.CheckBoxStretch, Qt::LeftButton);
    EXPECT_TRUE(form.tThumbimage1->Stretch());
    const QImage shot = form.tThumbimage1->grab().toImage();
    EXPECT_GT(qBlue(shot.pixel(2, 2)), 90);
    if (const char *out = std::getenv("QUILLMAR_SCREENSHOT_DIR"))
        form.grab().save(QString("%1/image-dialog.png").arg(out));
}

TEST(ImageDialog, FailuresShowInTheErrorLineAndClearTheSizes)
{
    QTemporaryDir dir;
    const auto paths = WriteSamples(dir);
    // A Targa file whose colour map runs past entry 255, a rejected PCX, an unknown extension,
    // a missing file.
    Bytes tga = {0, 1, 1, 0x80, 0, 0x81, 0, 24, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0x20};
    const std::string badTga = dir.filePath("bad.tga").toStdString();
    WriteFile(badTga, tga);
    const std::string badPcx = dir.filePath("bad.pcx").toStdString();
    WriteFile(badPcx, Bytes(200, 7));
    const std::string unknown = dir.filePath("picture.xyz").toStdString();
    WriteFile(unknown, Bytes(10, 1));
    struct Case {
        std::string Path;
        QString Text;
    };
    const Case cases[] = {
        {badTga, "Range Error in image file (possibly bad crc)"},
        {badPcx, "Not a PCX file, or header read error."},
        {unknown, "Unknown picture file extension (.xyz)"},
        {dir.filePath("missing.bmp").toStdString(), ""},
    };
    TfrmImage form;
    for (const Case &c : cases) {
        ASSERT_TRUE(form.LoadFile(QString::fromStdString(paths[0])));
        EXPECT_EQ(form.EditWidth->text(), "37");
        EXPECT_FALSE(form.LoadFile(QString::fromStdString(c.Path)));
        if (!c.Text.isEmpty())
            EXPECT_EQ(form.Label7->text(), c.Text);
        else
            EXPECT_FALSE(form.Label7->text().isEmpty());
        EXPECT_EQ(form.EditWidth->text(), QString());
        EXPECT_EQ(form.EditHeight->text(), QString());
        EXPECT_EQ(form.tThumbimage1->Picture().Graphic(), nullptr);
    }
    // A cancelled browse changes nothing.
    form.OnChooseFile = [] { return QString(); };
    form.LoadFile(QString::fromStdString(paths[0]));
    form.OpenImgClick();
    EXPECT_EQ(form.EditWidth->text(), "37");
}

// A path typed or pasted into Src is loaded as a browsed one is: on Enter (the dialog stays open),
// on leaving the field, and at the latest on OK; the sizes always belong to the file named.
TEST(ImageDialog, TypedOrPastedPathIsLoadedLikeABrowsedOne)
{
    QTemporaryDir dir;
    const auto paths = WriteSamples(dir);
    const QString wide = QString::fromStdString(paths[0]); // 37 x 23
    QImage tall(12, 40, QImage::Format_RGB32);
    tall.fill(qRgb(0, 0, 200));
    const QString high = dir.filePath("tall.png");
    ASSERT_TRUE(tall.save(high, "PNG"));

    TfrmImage form;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_TRUE(form.LoadFile(wide));
    auto type = [&](const QString &Text) {
        form.Edit2->setFocus();
        form.Edit2->selectAll();
        QTest::keyClicks(form.Edit2, Text);
    };
    auto sizes = [&] { return (form.EditWidth->text() + "x" + form.EditHeight->text()).toStdString(); };

    type(high);
    EXPECT_EQ(sizes(), "37x23") << "nothing loads while the user types";
    QTest::keyClick(form.Edit2, Qt::Key_Return);
    EXPECT_EQ(sizes(), "12x40");
    EXPECT_TRUE(form.isVisible()) << "Enter that loads a path does not close the dialog";
    EXPECT_EQ(form.result(), 0);

    // Pasted, then Tab to the next field.
    QApplication::clipboard()->setText(wide);
    form.Edit2->setFocus();
    form.Edit2->selectAll();
    QTest::keyClick(form.Edit2, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(form.Edit2, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), form.Edit2);
    EXPECT_EQ(sizes(), "37x23");

    // A typed file that cannot be read: its error, and no sizes of another picture.
    type(dir.filePath("missing.png"));
    QTest::keyClick(form.Edit2, Qt::Key_Return);
    EXPECT_EQ(sizes(), "x");
    EXPECT_FALSE(form.Label7->text().isEmpty());

    // Typed, then OK straight away: the tag gets the typed picture's sizes.
    TImageTagData data;
    QTimer::singleShot(0, &form, [&] {
        type(high);
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
    });
    form.hide();
    ASSERT_TRUE(form.Execute(data));
    EXPECT_EQ(data.Src, high);
    EXPECT_EQ((data.Width + "x" + data.Height).toStdString(), "12x40");
}

} // namespace
