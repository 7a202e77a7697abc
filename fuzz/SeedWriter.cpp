// Writes the seed inputs of every fuzz target into <out>/<target>/: the files
// of the sample CD that each reader reads (<cd> and the variant with an intro
// sound track, <cd-intro-sound>), and the variants the tests write (upper-case
// names, CR LF and bare line ends, RLE8 and the other bitmap flavours, ADPCM
// sounds, a video with a sound track), so that nothing binary is committed.
//
// usage: fuzz_seeds <out> <cd> <cd-intro-sound>

#include "cdgen/AviWriter.h"
#include "cdgen/BmpWriter.h"
#include "cdgen/WavWriter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <stdexcept>

using namespace umbraxis;

namespace {

QString g_out;

void seed(const QString& target, const QString& name, const QByteArray& bytes)
{
    const QString folder = g_out + QLatin1Char('/') + target;
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + file.fileName().toStdString());
}

QByteArray cdFile(const QString& cd, const QString& path)
{
    QFile file(cd + QLatin1Char('/') + path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("the sample CD has no " + file.fileName().toStdString());
    return file.readAll();
}

QByteArray bareLineFeeds(QByteArray text)
{
    return text.replace("\r\n", "\n");
}

QByteArray bareReturns(QByteArray text)
{
    return text.replace("\r\n", "\r");
}

// A string as the structured targets read one: its length in one byte, or
// in two when it may be longer than 255 bytes.
QByteArray sized(const QByteArray& text, bool wide = false)
{
    QByteArray length;
    if (wide)
        length += char(text.size() >> 8);
    length += char(text.size() & 0xFF);
    return length + text;
}

QByteArray littleWord(quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 4);
}

void catalogueSeeds(const QString& cd)
{
    const QByteArray csv = cdFile(cd, QStringLiteral("levels.csv"));
    seed("catalogue", "levels.csv", csv);
    seed("catalogue", "levels-lf.csv", bareLineFeeds(csv));
    seed("catalogue", "levels-upper.csv", csv.toUpper());
    seed("catalogue", "levels-eof.csv", csv + '\x1a' + "Ignored,after,the,end\r\n");
    seed("catalogue", "quoting.csv",
         "Title,Directory,AuthorFile,DescFile,DirSize,LevelName\r\n"
         "\"Iron \"\"Keep\"\"\",keep,ikauth,ikdesc,800,ikeep\r\n"
         "Iron Keep,keep,,,800,ikeep\r\n"
         "a,,b\r\n"
         "\r\n"
         "\"unclosed,..\\..\\up,,,2147483648,e1m1 +exec x\r\n"
             + QByteArray(600, 'x') + "\r\n");
}

void textSeeds(const QString& cd)
{
    const QByteArray websites = cdFile(cd, QStringLiteral("text/websites.txt"));
    const QByteArray briefing = cdFile(cd, QStringLiteral("text/dethmath.txt"));
    const QByteArray tips = cdFile(cd, QStringLiteral("text/tips.txt"));
    const QByteArray readme = cdFile(cd, QStringLiteral("readme.txt"));
    seed("document_text", "websites.txt", websites);
    seed("document_text", "websites-cr.txt", bareReturns(websites));
    seed("document_text", "readme.txt", readme);
    seed("document_text", "cp1252.txt", "\x93quoted\x94 \x80 \x96 dash\r\nline\rline\n");
    seed("briefing", "dethmath.txt", briefing);
    seed("briefing", "dethmath-lf.txt", bareLineFeeds(briefing));
    seed("briefing", "dethmath-cr.txt", bareReturns(briefing));
    seed("briefing", "nul.txt", QByteArray("first\r\nsecond\0hidden\r\n", 23));
    // A tip input is the random number in four bytes, then the file.
    for (const quint32 r : {0u, 1u, 0x40000000u, 0x80000000u, 0xFFFFFFFFu}) {
        const QByteArray number = QByteArray::number(r, 16);
        QByteArray word(4, '\0');
        qToBigEndian(r, word.data());
        seed("tips", "tips-" + number + ".txt", word + tips);
        seed("tips", "tips-lf-" + number + ".txt", word + bareLineFeeds(tips));
    }
    seed("tips", "early-eof.txt", QByteArray("\x80\0\0\0", 4) + "one\r\n\x1a" + QByteArray(300, 't'));
}

