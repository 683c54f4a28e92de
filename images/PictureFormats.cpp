// The picture formats known to TPicture from the start.
#include "images/Bitmap.h"
#include "images/GIFImage.h"
#include "images/PNGImage.h"
#include "images/QtPictures.h"

void RegisterStandardPictureFormats()
{
    TPicture::RegisterFileFormat("BMP", "Bitmaps", [] { return std::make_unique<TBitmap>(); });
    TPicture::RegisterFileFormat("ICO", "Icons", [] { return std::make_unique<TIcon>(); });
    TPicture::RegisterFileFormat("JPG", "JPEG Image File", [] { return std::make_unique<TJPEGImage>(); });
    TPicture::RegisterFileFormat("JPEG", "JPEG Image File", [] { return std::make_unique<TJPEGImage>(); });
    TPicture::RegisterFileFormat("WMF", "Metafiles", [] { return std::make_unique<TMetafile>(); });
    TPicture::RegisterFileFormat("EMF", "Enhanced Metafiles", [] { return std::make_unique<TMetafile>(); });
    RegisterPNGFormat();
    RegisterGIFFormat();
}
