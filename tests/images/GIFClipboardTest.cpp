// GIF pictures through the application's clipboard (the offscreen platform's own clipboard).
#include "ImageTestSupport.h"
#include "images/GIFImage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

using namespace imgtest;

namespace {

// An animation of three frames, the second one smaller and placed inside the screen.
std::unique_ptr<TGIFImage> ClipboardAnimation()
{
    auto gif = std::make_unique<TGIFImage>();
    for (int f = 0; f < 3; ++f) {
        const int w = f == 1 ? 5 : 9, h = f == 1 ? 3 : 7;
        QImage img(w, h, QImage::Format_Indexed8);
        img.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 200, 0), qRgb(10, 20, 250)});
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, uint((x + 2 * y + f) % 4));
        TBitmap b;
        b.FromImage(img);
        auto frame = std::make_unique<TGIFSubImage>(gif.get());
        frame->AssignBitmap(b);
        if (f == 1)
            frame->SetBounds(2, 3, w, h);
        gif->Add(std::move(frame));
    }
    return gif;
}

TEST(GIFClipboard, CopyAndPasteKeepEveryFrame)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    auto source = ClipboardAnimation();
    source->SaveToClipboardFormat(*clipboard);

    const QMimeData *held = clipboard->mimeData();
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(held->hasFormat("image/gif"));
    EXPECT_TRUE(held->data("image/gif").startsWith("GIF8"));
    // Programs that take no GIF get the first frame as a picture of the screen's size.
    ASSERT_TRUE(held->hasImage());
    const QImage plain = qvariant_cast<QImage>(held->imageData());
    EXPECT_EQ(plain.size(), QSize(9, 7));
    EXPECT_EQ(QColor(plain.pixel(1, 0)), QColor(255, 0, 0));

    TGIFImage pasted;
    pasted.LoadFromClipboardFormat(*clipboard);
    ASSERT_EQ(pasted.Count(), 3);
    EXPECT_EQ(pasted.GetWidth(), 9);
    EXPECT_EQ(pasted.GetHeight(), 7);
    for (int f = 0; f < 3; ++f) {
        const TGIFSubImage &a = source->Frame(f), &b = pasted.Frame(f);
        EXPECT_EQ(b.BoundsRect(), a.BoundsRect()) << f;
        EXPECT_TRUE(b.Data == a.Data) << f;
    }
}

TEST(GIFClipboard, PastesAPlainPictureAndRefusesText)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    QImage img(4, 2, QImage::Format_RGB32);
    img.fill(qRgb(0, 0, 255));
    img.setPixel(3, 1, qRgb(255, 255, 0));
    clipboard->setImage(img);
    TGIFImage pasted;
    pasted.LoadFromClipboardFormat(*clipboard);
    ASSERT_EQ(pasted.Count(), 1);
    EXPECT_EQ(pasted.GetWidth(), 4);
    EXPECT_EQ(pasted.GetHeight(), 2);
    const QImage back = pasted.Bitmap();
    EXPECT_EQ(QColor(back.pixel(0, 0)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(back.pixel(3, 1)), QColor(255, 255, 0));

    clipboard->setText("not a picture");
    try {
        pasted.LoadFromClipboardFormat(*clipboard);
        ADD_FAILURE() << "text was taken as a picture";
    } catch (const GIFException &E) {
        EXPECT_STREQ(E.what(), "Unsupported clipboard format");
    }
    EXPECT_EQ(pasted.Count(), 1); // the picture stays as it was

    // An empty picture leaves the clipboard alone.
    TGIFImage().SaveToClipboardFormat(*clipboard);
    EXPECT_EQ(clipboard->text(), "not a picture");
}

} // namespace
