// libFuzzer target for metafiles as the preview meets them: the file (from the third byte on) is
// loaded as a metafile and drawn at a size from the second byte, through the record checks and the
// bounded player; the first byte's low bit picks the record check (WMF or EMF) also run on its own. A player's fault, hang or hunger stays in its child process; what
// this target watches is that our side never crashes, leaks or waits past the play's bound.
// Run from a clang build configured with -DQUILLMAR_FUZZ=ON -DQUILLMAR_SANITIZE=ON:
//   LSAN_OPTIONS=suppressions=tests/fuzz/MetafileFuzz.lsan.supp QT_QPA_PLATFORM=offscreen \
//   <build>/images/fuzz_metafile -timeout=10 -rss_limit_mb=2048 -max_len=8192 <corpus>
#include "images/EmfRender.h"
#include "images/QtPictures.h"
#include "images/WmfRender.h"

#include <QGuiApplication>
#include <QPainter>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *Argc, char ***Argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*Argc, *Argv);
    // The font and SVG machinery keep what they load on first use for the life of the process:
    // loaded here, it is not taken for a leak of the first input that draws text.
    ReadyEmfRendering();
    QImage warm(32, 32, QImage::Format_ARGB32);
    QPainter painter(&warm);
    painter.drawText(warm.rect(), Qt::AlignCenter, QStringLiteral("WMF"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size < 3)
        return 0;
    const bool enhanced = Data[0] & 1;
    const int side = 8 + Data[1] % 120;
    const std::vector<uint8_t> file(Data + 2, Data + Size);
    (void)(enhanced ? PrepareEmf(file) : PrepareWmf(file));

    TMemoryStream input;
    input.WriteBuffer(file.data(), int64_t(file.size()));
    input.SetPosition(0);
    TMetafile metafile;
    try {
        metafile.LoadFromStream(input);
    } catch (const Exception &) {
        return 0;
    }
    QImage target(side, side, QImage::Format_ARGB32);
    target.fill(Qt::transparent);
    QPainter painter(&target);
    metafile.Draw(painter, target.rect());
    return 0;
}
