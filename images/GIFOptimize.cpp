// The optimisation pass over a GIF image's frames.
#include "images/GIFImage.h"

void TGIFImage::Optimize(uint8_t Options, int Reduction, int, const TPalette &)
{
    if (FImages.empty())
        return;
    StopPainters();
    const int n = Count();
    int64_t steps = 0;
    const int64_t total = int64_t(6) * n;
    const auto step = [&](int64_t Frames) {
        steps += Frames;
        Progress(psRunning, uint8_t(std::clamp<int64_t>(steps * 100 / std::max<int64_t>(total, 1), 0, 100)), false,
                 QRect(), "Optimizing...");
    };
    Progress(psStarting, 0, false, QRect(), "Optimizing...");
    bool ok = false;
    struct TEnd {
        TGIFImage *I;
        bool &Ok;
        ~TEnd() { I->Progress(psEnding, Ok ? 100 : 0, true, QRect(), "Optimizing..."); }
    } end{this, ok};

    if (Options & opSortColors) {
        if (Header.ColorMap.Count() > 0)
            Header.ColorMap.Optimize();
        for (auto &f : FImages)
            if (f->ColorMap.Count() > 0)
                f->ColorMap.Optimize();
    }
    step(n);

    if (Options & opTidy) {
        // Transparency no pixel uses goes.
        for (auto &f : FImages)
            if (f->Transparent && f->GraphicControlExtension) {
                const uint8_t key = f->GraphicControlExtension->TransparentColorIndex;
                if (std::find(f->Data.begin(), f->Data.end(), key) == f->Data.end())
                    f->GraphicControlExtension->SetTransparent(false);
            }
        // A restoring disposal is needless when the next frame covers the area opaquely.
        for (int i = 0; i + 1 < n; ++i) {
            TGIFSubImage &a = *FImages[size_t(i)], &b = *FImages[size_t(i + 1)];
            TGIFGraphicControlExtension *g = a.GraphicControlExtension;
            if (!g || (g->Disposal() != diRestoreBackground && g->Disposal() != diRestorePrevious))
                continue;
            if (!b.Transparent && a.BoundsRect().intersected(b.BoundsRect()) == b.BoundsRect() &&
                a.BoundsRect().intersects(b.BoundsRect()))
                g->SetDisposal(diUnspecified);
        }
    }
    step(n);

    if (Options & opBlankRepeats)
        for (int i = n - 1; i >= 1; --i) {
            int j = i - 1;
            while (j > 0 && FImages[size_t(j)]->GraphicControlExtension &&
                   FImages[size_t(j)]->GraphicControlExtension->Disposal() == diRestorePrevious)
                --j;
            FImages[size_t(i)]->BlankRepeats(FImages[size_t(j)].get());
        }
    step(n);

    if (Options & opTrimFrames)
        for (int i = Count() - 1; i >= 0; --i) {
            TGIFSubImage &f = *FImages[size_t(i)];
            if (f.Empty() || !f.Transparent)
                continue;
            const int delay = f.GraphicControlExtension ? f.GraphicControlExtension->Delay : 0;
            f.Crop();
            if (!f.Empty())
                continue;
            if (i > 0 && FImages[size_t(i - 1)]->Transparent && FImages[size_t(i - 1)]->GraphicControlExtension) {
                auto *g = FImages[size_t(i - 1)]->GraphicControlExtension;
                g->Delay = uint16_t(std::min(65535, g->Delay + delay));
            }
            FImages.erase(FImages.begin() + i);
        }
    step(n);

    if (Options & opTidy) {
        const bool single = Count() == 1;
        for (int i = Count() - 1; i >= 0; --i) {
            TGIFSubImage &f = *FImages[size_t(i)];
            for (int k = f.Extensions.Count() - 1; k >= 0; --k) {
                TGIFExtension &e = f.Extensions[k];
                const bool loop = dynamic_cast<TGIFAppExtNSLoop *>(&e) != nullptr;
                if (dynamic_cast<TGIFCommentExtension *>(&e) || dynamic_cast<TGIFTextExtension *>(&e) ||
                    dynamic_cast<TGIFUnknownAppExtension *>(&e) || (loop && !(i == 0 && !single)))
                    f.Extensions.Delete(k);
            }
            if (TGIFGraphicControlExtension *g = f.GraphicControlExtension)
                if ((g->Delay == 0 || single) && !g->Transparent() && !g->UserInput() && (g->Disposal() < 2 || single))
                    for (int k = 0; k < f.Extensions.Count(); ++k)
                        if (&f.Extensions[k] == g) {
                            f.Extensions.Delete(k);
                            break;
                        }
            if (f.Empty() && f.Extensions.Count() == 0)
                FImages.erase(FImages.begin() + i);
        }
    } else if ((Options & opReduce) && Reduction == 9) {
        GIFError("Invalid reduction method");
    }
    step(2 * int64_t(n));
    FreeBitmap();
    ok = true;
    Changed();
}
