// Runs a fuzz target once over every input it is given (files, or folders of
// files), without the fuzzer: the regression replay of the test suite, built
// with any compiler and run under the sanitizers of the build. Fails when an
// input takes longer than UMBRAXIS_REPLAY_LIMIT_MS (10 s by default), when no
// input was found, and (through the sanitizers or an abort) when one breaks
// the target.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

QStringList inputsOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return info.isFile() ? QStringList{path} : QStringList{};
    QStringList files;
    const QDir folder(path);
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        if (!name.startsWith(QLatin1Char('.')) && !name.endsWith(QLatin1String(".md")))
            files << folder.filePath(name);
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    const qint64 limitMs = qEnvironmentVariableIsSet("UMBRAXIS_REPLAY_LIMIT_MS")
        ? qEnvironmentVariableIntValue("UMBRAXIS_REPLAY_LIMIT_MS")
        : 10000;
    int count = 0;
    int slow = 0;
    qint64 slowest = 0;
    QString slowestName;
    for (int i = 1; i < argc; ++i) {
        for (const QString& input : inputsOf(QFile::decodeName(argv[i]))) {
            QFile file(input);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(input));
                return 1;
            }
            const QByteArray data = file.readAll();
            QElapsedTimer clock;
            clock.start();
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()));
            const qint64 took = clock.elapsed();
            if (took > slowest) {
                slowest = took;
                slowestName = input;
            }
            if (took > limitMs) {
                std::fprintf(stderr, "%s took %lld ms\n", qPrintable(input), static_cast<long long>(took));
                ++slow;
            }
            ++count;
        }
    }
    std::printf("%d inputs replayed; the slowest, %s, took %lld ms\n", count, qPrintable(slowestName),
                static_cast<long long>(slowest));
    if (count == 0) {
        std::fprintf(stderr, "no inputs found\n");
        return 1;
    }
    return slow == 0 ? 0 : 1;
}
