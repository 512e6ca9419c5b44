#include "gui/window/sort_progress.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include <sys/stat.h>

#include "core/base/failure_reason.h"
#include "core/files/attribute_loss.h"
#include "gui/base/qt_text.h"
#include "gui/dialogs/message_box.h"

namespace tunvex {
namespace {

// Size and modification time of a file, as the question shows them.
QString Describe(CodePage codePage, const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return ToQString(codePage, path);
    return QStringLiteral("%1\n    %2 バイト, %3")
        .arg(ToQString(codePage, path), QLocale().toString(qlonglong(info.st_size)),
             QDateTime::fromSecsSinceEpoch(info.st_mtime).toString("yyyy/MM/dd HH:mm:ss"));
}

QString AttributesNamed(unsigned notKept) {
    static const std::pair<unsigned, const char*> kNames[] = {
        {kLostOwner, "所有者"}, {kLostPermissions, "アクセス権"},
        {kLostTimes, "日時"},   {kLostExtendedAttributes, "拡張属性"},
        {kLostAcl, "ACL"},
    };
    QStringList names;
    for (const auto& [bit, name] : kNames) {
        if ((notKept & bit) != 0)
            names << QString::fromUtf8(name);
    }
    return names.join(QStringLiteral("、"));
}

QString Megabytes(std::uint64_t bytes) {
    return QString::number(double(bytes) / (1024 * 1024), 'f', 1);
}

}  // namespace

QString WhyExtraKept(ExtraKeptBecause because) {
    return because == ExtraKeptBecause::TracksGoToSeveralFolders
               ? QStringLiteral("曲の振り分け先が複数のフォルダに分かれています")
               : QStringLiteral("同じ名前のファイルが行き先に振り分けられます");
}

SortProgress::SortProgress(QWidget* owner, CodePage codePage, TransferOperation operation,
                           std::function<bool()> stopRequested)
    : owner_(owner),
      codePage_(codePage),
      operation_(operation),
      window_(owner, codePage, std::move(stopRequested)) {}

void SortProgress::Hide() {
    window_.Hide();
}

void SortProgress::OnReading(std::size_t read, std::size_t total) {
    window_.Update(
        QStringLiteral("タグを読み込んでいます... %1 / %2 ファイル").arg(read).arg(total),
        total == 0 ? 0 : int(read * 1000 / total));
}

void SortProgress::OnProgress(const TransferProgress& progress) {
    QString action = operation_ == TransferOperation::Copy ? QStringLiteral("コピーしています")
                                                           : QStringLiteral("移動しています");
    int permille =
        progress.bytesTotal == 0
            ? int(progress.filesDone * 1000 / std::max<std::size_t>(1, progress.filesTotal))
            : int(progress.bytesDone * 1000 / progress.bytesTotal);
    window_.Update(QStringLiteral("%1... %2 / %3 ファイル, %4 / %5 MB")
                       .arg(action)
                       .arg(progress.filesDone)
                       .arg(progress.filesTotal)
                       .arg(Megabytes(progress.bytesDone), Megabytes(progress.bytesTotal)),
                   permille);
}

CollisionAnswer SortProgress::AskReplace(const std::string& source,
                                         const std::string& destination) {
    QMessageBox question(QMessageBox::Question, ProgramCaption(codePage_),
                         QStringLiteral("同じ名前のファイルが既にあります。置き換えますか?"),
                         QMessageBox::NoButton, owner_);
    question.setInformativeText(
        ShownAsText(QStringLiteral("既にあるファイル: %1\n\n新しいファイル: %2")
                        .arg(Describe(codePage_, destination), Describe(codePage_, source))));
    QPushButton* replace = question.addButton(QStringLiteral("置換(&R)"), QMessageBox::YesRole);
    QPushButton* replaceAll =
        question.addButton(QStringLiteral("すべて置換(&A)"), QMessageBox::YesRole);
    QPushButton* skip = question.addButton(QStringLiteral("スキップ(&S)"), QMessageBox::NoRole);
    QPushButton* cancel =
        question.addButton(QStringLiteral("キャンセル(&C)"), QMessageBox::RejectRole);
    question.setDefaultButton(replace);
    question.setEscapeButton(cancel);
    question.exec();
    if (question.clickedButton() == replace)
        return CollisionAnswer::Replace;
    if (question.clickedButton() == replaceAll)
        return CollisionAnswer::ReplaceAll;
    if (question.clickedButton() == skip)
        return CollisionAnswer::Skip;
    return CollisionAnswer::Cancel;
}

void SortProgress::OnFileDone(const FileReport& report) {
    if (report.outcome != FileOutcome::Failed && report.outcome != FileOutcome::Skipped)
        return;
    if (problems_.size() < kProblemsListed) {
        QString why =
            report.outcome == FileOutcome::Skipped && report.reason.kind == FailureKind::None
                ? QStringLiteral("スキップしました")
                : ToQString(codePage_, JapaneseReason(report.reason));
        problems_.push_back(QStringLiteral("%1: %2").arg(ToQString(codePage_, report.source), why));
    }
}

void SortProgress::ShowSummary(const TransferSummary& summary,
                               const std::vector<KeptExtra>& extrasKept) {
    window_.Hide();
    QStringList lines(problems_.begin(), problems_.end());
    for (std::size_t i = 0; i < extrasKept.size() && i < kProblemsListed; ++i) {
        lines << QStringLiteral("%1: %2").arg(ToQString(codePage_, extrasKept[i].path),
                                              WhyExtraKept(extrasKept[i].because));
    }
    for (std::size_t i = 0; i < summary.foldersKept.size() && i < kProblemsListed; ++i) {
        lines << QStringLiteral("%1: %2").arg(
            ToQString(codePage_, summary.foldersKept[i].path),
            ToQString(codePage_, JapaneseReason(summary.foldersKept[i].reason)));
    }
    // What the user may count on later: the undo of this run, and the files' attributes.
    if (summary.attributesNotKept != 0) {
        lines << QStringLiteral("コピー先で一部のファイルの%1を保てませんでした")
                     .arg(AttributesNamed(summary.attributesNotKept));
    }
    if (!extrasKept.empty())
        lines << QStringLiteral("元のフォルダに残した付属ファイル: %1 個").arg(extrasKept.size());
    if (!summary.foldersKept.empty()) {
        lines
            << QStringLiteral("削除しなかった元のフォルダ: %1 個").arg(summary.foldersKept.size());
    }
    if (!summary.journalError.empty()) {
        lines << QStringLiteral("この振り分けを元に戻すための記録を残せませんでした: %1")
                     .arg(ToQString(codePage_, JapaneseReason(summary.journalError)));
    }
    if (summary.failed == 0 && summary.skipped == 0 && lines.isEmpty() && !summary.cancelled)
        return;
    const std::size_t placed = summary.transferred + summary.renamed + summary.replaced;
    const std::size_t listed = summary.failed + summary.skipped;
    if (listed > problems_.size()) {
        lines.insert(qsizetype(problems_.size()),
                     QStringLiteral("ほか %1 個のファイル").arg(listed - problems_.size()));
    }
    QString text;
    if (summary.cancelled) {
        text = QStringLiteral(
                   "キャンセルしました。%1 "
                   "個のファイルを振り分け、残りのファイルは元の場所にあります。")
                   .arg(placed);
        if (placed != 0 && summary.journalError.empty())
            text += QStringLiteral("\nこの振り分けは右クリックのメニューから元に戻せます。");
    } else {
        text = QStringLiteral("%1 個のファイルを振り分けました。スキップ %2 個、失敗 %3 個")
                   .arg(placed)
                   .arg(summary.skipped)
                   .arg(summary.failed);
    }
    const bool failed = summary.failed != 0 || !summary.journalError.empty();
    ShowSummaryBox(owner_, codePage_, failed, text, lines);
}

}  // namespace tunvex
