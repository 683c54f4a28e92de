// The image dialog as a user meets it: browse to a file, see it previewed with its size, turn
// the stretch on, and read the tag data back. Failures show in the red error line.
#include "ImageTestSupport.h"
#include "images/ImageDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
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

} // namespace