void rtfSeeds(const QString& cd)
{
    const QByteArray help = cdFile(cd, QStringLiteral("help.rtf"));
    seed("rtf", "help.rtf", help);
    seed("rtf", "help-upper.rtf", "{\\rtf1" + help.mid(5).toUpper());
    seed("rtf", "tables.rtf",
         "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fcharset2 Symbol;}"
         "{\\f2\\fcharset204 Courier New;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
         "\\paperw12240\\margl1800\\margr1800\\pard\\qc\\b\\fs32 Title\\b0\\par"
         "\\trowd\\trleft0\\clbrdrt\\brdrs\\cellx3000\\cellx6000\\intbl One\\cell Two\\cell\\row"
         "\\trowd\\cellx2000\\intbl Three\\cell\\row\\pard\\li720\\fi-360{\\f1\\'b7}\\tab Bullet\\par"
         "{\\f2\\'c0\\'c1} \\u8364?\\uc2\\u8212\\'97\\'97 {\\*\\unknown skipped}{\\pict\\wmetafile8 0102}"
         "\\cf1 red\\cf2 blue\\ul under\\ulnone\\i it\\i0\\line\\bin3 abc\\par}");
}

void settingsSeeds()
{
    const QByteArray ini = "[General]\nignored=1\n\n[Main]\nVersion=1.0\nQuakeDir=c:\\\\quake\\\\\n\n"
                           "[Rust%20Foundry]\nStamp1=1234 5678\nFile1=c:\\\\quake\\\\Umbraxis\\\\maps\\\\umbx1.bsp\n"
                           "LevelFileName=umbx1\n\n[A\\B]\nx=\"quoted, with a comma\"\ny=a,b\nz=@ByteArray(x)\n"
                           "w=@@at\nescapes=\\x41\\t\\101\\n\\\"\n[%general]\nv=1\n[%U00E9t%E9]\nNested\\Deep=1\n"
                           "; comment\n# comment\nFile2=cut";
    seed("settings_ini", "umbraxis.conf", ini);
    seed("settings_ini", "crlf.conf", QByteArray(ini).replace("\n", "\r\n"));
    seed("settings_ini", "damaged.conf", "[Main]\nVersion=1.0\nthis line is no setting\n");
    // Store inputs: a first byte (odd: the file exists, its text follows),
    // then steps of an operation, a section, a value name and a value.
    const auto step = [](int op, const QByteArray& section, int name, const QByteArray& value = QByteArray()) {
        QByteArray bytes = QByteArray(1, char(op)) + sized(section) + char(name);
        if ((op & 7) <= 1)
            bytes += sized(value);
        return bytes;
    };
    seed("settings_store", "fresh",
         QByteArray(1, '\0') + step(0, "Rust Foundry", 1, "c:\\quake\\Umbraxis\\maps\\umbx1.bsp")
             + step(0, "Rust Foundry", 0, "umbx1") + step(3, "", 0) + step(0, "Main", 4, "c:\\quake\\")
             + step(2, "rust foundry", 0) + step(5, "Rust Foundry", 0));
    seed("settings_store", "existing",
         QByteArray(1, '\1') + sized(ini, true) + step(4, "Main", 5) + QByteArray("\x30\x40", 2) + step(3, "", 0)
             + step(0, "A/B", 2, "@at, \"quoted\"\n") + step(2, "A", 2));
}

