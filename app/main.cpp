#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Velmora_V1.02"));
    window.setFixedSize(949, 700);
    window.show();
    return app.exec();
}
