// Quillmar start-up: for now one main window titled "Quillmar".
#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillmar");
    QMainWindow window;
    window.setWindowTitle("Quillmar");
    window.resize(900, 640);
    window.show();
    return app.exec();
}
