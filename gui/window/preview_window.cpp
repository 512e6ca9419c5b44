#include "gui/window/preview_window.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include "gui/base/qt_text.h"
#include "gui/dialogs/help_key.h"
#include "gui/dialogs/message_box.h"
#include "gui/window/preview_model.h"

namespace tunvex {

namespace {

constexpr int kDefaultWidth = 960;
constexpr int kDefaultHeight = 520;

// Paths lose their middle, where they are alike; what happens loses its end.
class WhatDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideRight;
    }
};

QTableView* MakeTable(QSortFilterProxyModel& model) {
    auto* table = new QTableView;
    table->setModel(&model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideMiddle);
    table->setTabKeyNavigation(false);
    // Rows of one height, so that the view asks the model only for the rows it shows.
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(PreviewModel::kSourceColumn, 260);
    table->setColumnWidth(PreviewModel::kDestinationColumn, 320);
    table->setItemDelegateForColumn(PreviewModel::kWhatColumn, new WhatDelegate(table));
    table->setAccessibleName(QStringLiteral("振り分けの一覧"));
    table->setAccessibleDescription(QStringLiteral(
        "Space で選んだ行のチェックを切り替えます。チェックを外した行は振り分けません"));
    return table;
}

}  // namespace

bool ShowSortPreview(QWidget* owner, Settings& settings, CodePage codePage,
                     const SortBatchPlan& plan, const SortPreview& preview,
                     const std::vector<std::string>& droppedPaths, std::vector<bool>& chosen) {
    QDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("振り分ける前の確認 - %1").arg(ProgramCaption(codePage)));
    SetHelpTopic(&dialog, "preview.html");
    PreviewModel model(plan, preview, codePage, droppedPaths, settings.BaseFolderPath);
    PreviewFilter filter;
    filter.setSourceModel(&model);

    auto* intro = new QLabel(
        QStringLiteral(
            "次のとおり振り分けます。チェックを外したファイルとフォルダは元の場所に残します。\n"
            "振り分け先: %1")
            .arg(ToQString(codePage, settings.BaseFolderPath)));
    intro->setTextFormat(Qt::PlainText);
    auto* listLabel = new QLabel(QStringLiteral("一覧(&L):"));
    QTableView* table = MakeTable(filter);
    listLabel->setBuddy(table);
    auto* onlyLooks = new QCheckBox(QStringLiteral("確認が必要な行だけ表示する(&F)"));
    onlyLooks->setAccessibleDescription(
        QStringLiteral("名前が重なるファイルと元の場所に残るファイルだけを一覧に表示します"));
    auto* counts = new QLabel(model.CountsLine());
    counts->setTextFormat(Qt::PlainText);
    counts->setWordWrap(true);
    counts->setAccessibleName(QStringLiteral("件数"));
    auto* buttons = new QDialogButtonBox;
    QPushButton* run = buttons->addButton(QStringLiteral("実行(&R)"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    run->setDefault(true);

    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(intro);
    layout->addWidget(listLabel);
    layout->addWidget(table, 1);
    layout->addWidget(onlyLooks);
    layout->addWidget(counts);
    layout->addWidget(buttons);

    QObject::connect(onlyLooks, &QCheckBox::toggled, &filter,
                     [&filter](bool only) { filter.ShowOnlyLooks(only); });
    QObject::connect(&model, &QAbstractItemModel::dataChanged, counts,
                     [counts, &model] { counts->setText(model.CountsLine()); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* toggle = new QShortcut(Qt::Key_Space, table, nullptr, nullptr, Qt::WidgetShortcut);
    QObject::connect(toggle, &QShortcut::activated, table, [table, &filter, &model] {
        std::vector<int> rows;
        for (const QModelIndex& index : table->selectionModel()->selectedRows())
            rows.push_back(filter.mapToSource(index).row());
        model.Toggle(rows);
    });

    dialog.resize(settings.PreviewWidth > 0 ? settings.PreviewWidth : kDefaultWidth,
                  settings.PreviewHeight > 0 ? settings.PreviewHeight : kDefaultHeight);
    table->setFocus();
    if (filter.rowCount() > 0)
        table->selectRow(0);
    const bool runs = dialog.exec() == QDialog::Accepted;
    settings.PreviewWidth = dialog.width();
    settings.PreviewHeight = dialog.height();
    if (runs)
        chosen = model.chosen();
    return runs;
}

}  // namespace tunvex
