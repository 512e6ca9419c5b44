#include "gui/window/preview_model.h"

#include "core/base/failure_reason.h"
#include "gui/base/qt_text.h"
#include "gui/window/sort_progress.h"

namespace tunvex {

namespace {

// The folder every dropped path lies in, '/' ended: what a source is shown from.
std::string FolderOfAll(const std::vector<std::string>& droppedPaths) {
    std::string common;
    for (std::size_t i = 0; i < droppedPaths.size(); ++i) {
        std::string_view path = droppedPaths[i];
        while (path.size() > 1 && path.ends_with('/'))
            path.remove_suffix(1);
        std::string_view folder = path.substr(0, path.rfind('/') + 1);
        if (i == 0) {
            common = folder;
            continue;
        }
        std::size_t same = 0;
        while (same < common.size() && same < folder.size() && common[same] == folder[same])
            ++same;
        common.resize(common.rfind('/', same == 0 ? 0 : same - 1) + 1);
    }
    return common;
}

std::string_view ShownFrom(std::string_view path, std::string_view folder) {
    return path.starts_with(folder) && path.size() > folder.size() ? path.substr(folder.size())
                                                                   : path;
}

// By PreviewState: what the counts line calls a state's files.
const char* const kCountWords[kPreviewStateCount] = {
    "振り分け",     "新しいフォルダへ", "名前を変える", "置き換えを尋ねる", "ドロップ内で同じ名前",
    "振り分け済み", "二度目",           "付属ファイル", "残す付属ファイル", "削除するフォルダ",
    "残すファイル", "振り分けられない"};

}  // namespace

PreviewModel::PreviewModel(const SortBatchPlan& plan, const SortPreview& preview, CodePage codePage,
                           const std::vector<std::string>& droppedPaths,
                           const std::string& baseFolder)
    : plan_(plan),
      preview_(preview),
      codePage_(codePage),
      sourceFolder_(FolderOfAll(droppedPaths)),
      baseFolder_(baseFolder.ends_with('/') ? baseFolder : baseFolder + '/'),
      chosen_(preview.rows.size()) {
    for (std::size_t row = 0; row < preview.rows.size(); ++row) {
        chosen_[row] = IsChoosable(preview.rows[row].state);
        if (chosen_[row])
            ++choosable_;
    }
    chosenCount_ = choosable_;
}

int PreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(preview_.rows.size());
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
    const PreviewRow& row = preview_.rows[std::size_t(index.row())];
    if (role == Qt::CheckStateRole && index.column() == kSourceColumn && IsChoosable(row.state))
        return chosen_[std::size_t(index.row())] ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const bool whole = role == Qt::ToolTipRole;
    switch (index.column()) {
        case kSourceColumn: {
            const std::string source = RowSource(plan_, row);
            return ToQString(codePage_, whole ? source : ShownFrom(source, sourceFolder_));
        }
        case kDestinationColumn: {
            std::string destination = RowDestination(plan_, row, codePage_);
            return ToQString(codePage_, whole ? destination : ShownFrom(destination, baseFolder_));
        }
        default:
            break;
    }
    std::string destination = RowDestination(plan_, row, codePage_);
    QString name = ToQString(codePage_, destination.substr(destination.rfind('/') + 1));
    auto reason = [&] {
        return ToQString(codePage_, JapaneseReason(plan_.notSorted[row.index].reason));
    };
    switch (row.state) {
        case PreviewState::Placed:
            return QStringLiteral("振り分けます");
        case PreviewState::IntoNewFolder:
            return QStringLiteral("新しいフォルダを作って振り分けます");
        case PreviewState::Renamed:
            return QStringLiteral("同じ名前のファイルがあるので「%1」にします").arg(name);
        case PreviewState::WillAsk:
            return QStringLiteral(
                "同じ名前のファイルがあるので置き換えるか尋ねます (古いファイルはごみ箱へ)");
        case PreviewState::SameNameInDrop:
            return row.number != 0
                       ? QStringLiteral("ドロップした別のファイルと同じ名前なので「%1」にします")
                             .arg(name)
                       : QStringLiteral(
                             "ドロップした別のファイルと同じ名前です: 置き換えるか尋ねます");
        case PreviewState::AlreadyInPlace:
            return QStringLiteral("すでに振り分け先にあります");
        case PreviewState::GivenTwice:
            return QStringLiteral("同じファイルが二度あります: 一度だけ振り分けます");
        case PreviewState::ExtraFollows:
            return QStringLiteral("アルバムの付属ファイル: 曲といっしょに振り分けます");
        case PreviewState::ExtraKept:
            return QStringLiteral("アルバムの付属ファイル: 元のフォルダに残します (%1)")
                .arg(WhyExtraKept(plan_.extrasKept[row.index].because));
        case PreviewState::FolderRemoved:
            return QStringLiteral("空になれば削除します");
        case PreviewState::LeftBehind:
            return QStringLiteral("元の場所に残します: %1").arg(reason());
        case PreviewState::CannotGo:
            return QStringLiteral("振り分けられません: %1").arg(reason());
    }
    return {};
}

bool PreviewModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !(flags(index) & Qt::ItemIsUserCheckable))
        return false;
    SetChosen(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags PreviewModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kSourceColumn && IsChoosable(StateOf(index.row())))
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kHeaders[kColumnCount] = {"ファイル", "振り分け先", "どうなるか"};
    return QString::fromUtf8(kHeaders[section]);
}

PreviewState PreviewModel::StateOf(int row) const {
    return preview_.rows[std::size_t(row)].state;
}

void PreviewModel::Toggle(const std::vector<int>& rows) {
    bool check = false;
    for (int row : rows)
        check = check || (IsChoosable(StateOf(row)) && !chosen_[std::size_t(row)]);
    for (int row : rows)
        SetChosen(row, check);
}

void PreviewModel::SetChosen(int row, bool chosen) {
    if (!IsChoosable(StateOf(row)) || chosen_[std::size_t(row)] == chosen)
        return;
    chosen_[std::size_t(row)] = chosen;
    chosenCount_ = chosen ? chosenCount_ + 1 : chosenCount_ - 1;
    QModelIndex cell = index(row, kSourceColumn);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

QString PreviewModel::CountsLine() const {
    QStringList parts;
    for (std::size_t state = 0; state < kPreviewStateCount; ++state) {
        if (preview_.counts[state] != 0)
            parts << QStringLiteral("%1 %2")
                         .arg(QString::fromUtf8(kCountWords[state]))
                         .arg(preview_.counts[state]);
    }
    return QStringLiteral("%1 ─ 実行するもの %2 / %3")
        .arg(parts.join(QStringLiteral("、")))
        .arg(chosenCount_)
        .arg(choosable_);
}

void PreviewFilter::ShowOnlyLooks(bool only) {
    onlyLooks_ = only;
    invalidateRowsFilter();
}

bool PreviewFilter::filterAcceptsRow(int row, const QModelIndex&) const {
    return !onlyLooks_ || NeedsALook(static_cast<const PreviewModel*>(sourceModel())->StateOf(row));
}

}  // namespace tunvex
