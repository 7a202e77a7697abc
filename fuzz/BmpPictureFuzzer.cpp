// A picture file as a screen loads it (1-, 4- and 8-bit, RLE4 and RLE8,
// 24-bit and OS/2 bitmaps on the CD; whatever format the toolkit finds in
// the bytes otherwise).

#include "FuzzSupport.h"

#include "platform/PictureFiles.h"

using namespace umbraxis;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ensureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QImage picture = readPicture(fuzz::bytesOf(data, size));
    if (picture.isNull()) {
        fuzz::noteOutcome(0);
        return 0;
    }
    FUZZ_CHECK(picture.width() > 0 && picture.height() > 0);
    fuzz::noteOutcome(1 + unsigned(picture.format()));
    fuzz::noteOutcome(100 + unsigned(picture.depth()));
    fuzz::noteOutcome(200 + fuzz::magnitude(picture.colorCount()));
    fuzz::noteOutcome(300 + fuzz::magnitude(picture.width()) * 32 + fuzz::magnitude(picture.height()));
    return 0;
}
