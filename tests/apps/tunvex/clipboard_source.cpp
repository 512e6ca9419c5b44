// A small X client that owns the clipboard, as an editor does after a copy: it holds the text
// given on its command line until it is ended, and shows a window so that a test knows when.
#include <QApplication>
#include <QClipboard>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2)
        return 2;
    QGuiApplication::clipboard()->setText(QString::fromUtf8(argv[1]));
    QWidget window;
    window.setWindowTitle(QStringLiteral("tunvex clipboard source"));
    window.setFixedSize(120, 40);
    window.move(20, 20);
    window.show();
    return application.exec();
}
