// The window that shows where every file of a drop goes before anything moves, and lets the
// user leave files out.
#pragma once

#include <string>
#include <vector>

#include "core/settings/settings.h"
#include "core/sorting/sort_preview.h"

class QWidget;

namespace tunvex {

// Modal over owner. True when the user chose to run: chosen then holds a flag for each row of
// the preview. The window's size is kept in settings' PreviewWidth and PreviewHeight.
bool ShowSortPreview(QWidget* owner, Settings& settings, CodePage codePage,
                     const SortBatchPlan& plan, const SortPreview& preview,
                     const std::vector<std::string>& droppedPaths, std::vector<bool>& chosen);

}  // namespace tunvex
