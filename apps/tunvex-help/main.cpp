// tunvex-help: the help viewer, a program of its own so that no modal dialog of tunvex ever
// blocks it.
//   tunvex-help FILE.chm            shows FILE at its default topic
//   tunvex-help --listen FILE.chm   also takes requests on standard input, one a line: "show"
//                                   brings the window forward at the default topic, "show PAGE"
//                                   at that page; the end of input (tunvex has ended) closes
//                                   the viewer.
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <clocale>
#include <cstdio>
#include <string>

#include "gui/base/qt_translation.h"
#include "gui/help/help_viewer.h"

namespace {

// Reads what is there on standard input and acts on each whole line.
void TakeRequests(tunvex::HelpViewer& viewer, std::string& pending) {
    char buffer[256];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        QApplication::quit();
        return;
    }
    pending.append(buffer, std::size_t(n));
    for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        const std::string request = pending.substr(0, end);
        if (request == "show" || request.starts_with("show ")) {
            if (request == "show") {
                viewer.ShowDefaultTopic();
            } else {
                viewer.ShowTopic(request.substr(5));
            }
            viewer.showNormal();
            viewer.raise();
            viewer.activateWindow();
        }
        pending.erase(0, end + 1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const bool listen = argc == 3 && std::string(argv[1]) == "--listen";
    if (argc != 2 + int(listen)) {
        std::fprintf(stderr, "usage: tunvex-help [--listen] FILE.chm\n");
        return 2;
    }
    QApplication application(argc, argv);
    tunvex::InstallQtJapanese();
    tunvex::HelpViewer viewer;
    viewer.setWindowIcon(QIcon(":/res/icon132.ico"));
    viewer.OpenFile(argv[argc - 1]);
    viewer.show();
    std::string pending;
    QSocketNotifier requests(STDIN_FILENO, QSocketNotifier::Read);
    requests.setEnabled(listen);
    QObject::connect(&requests, &QSocketNotifier::activated, &viewer,
                     [&] { TakeRequests(viewer, pending); });
    return application.exec();
}
