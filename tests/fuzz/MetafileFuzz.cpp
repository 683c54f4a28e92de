// libFuzzer target for metafiles as the preview meets them: the file (from the third byte on) is
// loaded as a metafile and drawn at a size from the second byte, through the record checks and the
// bounded player; the first byte's low bit picks the record check (WMF or EMF) also run on its own. A player's fault, hang or hunger stays in its child process; what
// this target watches is that our side never crashes, leaks or waits past the play's bound.
// With QUILLMAR_FUZZ_IN_PROCESS set in the environment, every input is taken as an EMF and, when
// it passes the record check, converted and drawn in this process instead, and what is watched is the check itself: the copy
// the converter is given ends against a page that cannot be read (the converter is not built with
// the sanitizer, so a read past the copy would otherwise go unseen), and any fault, leak or hang
// of the converter on a file the check passed is a finding against the check.
// Run from a clang build configured with -DQUILLMAR_FUZZ=ON -DQUILLMAR_SANITIZE=ON:
//   LSAN_OPTIONS=suppressions=tests/fuzz/MetafileFuzz.lsan.supp QT_QPA_PLATFORM=offscreen \
//   <build>/images/fuzz_metafile -timeout=10 -rss_limit_mb=2048 -max_len=8192 <corpus>
#include "images/EmfRender.h"
#include "images/QtPictures.h"
#include "images/WmfRender.h"

#include <QGuiApplication>
#include <QPainter>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

// The converter ends a conversion of glyph-index text by tearing fontconfig down, which in a
// process that goes on drawing (Qt keeps fontconfig's caches) fails fontconfig's own assertion. A
// played file does that in a child that ends right after; in this process it is made to do nothing.
extern "C" void FcFini(void) {}

namespace {

bool ConvertInProcess()
{
    static const bool on = std::getenv("QUILLMAR_FUZZ_IN_PROCESS") != nullptr;
    return on;
}

// Converts the checked copy Prepared in this process, from a mapping whose last byte before an
// unreadable page is the copy's last.
void ConvertAgainstGuardPage(const std::vector<uint8_t> &Prepared, QSize Size)
{
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    const size_t pages = (Prepared.size() + page - 1) / page;
    const size_t total = (pages + 1) * page;
    void *map = ::mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED)
        std::abort();
    auto *base = static_cast<uint8_t *>(map);
    if (::mprotect(base + pages * page, page, PROT_NONE) != 0)
        std::abort();
    uint8_t *copy = base + pages * page - Prepared.size();
    std::memcpy(copy, Prepared.data(), Prepared.size());
    (void)RenderPreparedEmf(copy, Prepared.size(), Size);
    ::munmap(map, total);
}

} // namespace

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
    if (ConvertInProcess()) {
        const std::vector<uint8_t> prepared = PrepareEmf(file);
        if (!prepared.empty())
            ConvertAgainstGuardPage(prepared, QSize(side, side));
        return 0;
    }
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
