// The floor for start-up figures: a Qt window of the quiz's client size
// with one text label and nothing else, built with the quiz's flags.

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Window"));
    window.setFixedSize(1047, 665);
    QLabel label(QStringLiteral("A bare Qt window"), &window);
    label.move(20, 20);
    window.show();
    return QApplication::exec();
}
