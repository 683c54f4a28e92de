// GIF pictures on the clipboard: the file's bytes under their own format, and the picture as a
// plain image beside them.
#include "images/GIFImage.h"

#include <QByteArray>
#include <QClipboard>
#include <QMimeData>

void TGIFImage::SaveToClipboardFormat(QClipboard &Clipboard)
{
    if (GetEmpty())
        return;
    TMemoryStream file;
    SaveToStream(file);
    auto data = std::make_unique<QMimeData>();
    data->setImageData(Bitmap());
    data->setData(GIFClipboardFormat,
                  QByteArray(reinterpret_cast<const char *>(file.Memory()), qsizetype(file.GetSize())));
    Clipboard.setMimeData(data.release());
    const QMimeData *kept = Clipboard.mimeData();
    if (!kept || !kept->hasFormat(GIFClipboardFormat))
        GIFError("Failed to store GIF on clipboard");
}

void TGIFImage::LoadFromClipboardFormat(const QClipboard &Clipboard)
{
    LoadFromClipboardFormat(Clipboard.mimeData());
}

void TGIFImage::LoadFromClipboardFormat(const QMimeData *Data)
{
    if (Data && Data->hasFormat(GIFClipboardFormat)) {
        const QByteArray bytes = Data->data(GIFClipboardFormat);
        TMemoryStream file;
        file.WriteBuffer(bytes.constData(), bytes.size());
        file.SetPosition(0);
        LoadFromStream(file);
        return;
    }
    if (!Data || !Data->hasImage())
        GIFError("Unsupported clipboard format");
    TBitmap picture;
    picture.FromImage(qvariant_cast<QImage>(Data->imageData()));
    AssignBitmap(picture);
}
