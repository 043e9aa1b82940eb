#include "app/application.h"

#include "app/main_window.h"

#include <QApplication>

namespace velmora {

int runApplication(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora"));
    int result = 0;
    {
        MainWindow window;
        window.show();
        result = QApplication::exec();
    } // the window saves the automatic file as it goes away
    return result;
}

} // namespace velmora
