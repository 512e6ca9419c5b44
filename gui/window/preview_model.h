// The rows of a sort's preview as a table for a view: the file, where it goes and what happens,
// its text made as it is shown, and a check box for each row the run acts on.
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <string>
#include <vector>

#include "core/sorting/sort_preview.h"

namespace tunvex {

class PreviewModel : public QAbstractTableModel {
  public:
    enum Column { kSourceColumn, kDestinationColumn, kWhatColumn, kColumnCount };

    // Sources are shown from the folder the dropped paths lie in, destinations from the base
    // folder; plan and preview outlive the model.
    PreviewModel(const SortBatchPlan& plan, const SortPreview& preview, CodePage codePage,
                 const std::vector<std::string>& droppedPaths, const std::string& baseFolder);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    PreviewState StateOf(int row) const;
    // Checks them all when one is not checked, else clears them all.
    void Toggle(const std::vector<int>& rows);
    const std::vector<bool>& chosen() const { return chosen_; }
    // What will happen, counted, and how many of the files the run acts on are checked.
    QString CountsLine() const;

  private:
    void SetChosen(int row, bool chosen);

    const SortBatchPlan& plan_;
    const SortPreview& preview_;
    CodePage codePage_;
    std::string sourceFolder_;
    std::string baseFolder_;
    std::vector<bool> chosen_;
    std::size_t choosable_ = 0;
    std::size_t chosenCount_ = 0;
};

// Every row, or only those that need a look: collisions and files that stay.
class PreviewFilter : public QSortFilterProxyModel {
  public:
    void ShowOnlyLooks(bool only);

  protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

  private:
    bool onlyLooks_ = false;
};

}  // namespace tunvex
