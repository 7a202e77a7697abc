// A floor for the start-up benchmark's memory figure: a bare Qt program that
// shows one frameless 640x480 window and plays a video through QMediaPlayer
// into a video sink (with a sound output, as the program's intro does). It
// decodes the pictures but draws none of them, so any program that plays
// the same video through Qt Multimedia needs at least this much memory.
//
//   bare_video <file.avi>

#include <QApplication>
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(640, 480);
    window.setWindowTitle(QStringLiteral("bare video"));
    QMediaPlayer player;
    QAudioOutput output;
    QVideoSink sink;
    int frames = 0;
    QObject::connect(&sink, &QVideoSink::videoFrameChanged, &window,
                     [&frames](const QVideoFrame& frame) { frames += frame.isValid() ? 1 : 0; });
    player.setAudioOutput(&output);
    player.setVideoSink(&sink);
    player.setSource(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    player.play();
    window.show();
    return app.exec();
}
