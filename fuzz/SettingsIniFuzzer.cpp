// The settings file's text (the user's Umbraxis.conf, which may have been
// edited by hand): read, written back and read again, the file the store
// writes must read as what it was written from.

#include "FuzzSupport.h"

#include "platform/IniDocument.h"

using namespace umbraxis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text = fuzz::bytesOf(data, size);
    // The store reads only a text it can safely write back; it leaves any
    // other file as it is.
    if (!isReadableSettingsText(text))
        return 0;
    IniDocument document = IniDocument::parse(text);
    const QByteArray written = document.serialize();
    // What the store writes reads back as the same sections and values.
    IniDocument again = IniDocument::parse(written);
    FUZZ_CHECK(isReadableSettingsText(written));
    FUZZ_CHECK(again.serialize() == written);

    for (const IniDocument::Section& section : document.sections()) {
        for (const IniDocument::Value& value : section.values) {
            FUZZ_CHECK(IniDocument::unescapeKey(IniDocument::escapeKey(value.name)) == value.name);
            QString read;
            if (!IniDocument::unescapeValue(value.raw, read))
                continue;
            // A value the store would write again reads as itself.
            QString back;
            FUZZ_CHECK(IniDocument::unescapeValue(IniDocument::escapeValue(read), back));
            FUZZ_CHECK(back == read);
        }
    }
    return 0;
}
