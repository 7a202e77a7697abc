// The tips file ("text\tips.txt") and the pick of a tip: the input's first
// four bytes give the random number, the rest is the file.

#include "FuzzSupport.h"

#include "screens/Tips.h"

using namespace umbraxis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const double r = double(input.word()) / 4294967296.0;
    const QByteArray file = input.rest();
    const QString tip = pickTipFromBytes(file, r);
    // A tip is one line of the file, taken as it stands.
    FUZZ_CHECK(!tip.contains(QLatin1Char('\r')));
    FUZZ_CHECK(file.contains(tip.toLatin1()));
    if (r == 0)
        FUZZ_CHECK(tip.isEmpty());
    return 0;
}
