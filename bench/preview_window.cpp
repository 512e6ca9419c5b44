// tunvex-bench-preview ROWS: the preview of a drop of ROWS files, without the disk: what its rows
// cost beyond the plan, how long the window takes to show them and to repaint while it scrolls.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/sorting/sort_preview.h"
#include "gui/window/preview_window.h"

namespace {

using namespace tunvex;

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    }
    return 0;
}

// Paths as a ripped library spells them, in folders that do not exist: every row is a new folder.
SortBatchPlan MakePlan(std::size_t rows) {
    SortBatchPlan plan;
    plan.request.sources.reserve(rows);
    plan.request.destinations.reserve(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        std::string artist = "Artist " + std::to_string(i / 120),
                    album = "Album " + std::to_string(i / 12);
        std::string title =
            std::to_string(i % 12 + 1) + " A Title Of Some Length " + std::to_string(i);
        plan.request.sources.push_back("/nonexistent/in/Rips/" + artist + " - " + album + "/" +
                                       title + ".mp3");
        plan.request.destinations.push_back("/nonexistent/out/" + artist + "/" + album + "/" +
                                            title + ".mp3");
        plan.request.sourceStates.push_back({.error = ENOENT});
    }
    return plan;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::size_t rows = argc > 1 ? std::stoul(argv[1]) : 100000;
    SortBatchPlan plan = MakePlan(rows);
    const long planned = ResidentKilobytes();
    QElapsedTimer clock;
    clock.start();
    SortPreview preview = PreviewSortPlan(plan, CodePage::Utf8);
    const double lookMs = double(clock.nsecsElapsed()) / 1e6;
    const long previewed = ResidentKilobytes();

    Settings settings;
    settings.BaseFolderPath = "/nonexistent/out";
    std::vector<double> repaints;
    double shownMs = 0;
    long windowKilobytes = 0;
    clock.restart();
    // Shown once the window's first paint has gone out; measured once the window manager has
    // mapped it.
    QTimer::singleShot(0, [&] { shownMs = double(clock.nsecsElapsed()) / 1e6; });
    QTimer::singleShot(500, [&] {
        QWidget* window = QApplication::activeModalWidget();
        auto* table = window->findChild<QTableView*>();
        QScrollBar* bar = table->verticalScrollBar();
        for (int step = 0; step < 200; ++step) {
            bar->setValue(bar->value() + bar->pageStep() * (step % 2 == 0 ? 37 : 1));
            QElapsedTimer paint;
            paint.start();
            table->viewport()->repaint();
            repaints.push_back(double(paint.nsecsElapsed()) / 1e6);
        }
        windowKilobytes = ResidentKilobytes();
        window->close();
    });
    std::vector<bool> chosen;
    ShowSortPreview(nullptr, settings, CodePage::Utf8, plan, preview, {"/nonexistent/in/Rips"},
                    chosen);
    std::sort(repaints.begin(), repaints.end());
    std::printf(
        "rows %zu: the preview's look %.0f ms, %.1f bytes a row; the window shown in %.0f ms, "
        "%.1f bytes a row more; a repaint while scrolling %.1f ms median, %.1f ms at most\n",
        rows, lookMs, double(previewed - planned) * 1024 / double(rows), shownMs,
        double(windowKilobytes - previewed) * 1024 / double(rows), repaints[repaints.size() / 2],
        repaints.back());
    return 0;
}
