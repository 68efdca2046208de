#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvik Tabulon"));
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Norvik Tabulon"));
    w.show();
    return app.exec();
}
