// For comparison only: the bare window with Qt's QMediaPlayer, which plays
// the quiz's correct-answer sound once the window is up, as the quiz would.

#include <QApplication>
#include <QAudioOutput>
#include <QLabel>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <QWidget>

int main(int argc, char *argv[])
{
    // Qt 6.4's GStreamer back end crashes without a full set of plugins.
    qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Media Player Window"));
    window.setFixedSize(1047, 665);
    QLabel label(QStringLiteral("A Qt window with a media player"), &window);
    label.move(20, 20);
    window.show();

    QMediaPlayer player;
    QAudioOutput output;
    output.setVolume(0.37f);
    player.setAudioOutput(&output);
    QTimer::singleShot(200, [&player] {
        player.setSource(QUrl::fromLocalFile(QStringLiteral(DRILLIX_CORRECT_SOUND)));
        player.play();
    });
    return QApplication::exec();
}