void driveSeeds()
{
    seed("drive_map", "drives.conf",
         sized("[Drives]\nc=/home/me/games\nd=\"/media/cd rom \"\n; note\nZ=/\n[Other]\ne=/x\n", true)
             + sized("c:\\quake\\id1\\..\\x") + sized("/home/me/games/q") + sized("d:..\\..\\.")
             + sized("/a//b/../../c"));
}

void mediaSeeds(const QString& cd, const QString& cdWithIntroSound)
{
    for (const QString& name : QDir(cd + QStringLiteral("/sounds")).entryList(QDir::Files)) {
        const QByteArray wave = cdFile(cd, QStringLiteral("sounds/") + name);
        seed("media_headers", name.toUtf8(), wave);
        seed("wave_decode", name.toUtf8(), wave);
    }
    for (const QString& name : QDir(cdWithIntroSound + QStringLiteral("/sounds")).entryList(QDir::Files))
        seed("wave_decode", "8bit-" + name.toUtf8(), cdFile(cdWithIntroSound, QStringLiteral("sounds/") + name));
    seed("media_headers", "logo.avi", cdFile(cd, QStringLiteral("logo.avi")));
    const QByteArray withSound = cdFile(cdWithIntroSound, QStringLiteral("logo.avi"));
    seed("media_headers", "logo-sound.avi", withSound);
    seed("avi_sound_track", "logo-sound.avi", withSound);

    QVector<qint16> samples;
    for (int i = 0; i < 1500; ++i)
        samples.append(qint16(12000 * std::sin(i * 0.05)));
    for (const auto& [name, encoding, channels] :
         {std::tuple{"ima-mono.wav", WavEncoding::ImaAdpcm, 1}, std::tuple{"ima-stereo.wav", WavEncoding::ImaAdpcm, 2},
          std::tuple{"ms-mono.wav", WavEncoding::MsAdpcm, 1}, std::tuple{"ms-stereo.wav", WavEncoding::MsAdpcm, 2},
          std::tuple{"pcm8-stereo.wav", WavEncoding::Pcm8, 2}}) {
        WavFormat format;
        format.encoding = encoding;
        format.channels = channels;
        format.sampleRate = 11025;
        format.adpcmBlockAlign = 256 * channels;
        const QByteArray wave = encodeWav(samples, format);
        seed("media_headers", name, wave);
        seed("wave_decode", name, wave);
    }

    // A small video with a sound track, quick to fuzz.
    QList<QImage> frames;
    for (int i = 0; i < 3; ++i) {
        QImage frame(16, 12, QImage::Format_RGB32);
        frame.fill(QColor(20 * i, 60, 90));
        frames << frame;
    }
    AviSoundTrack track;
    track.samples = QByteArray(3 * 735, '\x80');
    track.sampleRate = 11025;
    const QByteArray small = encodeMjpegAvi(frames, 15, 50, &track);
    seed("media_headers", "small-sound.avi", small);
    seed("avi_sound_track", "small-sound.avi", small);
    // The same, its track an IMA ADPCM one.
    QByteArray ima = small;
    const qsizetype auds = ima.indexOf("auds");
    if (auds > 0) {
        const qsizetype strf = ima.indexOf("strf", auds);
        if (strf > 0)
            ima.replace(strf + 8, 2, QByteArray("\x11\x00", 2));
    }
    seed("avi_sound_track", "small-ima.avi", ima);
    seed("avi_sound_track", "no-sound.avi", encodeMjpegAvi(frames, 15, 50));
    // Ten hours promised in the header, three frames held.
    QByteArray lying = small;
    const qsizetype avih = lying.indexOf("avih");
    if (avih > 0)
        lying.replace(avih + 8 + 16, 4, littleWord(540000));
    seed("media_headers", "ten-hours.avi", lying);
}

QImage smallPicture()
{
    QImage image(37, 21, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int x = 0; x < image.width(); ++x)
        painter.fillRect(x, 0, 1, image.height(), QColor::fromHsv((x * 10) % 360, 200, 120 + x * 3));
    painter.fillRect(5, 5, 20, 8, Qt::black);
    painter.end();
    return image;
}

