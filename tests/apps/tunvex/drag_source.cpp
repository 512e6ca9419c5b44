// An X client that drags its arguments as a text/uri-list, as a file manager does.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QWidget>

#include <cstdio>

namespace {

class DragSource : public QWidget {
  public:
    explicit DragSource(QByteArray uriList) : uriList_(std::move(uriList)) {
        setWindowTitle(QStringLiteral("tunvex drag source"));
        setFixedSize(160, 100);
    }

  protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton))
            return;
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setData(QStringLiteral("text/uri-list"), uriList_);
        drag->setMimeData(mime);
        Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        std::printf("dropped %d\n", int(action));
        std::fflush(stdout);
        QApplication::quit();
    }

  private:
    QByteArray uriList_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QByteArray uriList;
    for (int i = 1; i < argc; ++i)
        uriList += "file://" + QByteArray(argv[i]).toPercentEncoding("/") + "\r\n";
    DragSource source(uriList);
    source.move(20, 20);
    source.show();
    return application.exec();
}
