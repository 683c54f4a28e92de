// File names in the picture windows show as they stand: a picture named "<i>pic.bmp" is not
// taken as markup (italic "pic.bmp") in the folder view's title strip or the image dialog's error.
#include "ImageTestSupport.h"
#include "ShownText.h"
#include "images/ImageDialog.h"
#include "images/ThumbView.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <gtest/gtest.h>

using shown::ShownText;

TEST(ShownNames, FolderViewTitlesAndImageDialogErrorsShowTheName)
{
    QTemporaryDir dir;
    const QString name = QStringLiteral("<i>pic.bmp");
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(QColor(40, 120, 200));
    ASSERT_TRUE(img.save(dir.filePath(name), "BMP"));

    TTHumbview view;
    view.resize(400, 300);
    view.SetDirectory(dir.path().toStdString());
    view.show();
    QApplication::processEvents();
    (void)view.grab();
    QApplication::processEvents();
    ASSERT_EQ(view.Count(), 1);

    TfrmImage form;
    const QString missing = dir.filePath(QStringLiteral("<i>gone.gif"));
    EXPECT_FALSE(form.LoadFile(missing));

    const struct {
        const char *What;
        QString Shown;
        QString Expected; // shown whole, or at least containing this
    } cases[] = {
        {"folder view title", ShownText(*view.Thumb(0)->TitleStrip()), name},
        {"image dialog error", ShownText(*form.Label7), missing},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(c.Shown.contains(c.Expected)) << c.What << ": " << c.Shown.toStdString();
    EXPECT_EQ(ShownText(*view.Thumb(0)->TitleStrip()).toStdString(), name.toStdString());
}