void pictureSeeds(const QString& cd)
{
    const QImage picture = smallPicture();
    const struct {
        const char* name;
        BmpFlavour flavour;
    } flavours[] = {
        {"indexed1.bmp", BmpFlavour::Indexed1},
        {"indexed4.bmp", BmpFlavour::Indexed4},
        {"rle4.bmp", BmpFlavour::Rle4},
        {"indexed8.bmp", BmpFlavour::Indexed8},
        {"rle8.bmp", BmpFlavour::Rle8},
        {"rgb24.bmp", BmpFlavour::Rgb24},
        {"os2-indexed1.bmp", BmpFlavour::Os2Indexed1},
        {"os2-indexed4.bmp", BmpFlavour::Os2Indexed4},
        {"os2-indexed8.bmp", BmpFlavour::Os2Indexed8},
        {"os2-rgb24.bmp", BmpFlavour::Os2Rgb24},
    };
    for (const auto& row : flavours)
        seed("bmp_picture", row.name, encodeBmp(picture, row.flavour));
    // The CD's small button pictures, as the screens load them.
    for (const char* name : {"FBFMAIN.BMP", "fbnmain.bmp", "fbfhelp.bmp"}) {
        const QString path = QStringLiteral("images/") + QString::fromLatin1(name).toLower();
        seed("bmp_picture", name, cdFile(cd, path));
    }
}

void mountSeeds()
{
    seed("mount_table", "mountinfo",
         "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
         "23 22 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
         "24 22 0:22 / /sys rw,nosuid shared:7 - sysfs sysfs rw\n"
         "40 22 11:0 / /media/me/UMBRAXIS\\040CD ro,nosuid shared:30 - iso9660 /dev/sr0 ro,uid=1000\n"
         "41 22 8:17 / /run/media/me/STICK rw shared:31 - vfat /dev/sdb1 rw\n"
         "42 22 0:50 / /home/me/share rw - fuse.sshfs me@host:/srv rw\n"
         "43 22 7:0 /sub /mnt/image ro - udf /dev/loop0 ro\n"
         "44 22 0:51 / /net rw - nfs4 server:/export rw\n"
         "45 22 8:33 / /data rw master:5 - ext4 /dev/disk/by-label/Data rw\n"
         "broken line\n"
         "46 22 0:52 / /weird\\134name rw - - -\n");
}

void steamSeeds()
{
    seed("steam_libraries", "libraryfolders.vdf",
         "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/me/.local/share/Steam\"\n\t\t\"label\"\t\t\"\"\n"
         "\t\t\"apps\"\n\t\t{\n\t\t\t\"2310\"\t\t\"123456\"\n\t\t}\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"/mnt/games/"
         "Steam"
         "Library\"\n\t}\n}\n");
    seed("steam_libraries", "old.vdf",
         "\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\t\"1700000000\"\n\t\"ContentStatsID\"\t\t\"-123\"\n"
         "\t\"1\"\t\t\"/media/games/SteamLibrary\"\n\t\"2\"\t\t\"/home/me/with \\\"quotes\\\"\"\n}\n// comment\n"
         "bare { word } \"unclosed");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: fuzz_seeds <out> <cd> <cd-intro-sound>\n");
        return 2;
    }
    g_out = QFile::decodeName(argv[1]);
    const QString cd = QFile::decodeName(argv[2]);
    const QString cdWithIntroSound = QFile::decodeName(argv[3]);
    try {
        QDir(g_out).removeRecursively();
        catalogueSeeds(cd);
        textSeeds(cd);
        rtfSeeds(cd);
        settingsSeeds();
        driveSeeds();
        mediaSeeds(cd, cdWithIntroSound);
        pictureSeeds(cd);
        mountSeeds();
        steamSeeds();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
