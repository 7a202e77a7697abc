// The reference for the start-up benchmark: a bare Qt program that shows one
// frameless 640x480 window and plays one WAV through QMediaPlayer.
//
//   bare_window <file.wav>

#include <QApplication>
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(640, 480);
    window.setWindowTitle(QStringLiteral("bare"));
    QMediaPlayer player;
    QAudioOutput output;
    player.setAudioOutput(&output);
    player.setSource(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    player.play();
    window.show();
    return app.exec();
}
