// tunvex-bench-window FOLDER BASE: the drop window while it sorts FOLDER into BASE (a copy,
// numbered on collision): the longest the window's thread went without running its events, how
// long a repaint of the moved window takes, and the longest the progress dialog went without a
// new figure; then the time to take a drop of as many paths as FOLDER holds files.
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/tags/tag_library.h"
#include "gui/window/drop_dialog.h"
#include "gui/window/dropped_paths.h"

namespace {

using namespace tunvex;

double Milliseconds(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tunvex-bench-window FOLDER BASE\n");
        return 2;
    }
    TagLibrary library;
    if (!BindTagLibrary(library))
        return 2;
    Settings settings;
    settings.BaseFolderPath = argv[2];
    settings.FolderNamingMode = 2;
    settings.FileNamingMode = 3;
    settings.CollisionMode = 1;
    settings.TagMode = 1;
    CDropDlg window(settings, library, {});
    window.show();

    // A tick every 5 ms: the gap between two is how long the thread was kept from its events.
    QElapsedTimer clock, sinceTick, sinceFigure;
    double longestGap = 0, longestWithoutFigure = 0;
    std::vector<double> repaints;
    QString lastFigure, longestBetween;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, Milliseconds(sinceTick));
        sinceTick.restart();
        if (auto* progress = window.findChild<QProgressDialog*>();
            progress && progress->isVisible()) {
            QString figure = progress->labelText();
            if (figure != lastFigure || !sinceFigure.isValid()) {
                if (sinceFigure.isValid() && !lastFigure.isEmpty() &&
                    Milliseconds(sinceFigure) > longestWithoutFigure) {
                    longestWithoutFigure = Milliseconds(sinceFigure);
                    longestBetween = lastFigure + " | " + figure;
                }
                lastFigure = figure;
                sinceFigure.restart();
            }
        }
    });
    QTimer mover;
    mover.setInterval(100);
    int step = 0;
    QObject::connect(&mover, &QTimer::timeout, [&] {
        window.move(100 + (step++ % 20) * 10, 100);
        QElapsedTimer paint;
        paint.start();
        window.repaint();
        repaints.push_back(Milliseconds(paint));
    });
    double sortSeconds = 0;
    QTimer::singleShot(500, [&] {
        sinceTick.start();
        tick.start();
        mover.start();
        clock.start();
        window.OnDropFiles({argv[1]});
        sortSeconds = Milliseconds(clock) / 1000;
        tick.stop();
        mover.stop();
        app.quit();
    });
    app.exec();

    QByteArray uriList;
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[1])) {
        if (entry.is_regular_file()) {
            uriList +=
                QUrl::fromLocalFile(QString::fromStdString(entry.path())).toEncoded() + "\r\n";
            ++files;
        }
    }
    clock.restart();
    auto paths = LocalPathsFromUriList(uriList, "");
    const double dropMs = Milliseconds(clock);
    std::printf(
        "sort of %zu files: %.1f s; the window's thread kept from its events %.0f ms at most; "
        "a repaint of the moved window %.1f ms median, %.1f ms at most; the progress "
        "dialog's figures %.0f ms apart at most (%s); a drop of %zu paths taken in %.0f ms "
        "(once, as the drag enters)\n",
        files, sortSeconds, longestGap, Median(repaints),
        repaints.empty() ? 0 : *std::max_element(repaints.begin(), repaints.end()),
        longestWithoutFigure, longestBetween.toStdString().c_str(), paths ? paths->size() : 0,
        dropMs);
    UnloadTagLibrary(library);
    return 0;
}
