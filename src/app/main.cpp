// solvina: the window program.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("ソルビナ"));
    label.show();
    return app.exec();
}
