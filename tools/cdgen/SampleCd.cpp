#include "cdgen/SampleCd.h"

#include "cdgen/AviWriter.h"
#include "cdgen/BmpWriter.h"
#include "cdgen/Levels.h"
#include "cdgen/Palette.h"
#include "cdgen/Pictures.h"
#include "cdgen/Sounds.h"
#include "cdgen/Texts.h"
#include "cdgen/WavWriter.h"
#include "platform/AppError.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>

namespace umbraxis {

void writeFileAtomically(const QString& path, const QByteArray& data)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw AppError(formatMessage(QStringLiteral("Cannot create folder %s"), folder));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw AppError(formatMessage(QStringLiteral("Cannot create file %s"), path));
}

QByteArray logoVideo(bool withSound)
{
    const QSize size(320, 240);
    const int frames = int(std::lround(kLogoSeconds * kLogoFramesPerSecond));
    QList<QImage> images;
    for (int i = 0; i < frames; ++i)
        images.append(drawLogoFrame(size, double(i) / kLogoFramesPerSecond, kLogoSeconds));
    if (!withSound)
        return encodeMjpegAvi(images, kLogoFramesPerSecond, 88);
    AviSoundTrack track;
    track.sampleRate = 11025;
    track.samples = synthIntroSoundTrack(track.sampleRate, kLogoSeconds);
    return encodeMjpegAvi(images, kLogoFramesPerSecond, 88, &track);
}

void writeSampleCd(const QString& root, CdVariant variant)
{
    const bool oldSounds = variant == CdVariant::IntroWithSoundTrack;
    const QDir cd(root);
    auto put = [&cd](const QString& relative, const QByteArray& data) {
        writeFileAtomically(cd.filePath(relative), data);
    };

    const QVector<QRgb>& palette = cdPalette();
    for (const CdPicture& picture : drawCdPictures())
        put(picture.path, encodeBmp(quantise(picture.image, palette), BmpFlavour::Indexed8));
    // The still logo is the last frame of the intro, before its fade.
    put(QStringLiteral("logo.bmp"),
        encodeBmp(quantise(drawLogoFrame(QSize(320, 240), kLogoSeconds - 0.6, kLogoSeconds), palette),
                  BmpFlavour::Indexed8));
    put(QStringLiteral("logo.avi"), logoVideo(oldSounds));

    for (const CdSound& sound : synthesiseCdSounds(oldSounds ? SoundQuality::EightBit11k : SoundQuality::Standard))
        put(sound.path, encodeWav(sound.samples, sound.format));

    put(QStringLiteral("text/tips.txt"), crlfText(tipLines()));
    put(QStringLiteral("text/dethmath.txt"), crlfText(briefingLines()));
    put(QStringLiteral("text/websites.txt"), crlfText(websiteLines()));
    put(QStringLiteral("help.rtf"), helpRtf());
    put(QStringLiteral("readme.txt"), crlfText(cdReadmeLines()));

    const QList<PackLevel> levels = packLevels();
    put(QStringLiteral("levels.csv"), catalogueCsv(levels));
    for (const PackLevel& level : levels) {
        for (const LevelFile& file : level.files)
            put(QStringLiteral("levels/%1/%2").arg(level.directory, file.relativePath), file.content);
        if (!level.authorFile.isEmpty())
            put(QStringLiteral("levels/desc/%1.txt").arg(level.authorFile), crlfText(level.authorText));
        if (!level.descFile.isEmpty())
            put(QStringLiteral("levels/desc/%1.txt").arg(level.descFile), crlfText(level.descText));
    }
}

} // namespace umbraxis
