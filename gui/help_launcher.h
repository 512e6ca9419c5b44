// Shows the help: what the framework's HTML help call does on Windows.
#pragma once

#include <string>

namespace tunvex {

// Opens helpFilePath at topic (a page of the file; empty: its default topic) in the help viewer
// (tunvex-help beside the executable), modeless and outside every modal loop of the caller. One
// viewer at a time: while it runs, a further call brings it forward at that call's topic, and a
// call for another file replaces it. The viewer closes when the calling process ends. False when
// the viewer cannot be started; a missing or damaged help file is the viewer's to tell.
bool ShowHtmlHelp(const std::string& helpFilePath, const std::string& topic = {});

}  // namespace tunvex
